#pragma once

#include "BlockFiles.h"
#include "CopyHost.h"
#include "CorBlockTable.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <atomic>
#include <memory>

// Copies one file from a damaged source block by block, on the thread that calls it. Blocks
// start at 64 KiB; a block that cannot be read is retried at half the size down to 8 KiB, and an
// unreadable 8 KiB block is given up: recorded as damaged and skipped, never written. After each
// good block the size doubles again. Only blocks that were read are written, each at its own
// offset, so a skipped gap reads back as zero bytes and a given-up end leaves the copy shorter.
// The user's answer is taken after each block; while a question is open nothing is read or
// written.
class BlockCopier
{
public:
    // Results of Copying.
    static constexpr int Finished = 1;    // the end of the file was reached
    static constexpr int NotFinished = 0; // skipped, cancelled after an error, or no destination
    static constexpr int StopRun = -1;    // the user asked to pause or abort the run

    static constexpr qint64 MinBlockSize = 8192;             // a block that fails at this size is given up
    static constexpr qint64 MaxBlockSize = MinBlockSize * 8; // blocks grow back to this size
    // The longest skip over a bad area: the rescue phase reads back over what a skip passed of
    // the good data after the area, one sector at a time.
    static constexpr qint64 MaxSkip = MinBlockSize * 32;

    BlockCopier(CopyHost& host, std::shared_ptr<FileAccess> files);

    // Opens the source; asks Retry/Cancel while it is missing or cannot be opened. True when it
    // is open, false when the user cancelled. When a destination is given, whether it exists is
    // seen too (destinationExists()).
    bool OpenSourceFile(const QString& file, const QString& destination = {});
    bool destinationExists() const { return m_destinationExists; }

    // Copies the open source to file2 from byte startFrom + 1. minBlockSize is set to the size
    // the copier uses. Closes both files before it returns.
    int Copying(const QString& file, const QString& file2, int& minBlockSize, qint64 startFrom);

    // Closes the source and the destination.
    void closeAll();

    // The byte position reached in the current (or last) file: the end of the last block copied.
    // Safe to read on any thread (the run's resume point when the program quits during a read).
    qint64 CurrentFileBytes() const { return m_currentFileBytes.load(std::memory_order_relaxed); }
    // The current (or last) file ended before the size it had when it was opened.
    bool sourceChanged() const { return m_sourceChanged; }
    // Bytes given up in the current (or last) file.
    qint64 lostBytes() const { return m_lost; }
    // The ranges given up in the current (or last) file, in the order they were given up.
    const CorBlockTable& corBlock() const { return m_corBlock; }

private:
    enum class Step
    {
        Done,      // the call succeeded
        PastEnd,   // the rest of the file was given up
        Cancelled, // the user chose Cancel on an error
        Stopped,   // an answer of the abort dialog ends the file (or the program is quitting)
    };

    bool openDestination(const QString& file2, bool truncate);
    Step readBlock(qint64& position, qint64& blockSize, qint64& bytesRead);
    Step writeBlock(qint64 position, qint64 bytes);
    static float percentOf(qint64 copied, qint64 fileSize);
    static void advance(qint64& position, qint64& blockSize, qint64 fileSize);
    bool answeredToStop();
    int endEarly();
    void recordDamage(bool skipped = false);
    CopyProgress progress(qint64 blockSize, float filePercent) const;
    void reached(qint64 position) { m_currentFileBytes.store(position, std::memory_order_relaxed); }

    CopyHost& m_host;
    std::shared_ptr<FileAccess> m_files;
    std::unique_ptr<BlockSource> m_source;           // file slot 1
    std::unique_ptr<BlockDestination> m_destination; // file slot 2
    QByteArray m_buffer;                             // one block
    bool m_destinationExists = false;

    QString m_file;
    QString m_file2;
    QDateTime m_fileModified;
    qint64 m_fileSize = 0;
    std::atomic<qint64> m_currentFileBytes = 0;
    qint64 m_lost = 0;
    int m_giveUpsInARow = 0; // blocks given up since the last good read
    bool m_sourceChanged = false;
    CorBlockTable m_corBlock;
};
