#include "RescuePhase.h"

#include "HostLink.h"

#include "EngineAnswers.h"
#include "EngineTexts.h"
#include "SizeText.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QPointer>

#include <mutex>

using namespace EngineAnswers;

namespace {

// The panel shows progress at most this often; more would only queue events.
constexpr qint64 ProgressEveryMs = 40;

const QString Sep = QStringLiteral(" - ");

} // namespace

RescuePhase::RescuePhase(CopyHost& host, QObject* context, Hooks hooks)
    : m_host(host)
    , m_context(context)
    , m_hooks(std::move(hooks))
{
}

void RescuePhase::clear()
{
    m_items.clear();
    m_counts = std::make_shared<RescueCounts>();
}

bool RescuePhase::run()
{
    if (m_items.empty())
        return true;
    m_hooks.log(EngineTexts::slot(41), true);
    bool stopping = false;
    for (const Item& item : m_items) {
        // Shared with the I/O thread, which may still hold it when the program quits mid-read.
        auto file = std::make_shared<RescueFile>(m_files, item.source, item.copy, item.fileSize, item.givenUp,
                                                 RescuePass::Scrape::ShortAreas, m_counts);
        if (stopping) {
            // Not reached: its copy gets the source's size, nothing is read.
            m_host.runIo([file] {
                file->growCopy();
                file->close();
            });
            m_hooks.done(item, file->lost(), 0);
            continue;
        }
        m_hooks.log(item.source + QStringLiteral("..."), true);
        m_hooks.progress(item.source, file->lost().bytes(), item.fileSize);
        stopping = rescue(file, item) == FileEnd::StopRun;
    }
    return !stopping;
}

RescuePhase::FileEnd RescuePhase::rescue(const std::shared_ptr<RescueFile>& file, const Item& item)
{
    QPointer<QObject> context(m_context);
    auto link = std::make_shared<HostLink>();
    link->attach(&m_host);
    const auto progress = m_hooks.progress;
    const QString name = item.source;
    const qint64 size = item.fileSize;
    for (;;) {
        auto outcome = std::make_shared<RescueFile::Outcome>(RescueFile::Outcome::Stopped);
        const bool waited = m_host.runIo([file, outcome, context, progress, link, name, size] {
            QElapsedTimer shown;
            shown.start();
            *outcome = file->run([link] { return link->held(); },
                                 [&] {
                                     if (shown.elapsed() < ProgressEveryMs || !context)
                                         return;
                                     shown.restart();
                                     const qint64 lost = file->lost().bytes();
                                     QMetaObject::invokeMethod(
                                         context.data(),
                                         [progress, name, lost, size] { progress(name, lost, size); },
                                         Qt::QueuedConnection);
                                 });
        });
        if (!waited) {
            link->release();
            return FileEnd::StopRun; // the program is quitting while a read hangs
        }
        m_hooks.progress(item.source, file->lost().bytes(), item.fileSize);
        switch (*outcome) {
        case RescueFile::Outcome::Finished:
            finish(file, item, {});
            return FileEnd::Done;
        case RescueFile::Outcome::Stopped: {
            m_host.yield();
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
void RescuePhase::finish(const std::shared_ptr<RescueFile>& file, const Item& item, const QString& suffix)
{
    m_host.runIo([file] {
        file->growCopy();
        file->close();
    });
    const qint64 lost = file->lost().bytes();
    QString line = item.source + Sep;
    if (!suffix.isEmpty())
        line += suffix;
    else if (lost == 0)
        line += EngineTexts::slot(42);
    else
        line += EngineTexts::slot(40) + QStringLiteral(": ") + Platform::sizeText(static_cast<double>(lost));
    m_hooks.log(line, false);
    m_hooks.done(item, file->lost(), file->recoveredBytes());
}
