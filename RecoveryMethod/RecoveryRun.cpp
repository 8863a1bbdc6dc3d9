#include "RecoveryMethod/RecoveryRun.h"

#include "RecoveryMethod/DamageRecords.h"
#include "RecoveryMethod/EngineAnswers.h"
#include "RecoveryMethod/EngineTexts.h"
#include "RecoveryMethod/LogModel.h"
#include "RecoveryMethod/PromptBridge.h"
#include "RecoveryMethod/RecoveryJob.h"
#include "RecoveryMethod/RunFeed.h"

#include "SizeText.h"

#include <algorithm>
#include <cmath>
#include <functional>

using namespace EngineAnswers;

namespace {

constexpr int MaxItems = 1000000;
const QChar Tab(9);
const QString Sep = QStringLiteral(" - ");
const QString Entry(LogModel::EntryMark);

} // namespace

RecoveryRun::RecoveryRun(Parts parts, QString sourcePath, QString destinationPath, RunCounts counts)
    : m_parts(std::move(parts))
    , m_sourcePath(std::move(sourcePath))
    , m_destinationPath(std::move(destinationPath))
    , m_copier(static_cast<CopyHost&>(*this), m_parts.files)
    , m_rescue(static_cast<CopyHost&>(*this), m_parts.files, m_parts.rescueCounts, rescueHooks())
    , m_counts(counts)
{
}

void RecoveryRun::run()
{
    log(EngineTexts::slot(14), true);
    const LoopEnd end = copyEntries();
    {
        const std::lock_guard lock(m_storeMutex);
        m_firstPassOver = true;
    }
    if (end == LoopEnd::Stopped)
        clearEntriesAfterCurrent();
    else if (end == LoopEnd::Ended && m_counts.itemsCount != -1)
        rescueDamagedFiles();
    log(EngineTexts::slot(EngineTexts::FinishedLine), true);
}

// The first pass: every entry in order, each file block by block.
RecoveryRun::LoopEnd RecoveryRun::copyEntries()
{
    m_lastEntry = std::min(m_counts.itemsCount, MaxItems);
    count([](RunCounts& c) { c.currentFile = 1; });
    while (m_counts.currentFile <= m_lastEntry) {
        m_currentFileBytes = 0;
        m_entryBytesRead = 0;
        const QString entry = m_parts.job->fileName(m_counts.currentFile);

        const bool folder = entry.startsWith(Tab);
        const EntryEnd end = folder ? processFolder(entry) : processFile(entry);
        if (folder && end == EntryEnd::LeaveLoop)
            return LoopEnd::Ended;

        count([this](RunCounts& c) { c.totalCopiedBytes += m_entryBytesRead; });
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
    logEntry(Entry + QStringLiteral("..."), true);
    const QString destination = destinationOf(entry);
    const int i = m_counts.currentFile;
    const qint64 startFrom = m_parts.job->startPosition(i);

    if (!m_copier.OpenSourceFile(entry, destination)) {
        logEntry(EngineTexts::slot(10) + QStringLiteral(": ") + Entry, false);
        storeResult(i, startFrom, false, startFrom);
        count([](RunCounts& c) { ++c.itemsNotCopied; });
        // The medium went away and the user chose to stop.
        if (abortAnswer() == Abort::Stop)
            return EntryEnd::StopRun;
        return EntryEnd::Next;
    }

    // Hidden files count: an existing file is never written without the question.
    int result = BlockCopier::NotFinished;
    if (!m_copier.destinationExists() || startFrom != 0) {
        logEntry(Entry + Sep + EngineTexts::slot(21), false);
        result = copyFile(entry, destination, startFrom);
        logEntry(Entry + resultText(result, QStringLiteral("ok")), false);
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
        logEntry(Entry + Sep + EngineTexts::slot(12), false);
        storeResult(i, startFrom, false, startFrom);
        count([](RunCounts& c) { ++c.itemsNotCopied; });
        return EntryEnd::Next;
    }
    logEntry(Entry + Sep + EngineTexts::slot(20), false);
    m_parts.files->remove(destination);
    result = copyFile(entry, destination, 0);
    logEntry(Entry + resultText(result, EngineTexts::slot(32)), false);
    return result == BlockCopier::StopRun ? EntryEnd::StopRun : EntryEnd::Next;
}

// How a copied file ends in the log: `done` when it is whole, its lost bytes when ranges were
// given up, and why otherwise.
QString RecoveryRun::resultText(int result, const QString& done) const
{
    if (result == BlockCopier::Finished && m_copier.lostBytes() > 0)
        return Sep + EngineTexts::slot(40) + QStringLiteral(": ") +
               Platform::sizeText(static_cast<double>(m_copier.lostBytes()));
    if (result == BlockCopier::Finished)
        return Sep + done;
    return Sep + EngineTexts::slot(m_copier.sourceChanged() ? 44 : 33);
}

// Copies one file and stores its result.
int RecoveryRun::copyFile(const QString& entry, const QString& destination, qint64 startFrom)
{
    int minBlockSize = 512;
    m_damaged.reset();
    const int result = m_copier.Copying(entry, destination, minBlockSize, startFrom);
    m_currentFileBytes = static_cast<double>(m_copier.CurrentFileBytes());
    // What the copy holds that was read: the position reached less the ranges given up before it.
    ByteRangeSet lostBefore(m_copier.corBlock().rows());
    lostBefore.clampTo(m_copier.CurrentFileBytes());
    m_entryBytesRead = static_cast<double>(m_copier.CurrentFileBytes() - lostBefore.bytes());
    // A file copied to its end with given-up ranges is read again when the first pass is over.
    if (result == BlockCopier::Finished && m_damaged && !m_damaged->givenUp.isEmpty()) {
        m_damaged->firstPassLost = m_copier.lostBytes();
        m_rescue.add(*m_damaged);
    }
    m_damaged.reset();
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

// --- the rescue phase ------------------------------------------------------------------------

// The given-up ranges of the run's damaged files, read again sector by sector.
void RecoveryRun::rescueDamagedFiles()
{
    if (m_rescue.isEmpty())
        return;
    m_rescue.run();
    // Files brought back whole keep no damage record; later records move up.
    std::sort(m_recoveredRecords.begin(), m_recoveredRecords.end(), std::greater<>());
    const std::lock_guard lock(m_storeMutex);
    if (m_abandoned)
        return;
    for (const int record : m_recoveredRecords) {
        m_parts.damage->removeRow(record);
        --m_counts.corruptedFilesCount;
    }
    m_recoveredRecords.clear();
}

RescuePhase::Hooks RecoveryRun::rescueHooks()
{
    RescuePhase::Hooks hooks;
    hooks.log = [this](const QString& line, bool add) { log(line, add); };
    hooks.progress = [this](const QString& file, qint64 lost, qint64 fileSize) {
        show([file, lost, fileSize](RunView& view) { view.rescueProgress(file, lost, fileSize); });
    };
    hooks.askMediumGone = [this] { return askMediumGone(); };
    hooks.done = [this](const RescuePhase::Item& item, const ByteRangeSet& lost, qint64 recovered) {
        const std::lock_guard lock(m_storeMutex);
        if (m_abandoned)
            return;
        m_counts.totalLostBytes += static_cast<double>(lost.bytes() - item.firstPassLost);
        m_counts.totalCopiedBytes += static_cast<double>(recovered);
        if (item.record < 1 || item.record > m_parts.damage->rowCount())
            return;
        if (lost.isEmpty())
            m_recoveredRecords.push_back(item.record);
        else
            m_parts.damage->updateRanges(item.record, lost.ranges(), item.fileSize);
    };
    return hooks;
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

void RecoveryRun::logEntry(const QString& line, bool add)
{
    show([entry = m_counts.currentFile, line, add](RunView& view) { view.logEntryLine(entry, line, add); });
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

std::pair<RunCounts, std::optional<qint64>> RecoveryRun::abandon()
{
    const std::lock_guard lock(m_storeMutex);
    m_abandoned = true;
    if (m_firstPassOver || m_counts.currentFile > m_lastEntry)
        return {m_counts, std::nullopt};
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
    if (RescuePass::mediumGone(error.systemError))
        return askMediumGone();
    return ask([error](RunView& view) { return int(view.askRetry(error)); }).value_or(0) != 0;
}

bool RecoveryRun::askRetryMissingSource(const QString& file)
{
    // Every file is missing when the whole medium went away: one question for the run.
    if (sourceMediumGone())
        return askMediumGone();
    return ask([file](RunView& view) { return int(view.askRetryMissingSource(file)); }).value_or(0) != 0;
}

// The source medium went away: Retry, or the run stops (no box for every file left).
bool RecoveryRun::askMediumGone()
{
    if (ask([](RunView& view) { return int(view.askMediumGone()); }).value_or(0) != 0)
        return true;
    setAbortAnswer(Abort::Stop);
    return false;
}

bool RecoveryRun::sourceMediumGone()
{
    return !m_parts.files->exists(m_sourcePath);
}

void RecoveryRun::destinationNotOpened(const QString&, const Platform::FileError& error)
{
    ask([systemError = error.systemError](RunView& view) {
        view.destinationNotOpened(systemError);
        return 0;
    });
    count([](RunCounts& c) { c.itemsCount = -1; });
}

void RecoveryRun::fileStarted(qint64 fileSize, qint64 startFrom)
{
    show([fileSize, startFrom](RunView& view) { view.fileStarted(fileSize, startFrom); });
}

void RecoveryRun::blockCopied(qint64 bytes)
{
    m_parts.feed->addMoved(bytes);
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
    const std::lock_guard lock(m_storeMutex);
    if (m_abandoned)
        return true;
    const int before = m_parts.damage->rowCount();
    const int countBefore = m_counts.corruptedFilesCount;
    const bool written = m_parts.damage->RecCorruptedBlocks(
        m_counts.corruptedFilesCount, damage.fileSize, damage.fileAttr, damage.file, damage.file2,
        *damage.corBlock, static_cast<double>(damage.copied), damage.fileDTV);
    const bool added = written && m_parts.damage->rowCount() > before;
    if (written && damage.skipped && m_counts.corruptedFilesCount > countBefore)
        m_parts.damage->markSkipped(m_counts.corruptedFilesCount);
    m_damaged = RescuePhase::Item{damage.file,
                                  damage.file2,
                                  damage.fileSize,
                                  damage.corBlock->rows(),
                                  added ? m_counts.corruptedFilesCount : 0,
                                  m_copier.lostBytes()};
    return written;
}
