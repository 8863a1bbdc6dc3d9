#include "RecoveryMethod/RecoveryRun.h"

#include "RecoveryMethod/DamageRecords.h"
#include "RecoveryMethod/EngineAnswers.h"
#include "RecoveryMethod/EngineTexts.h"
#include "RecoveryMethod/PromptBridge.h"
#include "RecoveryMethod/RecoveryJob.h"
#include "RecoveryMethod/RunFeed.h"

#include <algorithm>
#include <cmath>

using namespace EngineAnswers;

namespace {

constexpr int MaxItems = 1000000;
const QChar Tab(9);
const QString Sep = QStringLiteral(" - ");

} // namespace

RecoveryRun::RecoveryRun(Parts parts, QString sourcePath, QString destinationPath, RunCounts counts)
    : m_parts(std::move(parts))
    , m_sourcePath(std::move(sourcePath))
    , m_destinationPath(std::move(destinationPath))
    , m_copier(static_cast<CopyHost&>(*this), m_parts.files)
    , m_counts(counts)
{
}

void RecoveryRun::run()
{
    log(EngineTexts::slot(14), true);
    if (copyEntries() == LoopEnd::Stopped)
        clearEntriesAfterCurrent();
    log(EngineTexts::slot(5), true);
}

// The first pass: every entry in order, each file block by block.
RecoveryRun::LoopEnd RecoveryRun::copyEntries()
{
    m_lastEntry = std::min(m_counts.itemsCount, MaxItems);
    count([](RunCounts& c) { c.currentFile = 1; });
    while (m_counts.currentFile <= m_lastEntry) {
        m_currentFileBytes = 0;
        const QString entry = m_parts.job->fileName(m_counts.currentFile);

        const bool folder = entry.startsWith(Tab);
        const EntryEnd end = folder ? processFolder(entry) : processFile(entry);
        if (folder && end == EntryEnd::LeaveLoop)
            return LoopEnd::Ended;

        count([this](RunCounts& c) { c.totalCopiedBytes += m_currentFileBytes; });
        show([at = position()](RunView& view) { view.entryEnded(at); });

        if (m_counts.itemsCount == -1)
            return LoopEnd::Ended; // the destination could not be opened
        if (end == EntryEnd::StopRun) {
            stopAtCurrentEntry();
            return LoopEnd::Stopped;
        }
        if (m_parts.bridge->detached())
            return LoopEnd::Abandoned; // the window's thread ended the run
        count([](RunCounts& c) { ++c.currentFile; });
    }
    return LoopEnd::Ended;
}

// This entry is where a later run resumes.
void RecoveryRun::stopAtCurrentEntry()
{
    const qint64 reached = std::llround(m_currentFileBytes);
    storeResult(m_counts.currentFile, reached, true, reached);
}

// The entries after a stopped one are left for a later run.
void RecoveryRun::clearEntriesAfterCurrent()
{
    const int last = std::min(m_counts.itemsCount, MaxItems);
    for (int j = m_counts.currentFile + 1; j <= last; ++j)
        storeResult(j, 0, false, 0);
    if (m_counts.currentFile < last)
        show([percent = 100.0 / (static_cast<double>(m_counts.itemsCount) / static_cast<double>(last))](
                 RunView& view) { view.overallShown(percent); });
}

RecoveryRun::EntryEnd RecoveryRun::processFolder(const QString& entry)
{
    const QString destination = destinationOf(entry.mid(1));
    log(EngineTexts::slot(9) + QStringLiteral(": ") + QLatin1Char('"') + destination + QLatin1Char('"') +
            QLatin1Char('.'),
        true);
    if (!m_parts.files->makeFolder(destination)) {
        ask([](RunView& view) {
            view.folderNotCreated();
            return 0;
        });
        return EntryEnd::LeaveLoop;
    }
    count([](RunCounts& c) { ++c.itemsFolders; });
    return EntryEnd::Next;
}

RecoveryRun::EntryEnd RecoveryRun::processFile(const QString& entry)
{
    log(entry + QStringLiteral("..."), true);
    const QString destination = destinationOf(entry);
    const int i = m_counts.currentFile;
    const qint64 startFrom = m_parts.job->startPosition(i);

    if (!m_copier.OpenSourceFile(entry, destination)) {
        log(EngineTexts::slot(10) + QStringLiteral(": ") + entry, false);
        storeResult(i, startFrom, false, startFrom);
        count([](RunCounts& c) { ++c.itemsNotCopied; });
        return EntryEnd::Next;
    }

    // Hidden files count: an existing file is never written without the question.
    int result = BlockCopier::NotFinished;
    if (!m_copier.destinationExists() || startFrom != 0) {
        log(entry + Sep + EngineTexts::slot(21), false);
        result = copyFile(entry, destination, startFrom);
        log(entry + (result == BlockCopier::Finished ? QStringLiteral(" - ok") : Sep + EngineTexts::slot(33)),
            false);
        return result == BlockCopier::StopRun ? EntryEnd::StopRun : EntryEnd::Next;
    }

    bool closedWithoutAnswer = false;
    if (overwriteAnswer() < Overwrite::All)
        closedWithoutAnswer = ask([destination](RunView& view) {
                                  return int(view.askOverwrite(destination));
                              }).value_or(1) != 0;
    const int answer = overwriteAnswer();
    // Closing the question without an answer keeps the existing file.
    if (closedWithoutAnswer || answer == Overwrite::Skip || answer == Overwrite::SkipAll) {
        m_copier.closeAll();
        log(entry + Sep + EngineTexts::slot(12), false);
        storeResult(i, startFrom, false, startFrom);
        count([](RunCounts& c) { ++c.itemsNotCopied; });
        return EntryEnd::Next;
    }
    log(entry + Sep + EngineTexts::slot(20), false);
    m_parts.files->remove(destination);
    result = copyFile(entry, destination, 0);
    log(entry + Sep + EngineTexts::slot(result == BlockCopier::Finished ? 32 : 33), false);
    return result == BlockCopier::StopRun ? EntryEnd::StopRun : EntryEnd::Next;
}

// Copies one file and stores its result.
int RecoveryRun::copyFile(const QString& entry, const QString& destination, qint64 startFrom)
{
    int minBlockSize = 512;
    const int result = m_copier.Copying(entry, destination, minBlockSize, startFrom);
    m_currentFileBytes = static_cast<double>(m_copier.CurrentFileBytes());
    count([this, result](RunCounts& c) {
        c.totalLostBytes += static_cast<double>(m_copier.lostBytes());
        if (result != BlockCopier::Finished)
            ++c.itemsNotCopied;
    });
    const int i = m_counts.currentFile;
    storeResult(i, std::llround(m_currentFileBytes), result == BlockCopier::Finished,
                m_parts.job->startPosition(i));
    return result;
}

QString RecoveryRun::destinationOf(const QString& path) const
{
    return m_destinationPath + path.mid(m_sourcePath.size());
}

// --- the window's side -----------------------------------------------------------------------

void RecoveryRun::show(std::function<void(RunView&)> step)
{
    m_parts.feed->add([view = m_parts.view, step = std::move(step)] { step(*view); });
}

void RecoveryRun::log(const QString& line, bool add)
{
    show([line, add](RunView& view) { view.logLine(line, add); });
}

std::optional<int> RecoveryRun::ask(std::function<int(RunView&)> question)
{
    return m_parts.bridge->ask(
        [view = m_parts.view, question = std::move(question)] { return question(*view); });
}

void RecoveryRun::storeResult(int index, qint64 copied, bool done, qint64 startPosition)
{
    const std::lock_guard lock(m_storeMutex);
    if (!m_abandoned)
        m_parts.job->setResult(index, copied, done, startPosition);
}

void RecoveryRun::count(const std::function<void(RunCounts&)>& change)
{
    const std::lock_guard lock(m_storeMutex);
    change(m_counts);
}

RunPosition RecoveryRun::position() const
{
    return RunPosition{m_counts.currentFile, m_counts.itemsCount, m_lastEntry, m_counts.totalCopiedBytes};
}

std::pair<RunCounts, qint64> RecoveryRun::abandon()
{
    const std::lock_guard lock(m_storeMutex);
    m_abandoned = true;
    return {m_counts, m_copier.CurrentFileBytes()};
}

RunCounts RecoveryRun::counts() const
{
    const std::lock_guard lock(m_storeMutex);
    return m_counts;
}

// --- what the block copier asks of the run ---------------------------------------------------

bool RecoveryRun::holdWhileAsked()
{
    return m_parts.bridge->holdWhileAsked();
}

int RecoveryRun::abortAnswer() const
{
    return EngineAnswers::abortAnswer();
}

void RecoveryRun::setAbortAnswer(int answer)
{
    EngineAnswers::setAbortAnswer(answer);
}

bool RecoveryRun::askRetry(const Platform::FileError& error)
{
    return ask([error](RunView& view) { return int(view.askRetry(error)); }).value_or(0) != 0;
}

bool RecoveryRun::askRetryMissingSource(const QString& file)
{
    return ask([file](RunView& view) { return int(view.askRetryMissingSource(file)); }).value_or(0) != 0;
}

void RecoveryRun::destinationNotOpened(const QString&, const Platform::FileError&)
{
    ask([](RunView& view) {
        view.destinationNotOpened();
        return 0;
    });
    count([](RunCounts& c) { c.itemsCount = -1; });
}

void RecoveryRun::fileStarted(qint64 fileSize)
{
    show([fileSize](RunView& view) { view.fileStarted(fileSize); });
}

void RecoveryRun::percentChanged(const CopyProgress& progress)
{
    show([progress, at = position()](RunView& view) { view.percentChanged(progress, at); });
}

void RecoveryRun::blockUnreadable(const CopyProgress& progress)
{
    show([progress](RunView& view) { view.blockUnreadable(progress); });
}

void RecoveryRun::blockAdapted(const CopyProgress& progress)
{
    show([progress](RunView& view) { view.blockAdapted(progress); });
}

bool RecoveryRun::recordDamage(const FileDamage& damage)
{
    if (damage.corBlock->count() > 0)
        m_givenUp.push_back(GivenUpFile{m_counts.currentFile, damage.file, damage.file2, damage.fileSize,
                                        damage.corBlock->rows()});
    const std::lock_guard lock(m_storeMutex);
    if (m_abandoned)
        return true;
    return m_parts.damage->RecCorruptedBlocks(m_counts.corruptedFilesCount, damage.fileSize, damage.fileAttr,
                                              damage.file, damage.file2, *damage.corBlock,
                                              static_cast<double>(damage.copied), damage.fileDTV);
}
