#pragma once

#include "BlockFiles.h"
#include "CopyHost.h"
#include "CorBlockTable.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

// Copies one file from a damaged source block by block. Blocks start at 64 KiB; a block that
// cannot be read is retried at half the size down to 8 KiB, and an unreadable 8 KiB block is
// given up: recorded as damaged and skipped, never written. After each good block the size
// doubles again. Only blocks that were read are written, each at its own offset, so a skipped
// gap reads back as zero bytes and a given-up end leaves the copy shorter.
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
    // is open, false when the user cancelled.
    bool OpenSourceFile(const QString& file);

    // Copies the open source to file2 from byte startFrom + 1. minBlockSize is set to the size
    // the copier uses. Closes both files before it returns.
    int Copying(const QString& file, const QString& file2, int& minBlockSize, qint64 startFrom);

    // Closes the source and the destination.
    void closeAll();

    // The byte position reached in the current (or last) file: the end of the last block copied.
    qint64 CurrentFileBytes() const { return m_currentFileBytes; }
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

    Step readBlock(qint64& position, qint64& blockSize, qint64& bytesRead);
    Step writeBlock(qint64 position, qint64 bytes);
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

    QString m_file;
    QString m_file2;
    QString m_fileDTV;
    qint64 m_fileSize = 0;
    qint64 m_currentFileBytes = 0;
    qint64 m_lost = 0;
    CorBlockTable m_corBlock;
};
