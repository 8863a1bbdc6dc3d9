#pragma once

#include "BlockFiles.h"
#include "CopyHost.h"
#include "CorBlockTable.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class HostLink;

// Copies one file from a damaged source block by block. Blocks start at 64 KiB; a block that
// cannot be read is retried at half the size down to 8 KiB, and an unreadable 8 KiB block is
// given up: recorded as damaged and skipped, never written. After each good block the size
// doubles again. Only blocks that were read are written, each at its own offset, so a skipped
// gap reads back as zero bytes and a given-up end leaves the copy shorter.
//
// Healthy blocks are copied in stretches: the I/O thread reads and writes one block after another
// in one call while the window's thread handles its events, up to the next whole percent of the
// file. A stretch stops after the block in progress when the host asks it to hold (the abort
// dialog is open or its answer waits), at the first failed call, and at the end of the file; the
// copier then goes on block by block exactly as it would have.
class BlockCopier
{
public:
    // Results of Copying.
    static constexpr int Finished = 1;    // the end of the file was reached
    static constexpr int NotFinished = 0; // skipped, cancelled after an error, or no destination
    static constexpr int StopRun = -1;    // the user asked to pause or abort the run

    static constexpr qint64 MinBlockSize = 8192;             // a block that fails at this size is given up
    static constexpr qint64 MaxBlockSize = MinBlockSize * 8; // blocks grow back to this size

    BlockCopier(CopyHost& host, std::shared_ptr<FileAccess> files);
    ~BlockCopier();

    // Opens the source; asks Retry/Cancel while it is missing or cannot be opened. True when it
    // is open, false when the user cancelled. When a destination is given, whether it exists is
    // seen in the same call (destinationExists()).
    bool OpenSourceFile(const QString& file, const QString& destination = {});
    bool destinationExists() const { return m_destinationExists; }

    // Starts OpenSourceFile's first try on the I/O thread while the control finishes the file
    // before; OpenSourceFile of the same file and destination takes its result. Nothing is read.
    // When the source opens and the destination does not exist, the destination is created then
    // (as the copy would create it first thing), and Copying writes to it.
    void openSoon(const QString& file, const QString& destination);
    // Forgets a try started by openSoon and not taken; false when the program is quitting.
    bool dropSoon();

    // Copies the open source to file2 from byte startFrom + 1. minBlockSize is set to the size
    // the copier uses. Closes both files before it returns.
    int Copying(const QString& file, const QString& file2, int& minBlockSize, qint64 startFrom);

    // Closes the source and the destination.
    void closeAll();

    // The byte position reached in the current (or last) file: the end of the last block copied.
    qint64 CurrentFileBytes() const { return m_currentFileBytes; }
    // The current (or last) file ended before the size it had when it was opened.
    bool sourceChanged() const { return m_sourceChanged; }
    // Bytes given up in the current (or last) file.
    qint64 lostBytes() const { return m_lost; }
    const CorBlockTable& corBlock() const { return m_corBlock; }

private:
    enum class Step
    {
        Done,      // the call succeeded
        PastEnd,   // the rest of the file was given up
        Cancelled, // the user chose Cancel on an error
        Stopped,   // an answer of the abort dialog ends the file (or the program is quitting)
    };

    // What one stretch of blocks did on the I/O thread.
    struct Stretch
    {
        qint64 position = 0;  // the next block, or the block the stretch stopped inside
        qint64 blockSize = 0; // its size
        qint64 blocks = 0;    // blocks read and written
        qint64 copiedEnd = 0; // the end of the last of them (1-based)
        qint64 lastBlockSize = 0;
        float percent = 0;                   // the file's percentage after the last of them
        std::optional<IoResult> failedRead;  // the read of the block at position failed
        std::optional<qint64> unwritten;     // the block at position was read (this many bytes), not written
        std::optional<IoResult> failedWrite; // and its write failed
        bool closed = false;                 // the file's last block was written and the copy closed
        std::shared_ptr<BlockDestination> opened;      // the copy, when this stretch opened it
        std::optional<Platform::FileError> openFailed; // or why it could not be opened
    };
    // The copy a file's first stretch opens.
    struct Destination
    {
        QString path;
        bool truncate = false;
    };
    struct Attempt
    {
        QString file;
        QString destination;
        bool createCopy = false; // create the destination when the source opened and it does not exist
        bool exists = false;
        bool destinationExists = false;
        FileAccess::Opened<BlockSource> opened;
        std::shared_ptr<BlockDestination> created;
        void make(FileAccess& files, bool checkExists);
    };

    std::optional<Stretch> copyStretch(qint64 position, qint64 blockSize, int lastPercent);
    bool destinationOpened(std::shared_ptr<BlockDestination> file, const Platform::FileError& error);
    Step readBlock(qint64& position, qint64& blockSize, qint64& bytesRead, std::optional<IoResult> first);
    Step writeBlock(qint64 position, qint64 bytes, std::optional<IoResult> first);
    static float percentOf(qint64 copied, qint64 fileSize);
    static void advance(qint64& position, qint64& blockSize, qint64 fileSize);
    int endEarly();
    void recordDamage();
    CopyProgress progress(qint64 blockSize, float filePercent) const;
    std::optional<IoResult> io(std::function<IoResult()> call);
    bool run(const std::function<void()>& call);

    CopyHost& m_host;
    std::shared_ptr<FileAccess> m_files;
    std::shared_ptr<BlockSource> m_source;           // file slot 1
    std::shared_ptr<BlockDestination> m_destination; // file slot 2
    std::shared_ptr<QByteArray> m_buffer;            // one block
    std::shared_ptr<HostLink> m_link;                // the host as a stretch on the I/O thread sees it
    bool m_destinationExists = false;
    std::shared_ptr<Attempt> m_soon;             // started by openSoon
    std::shared_ptr<BlockDestination> m_created; // the new, empty destination of m_createdPath
    QString m_createdPath;
    std::optional<Destination> m_openDestination; // to be opened by the next stretch

    QString m_file;
    QString m_file2;
    QString m_fileDTV;
    qint64 m_fileSize = 0;
    qint64 m_currentFileBytes = 0;
    qint64 m_lost = 0;
    int m_giveUpsInARow = 0; // blocks given up since the last good read
    bool m_sourceChanged = false;
    CorBlockTable m_corBlock;
};
