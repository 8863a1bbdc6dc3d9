#pragma once

#include "RecoveryMethod/BlockCopier.h"
#include "RecoveryMethod/CopyHost.h"
#include "RecoveryMethod/RescuePhase.h"
#include "RecoveryMethod/RunView.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class DamageRecords;
class PromptBridge;
class RecoveryJob;
class RunFeed;

// The counters of a run, read by the host when it has ended.
struct RunCounts
{
    int currentFile = 0;
    int itemsCount = 0; // -1 once the destination could not be opened
    int itemsNotCopied = 0;
    int itemsFolders = 0;
    int corruptedFilesCount = 0; // goes on from the host's count
    double totalCopiedBytes = 0;
    double totalLostBytes = 0;
};

// One run of a job. The first pass goes from the first entry to the last: creates the folders,
// checks what exists, opens and copies each file with the block copier, writes the damage records
// and the results of each entry. When it went through, the rescue phase reads the given-up ranges
// of the damaged files again (RescuePhase) and brings their records up to date. Plain code on the
// thread that calls run(), without widgets: what it shows goes to the feed, what it asks goes
// through the bridge.
//
// When the program quits while a read hangs in the kernel, the window's thread abandons the run:
// from then on the run stores nothing in the job or the damage records (the window's thread
// writes the resume point itself) and ends at its next step.
class RecoveryRun : private CopyHost
{
public:
    struct Parts
    {
        std::shared_ptr<RecoveryJob> job;
        std::shared_ptr<DamageRecords> damage;
        std::shared_ptr<FileAccess> files;
        std::shared_ptr<PromptBridge> bridge;
        std::shared_ptr<RunFeed> feed;
        std::shared_ptr<RescueCounts> rescueCounts; // the reads of the rescue phase
        RunView* view = nullptr;                    // only touched by steps run on the window's thread
    };

    RecoveryRun(Parts parts, QString sourcePath, QString destinationPath, RunCounts counts);

    // The entry loop; returns when the run has ended.
    void run();

    // The window's thread lets go of a run whose read hangs (see above). Returns the counters
    // and the byte position reached in the current entry; nullopt once the first pass is over
    // (every entry has its result then).
    std::pair<RunCounts, std::optional<qint64>> abandon();
    // The counters once run() has returned.
    RunCounts counts() const;

    // Every file copied to its end with given-up ranges, in job order: what the rescue phase reads
    // again (valid on the run's thread, or once it ended).
    const std::vector<RescuePhase::Item>& givenUp() const { return m_rescue.items(); }

private:
    enum class LoopEnd
    {
        Ended,     // every entry was processed, or the run cannot go on
        Stopped,   // paused or aborted at the current entry
        Abandoned, // the window's thread let go of the run
    };

    enum class EntryEnd
    {
        Next,      // go on with the next entry
        LeaveLoop, // the run ends after this entry
        StopRun,   // the copy asked to pause or abort
    };

    LoopEnd copyEntries();
    EntryEnd processFolder(const QString& entry);
    EntryEnd processFile(const QString& entry);
    int copyFile(const QString& entry, const QString& destination, qint64 startFrom);
    QString resultText(int result, const QString& done) const;
    void rescueDamagedFiles();
    RescuePhase::Hooks rescueHooks();
    void stopAtCurrentEntry();
    void clearEntriesAfterCurrent();
    QString destinationOf(const QString& path) const;

    // Steps of the run shown on the window's thread, in order.
    void show(std::function<void(RunView&)> step);
    void log(const QString& line, bool add);
    // A line about the current entry: LogModel::EntryMark in `line` stands for its path.
    void logEntry(const QString& line, bool add);
    // A question on the window's thread; nullopt once the run is abandoned.
    std::optional<int> ask(std::function<int(RunView&)> question);
    bool askMediumGone();
    bool sourceMediumGone();
    // Stores an entry's results unless the run was abandoned.
    void storeResult(int index, qint64 copied, bool done, qint64 startPosition);
    // Changes the counters under the store lock, so that abandon() reads a consistent set.
    void count(const std::function<void(RunCounts&)>& change);
    RunPosition position() const;

    // CopyHost
    bool holdWhileAsked() override;
    int abortAnswer() const override;
    void setAbortAnswer(int answer) override;
    bool askRetry(const Platform::FileError& error) override;
    bool askRetryMissingSource(const QString& file) override;
    void destinationNotOpened(const QString& file2, const Platform::FileError& error) override;
    void fileStarted(qint64 fileSize, qint64 startFrom) override;
    void blockCopied(qint64 bytes) override;
    void percentChanged(const CopyProgress& progress) override;
    void blockUnreadable(const CopyProgress& progress) override;
    void blockAdapted(const CopyProgress& progress) override;
    bool recordDamage(const FileDamage& damage) override;

    Parts m_parts;
    const QString m_sourcePath;
    const QString m_destinationPath;
    BlockCopier m_copier;
    RescuePhase m_rescue;

    mutable std::mutex m_storeMutex; // the job's results, the damage records, m_counts
    bool m_abandoned = false;
    bool m_firstPassOver = false;
    RunCounts m_counts;                         // written by the run only; read by others under the lock
    double m_currentFileBytes = 0;              // bytes reached in the current entry
    double m_entryBytesRead = 0;                // bytes of the current entry read from the medium
    int m_lastEntry = 0;                        // the last entry this run goes to
    std::optional<RescuePhase::Item> m_damaged; // the damage of the file just copied
    std::vector<int> m_recoveredRecords;        // records of files the rescue brought back whole
};
