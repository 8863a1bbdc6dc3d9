#pragma once

#include "BlockFiles.h"
#include "ByteRange.h"
#include "ByteRangeSet.h"
#include "RescueFile.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

// One damaged file of an earlier run: where it was read from, its copy, and what stayed unread.
struct RefreshFile
{
    QString source;
    QString copy;
    qint64 size = 0;       // the source's size in that run
    QList<ByteRange> lost; // 1-based, both ends included

    bool operator==(const RefreshFile&) const = default;
};

// A later attempt at what an earlier run could not read: for each of its damaged files, only the
// lost ranges are read again, sector by sector, every sector of them tried once (the middles of
// large bad areas too), and what reads is written into the existing copy at its own offset. Nothing
// outside the lost ranges is written and no copy is made shorter. A copy that is missing, or that
// was changed after the run (another size, or modified later), is left alone, and so is a source
// that no longer has the size it had.
//
// run() blocks; call it on a thread of its own. stop() and the progress getters may be called from
// any thread while it runs; files() and results() are for after it returned.
class RefreshRun
{
public:
    enum class FileOutcome
    {
        NotReached,    // the run ended before this file
        Read,          // every lost sector was tried
        Stopped,       // stopped inside this file: what was not tried is still lost
        CopyMissing,   // left alone
        CopyChanged,   // left alone: another size, or modified after the run
        SourceChanged, // left alone: the source's size is not the size the ranges were found in
        SourceFailed,  // the source could not be opened (error); the copy was not touched
        CopyFailed,    // the copy could not be examined, opened or written (error)
        MediumGone,    // the medium went away while this file was read
    };
    enum class Outcome
    {
        Finished,
        Stopped,
        MediumGone, // the files after the one it happened in were not tried
    };

    struct FileResult
    {
        FileOutcome outcome = FileOutcome::NotReached;
        ByteRangeSet lost; // still unread: the earlier loss when the file was not read
        qint64 recovered = 0;
        int error = 0;

        // The copy was not written because it or its source is not what the run left.
        bool leftAlone() const
        {
            return outcome == FileOutcome::CopyMissing || outcome == FileOutcome::CopyChanged ||
                   outcome == FileOutcome::SourceChanged;
        }
    };

    // A copy is taken as changed when it was modified later than this after the run's end: the
    // clocks of the file system and of the run differ by less (FAT keeps times to 2 seconds).
    static constexpr qint64 ClockSlackMs = 2000;

    // runEnded: when the earlier run ended; an invalid time means it is not known, and then no copy
    // can be shown to be unchanged, so every copy is left alone.
    RefreshRun(std::shared_ptr<FileAccess> files, QList<RefreshFile> damaged, QDateTime runEnded);

    Outcome run();
    void stop() { m_stop = true; }

    // Progress while it runs, from any thread.
    int currentFile() const { return m_current.load(); } // index into files(), -1 before the first
    qint64 lostBytes() const { return m_lostBytes.load(); }
    qint64 recoveredBytes() const { return m_counts->bytesRecovered.load(); }
    const RescueCounts& counts() const { return *m_counts; }

    const QList<RefreshFile>& files() const { return m_files; }
    const QList<FileResult>& results() const { return m_results; }
    qint64 totalLostBefore() const { return m_lostBefore; }

    enum class CopyState
    {
        Unchanged,
        Missing,
        Changed,
        Unreadable, // it could not be examined; the errno is returned with it
    };
    // Whether the copy is still what the run left: the source's size (or shorter by a lost tail
    // only, as older runs left copies) and not modified after runEnded.
    static CopyState copyState(const RefreshFile& file, const QDateTime& runEnded, int* error = nullptr);

    // The ranges of a range list (" 1 - 8192, 16385 - 24576,"); nullopt when it is not one.
    static std::optional<QList<ByteRange>> rangesOf(const QString& rangeList);

private:
    FileResult refresh(int index);

    std::shared_ptr<FileAccess> m_access;
    QList<RefreshFile> m_files;
    QDateTime m_runEnded;
    QList<FileResult> m_results;
    std::shared_ptr<RescueCounts> m_counts = std::make_shared<RescueCounts>();
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_current{-1};
    std::atomic<qint64> m_lostBytes{0};
    qint64 m_lostBefore = 0;
    qint64 m_settled = 0; // what is lost after the files done so far; the run's thread only
};
