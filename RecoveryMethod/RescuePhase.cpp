#include "RecoveryMethod/RescuePhase.h"

#include "RecoveryMethod/EngineAnswers.h"
#include "RecoveryMethod/EngineTexts.h"

#include "SizeText.h"

#include <QElapsedTimer>

using namespace EngineAnswers;

namespace {

// The panel shows progress at most this often; it is repainted no more often anyway.
constexpr qint64 ProgressEveryMs = 40;

const QString Sep = QStringLiteral(" - ");

} // namespace

RescuePhase::RescuePhase(CopyHost& host, std::shared_ptr<FileAccess> files,
                         std::shared_ptr<RescueCounts> counts, Hooks hooks)
    : m_host(host)
    , m_files(std::move(files))
    , m_counts(std::move(counts))
    , m_hooks(std::move(hooks))
{
}

bool RescuePhase::run()
{
    if (m_items.empty())
        return true;
    m_hooks.log(EngineTexts::slot(41), true);
    bool stopping = false;
    for (const Item& item : m_items) {
        RescueFile file(m_files, item.source, item.copy, item.fileSize, item.givenUp,
                        RescuePass::Scrape::ShortAreas, m_counts);
        if (stopping) {
            // Not reached: its copy gets the source's size, nothing is read.
            file.growCopy();
            file.close();
            m_hooks.done(item, file.lost(), 0);
            continue;
        }
        m_hooks.log(item.source + QStringLiteral("..."), true);
        m_hooks.progress(item.source, file.lost().bytes(), item.fileSize);
        const FileEnd end = rescue(file, item);
        if (end == FileEnd::Abandoned)
            return false;
        stopping = end == FileEnd::StopRun;
    }
    return !stopping;
}

// Before every sector: waits while a question is open, and stops for any answer but Continue.
bool RescuePhase::stopAsked()
{
    return !m_host.holdWhileAsked() || m_host.abortAnswer() != Abort::Continue;
}

RescuePhase::FileEnd RescuePhase::rescue(RescueFile& file, const Item& item)
{
    QElapsedTimer shown;
    shown.start();
    for (;;) {
        const RescueFile::Outcome outcome =
            file.run([this] { return stopAsked(); },
                     [&] {
                         if (shown.elapsed() < ProgressEveryMs)
                             return;
                         shown.restart();
                         m_hooks.progress(item.source, file.lost().bytes(), item.fileSize);
                     });
        if (!m_host.holdWhileAsked())
            return FileEnd::Abandoned;
        m_hooks.progress(item.source, file.lost().bytes(), item.fileSize);
        switch (outcome) {
        case RescueFile::Outcome::Finished:
            finish(file, item, {});
            return FileEnd::Done;
        case RescueFile::Outcome::Stopped: {
            const int answer = m_host.abortAnswer();
            if (answer == Abort::Continue)
                continue;
            if (answer == Abort::SkipFile) {
                m_host.setAbortAnswer(Abort::Continue);
                finish(file, item, {});
                return FileEnd::Done;
            }
            // Pause or Stop: every entry was copied, so there is nothing to resume; the run ends as
            // stopped, keeping what was found.
            m_host.setAbortAnswer(Abort::Stop);
            finish(file, item, {});
            return FileEnd::StopRun;
        }
        case RescueFile::Outcome::MediumGone:
            if (m_hooks.askMediumGone())
                continue;
            m_host.setAbortAnswer(Abort::Stop);
            finish(file, item, {});
            return FileEnd::StopRun;
        case RescueFile::Outcome::SourceChanged:
            finish(file, item, EngineTexts::slot(44));
            return FileEnd::Done;
        case RescueFile::Outcome::SourceFailed:
        case RescueFile::Outcome::CopyFailed:
            finish(file, item, EngineTexts::slot(33));
            return FileEnd::Done;
        }
    }
}

// Grows the copy to the source's size, closes it and logs what the file ends with.
void RescuePhase::finish(RescueFile& file, const Item& item, const QString& suffix)
{
    file.growCopy();
    file.close();
    const qint64 lost = file.lost().bytes();
    QString line = item.source + Sep;
    if (!suffix.isEmpty())
        line += suffix;
    else if (lost == 0)
        line += EngineTexts::slot(42);
    else
        line += EngineTexts::slot(40) + QStringLiteral(": ") + Platform::sizeText(static_cast<double>(lost));
    m_hooks.log(line, false);
    m_hooks.done(item, file.lost(), file.recoveredBytes());
}
