#include "RecoveryMethod/BlockCopier.h"

#include "RecoveryMethod/DamageRecords.h"
#include "RecoveryMethod/EngineAnswers.h"

#include <QLocale>

#include <algorithm>

using namespace EngineAnswers;

BlockCopier::BlockCopier(CopyHost& host, std::shared_ptr<FileAccess> files)
    : m_host(host)
    , m_files(std::move(files))
{
}

bool BlockCopier::OpenSourceFile(const QString& file, const QString& destination)
{
    closeAll();
    m_destinationExists = false;
    while (!m_files->fileExists(file)) {
        if (!m_host.askRetryMissingSource(file))
            return false;
    }
    for (;;) {
        FileAccess::Opened<BlockSource> opened = m_files->openSource(file);
        if (opened.file) {
            m_source = std::move(opened.file);
            m_destinationExists = !destination.isEmpty() && m_files->exists(destination);
            return true;
        }
        if (!m_host.askRetry(Platform::onFile(opened.error, Platform::FileError::Side::Source, file)))
            return false;
    }
}

int BlockCopier::Copying(const QString& file, const QString& file2, int& minBlockSize, qint64 startFrom)
{
    m_file = file;
    m_file2 = file2;
    reached(0);
    m_lost = 0;
    m_giveUpsInARow = 0;
    m_sourceChanged = false;
    m_corBlock = {};
    if (!m_source)
        return NotFinished;
    m_fileSize = m_source->size();

    minBlockSize = static_cast<int>(MinBlockSize);
    startFrom = std::clamp<qint64>(startFrom, 0, m_fileSize);
    m_host.fileStarted(m_fileSize, startFrom);
    qint64 blockSize = std::min(MaxBlockSize, m_fileSize - startFrom);
    qint64 position = startFrom + 1;
    // The bytes before the resume offset were processed by the earlier run.
    reached(startFrom);
    m_fileModified = m_source->lastModified();
    // A fresh copy starts from an empty file, so that skipped gaps read back as zero bytes; a
    // resumed one keeps what the earlier run wrote.
    if (!m_host.holdWhileAsked())
        return endEarly();
    if (!openDestination(file2, startFrom == 0))
        return NotFinished;

    int lastPercent = 0;
    do {
        float filePercent = 100.0F;
        if (blockSize > 0) {
            qint64 bytesRead = 0;
            const Step read = readBlock(position, blockSize, bytesRead);
            if (read == Step::PastEnd)
                break;
            if (read != Step::Done || writeBlock(position, bytesRead) != Step::Done)
                return endEarly();
            reached(position + bytesRead - 1);
            m_host.blockCopied(bytesRead);
            if (bytesRead < blockSize) {
                // The file ended before the size it had when it was opened: it changed.
                m_sourceChanged = true;
                closeAll();
                recordDamage();
                return NotFinished;
            }
            filePercent = percentOf(CurrentFileBytes(), m_fileSize);
        }
        if (static_cast<int>(filePercent) != lastPercent) {
            m_host.percentChanged(progress(blockSize, filePercent));
            lastPercent = static_cast<int>(filePercent);
        }
        advance(position, blockSize, m_fileSize);
        if (answeredToStop())
            return endEarly();
    } while (blockSize > 0 && position <= m_fileSize);

    recordDamage();
    closeAll();
    return Finished;
}

// Opens the copy; when it cannot be opened, the host is told and the file ends.
bool BlockCopier::openDestination(const QString& file2, bool truncate)
{
    FileAccess::Opened<BlockDestination> opened = m_files->openDestination(file2, truncate);
    if (!opened.file) {
        closeAll();
        m_host.destinationNotOpened(file2, opened.error);
        return false;
    }
    m_destination = std::move(opened.file);
    return true;
}

// The position and size of the block after a good one: the size doubles back towards the largest,
// and the tail, up to one byte longer than the block, is read as one block.
void BlockCopier::advance(qint64& position, qint64& blockSize, qint64 fileSize)
{
    position += blockSize;
    if (position + blockSize - 1 < fileSize && blockSize != MaxBlockSize)
        blockSize = std::min(blockSize * 2, MaxBlockSize);
    if (fileSize - position - 1 < blockSize)
        blockSize = fileSize - position + 1;
}

float BlockCopier::percentOf(qint64 copied, qint64 fileSize)
{
    return static_cast<float>(100.0 / (static_cast<double>(fileSize) / static_cast<double>(copied)));
}

// Reads the block at position. A block the medium cannot deliver is retried at half the size;
// at the minimum size it is given up and the read goes on after it. Any other error asks the user.
BlockCopier::Step BlockCopier::readBlock(qint64& position, qint64& blockSize, qint64& bytesRead)
{
    for (;;) {
        if (!m_host.holdWhileAsked())
            return Step::Stopped;
        if (m_buffer.size() < blockSize)
            m_buffer.resize(blockSize);
        const IoResult result = m_source->readAt(position - 1, m_buffer.data(), blockSize);
        if (result.ok()) {
            m_giveUpsInARow = 0;
            bytesRead = result.bytes;
            return Step::Done;
        }
        const Platform::FileError error = Platform::fileErrorFromErrno(result.error);
        if (error.code != Platform::FileErrorCode::PermissionDenied &&
            error.code != Platform::FileErrorCode::PathFileAccess) {
            if (!m_host.askRetry(Platform::onFile(error, Platform::FileError::Side::Source, m_file)))
                return Step::Cancelled;
            continue;
        }

        m_host.blockUnreadable(progress(blockSize, 0.0F));
        if (blockSize < MinBlockSize)
            blockSize = MinBlockSize;
        else if (blockSize > MinBlockSize)
            blockSize /= 2;
        if (blockSize == MinBlockSize) {
            // In a long bad area every further give-up skips twice as much as the one before, from
            // the third on, up to MaxSkip; the rescue phase trims the area back from its far edge.
            ++m_giveUpsInARow;
            const qint64 skip = std::min(MinBlockSize << std::clamp(m_giveUpsInARow - 2, 0, 16), MaxSkip);
            m_corBlock.giveUp(position, skip, m_fileSize);
            // Nothing past the end of the file is lost.
            m_lost += std::min(skip, m_fileSize - position + 1);
            position += skip;
        }
        m_host.blockAdapted(progress(blockSize, 0.0F));
        if (position > m_fileSize)
            return Step::PastEnd;
        // A run of bad blocks can take long: the user's answer is taken after each of them too.
        if (answeredToStop())
            return Step::Stopped;
    }
}

// Writes the bytes just read at their own offset; a failure asks Retry/Cancel and a retry
// writes the same block at the same place again. A block read while the abort dialog opened is
// written once it is closed, before its answer is acted on.
BlockCopier::Step BlockCopier::writeBlock(qint64 position, qint64 bytes)
{
    for (;;) {
        if (!m_host.holdWhileAsked())
            return Step::Stopped;
        const IoResult result = m_destination->writeAt(position - 1, m_buffer.constData(), bytes);
        if (result.ok())
            return Step::Done;
        if (!m_host.askRetry(Platform::onFile(Platform::fileErrorFromErrno(result.error),
                                              Platform::FileError::Side::Destination, m_file2)))
            return Step::Cancelled;
    }
}

// Whether the abort dialog's answer (or the program quitting) ends the file; a dialog still open
// is waited for.
bool BlockCopier::answeredToStop()
{
    return !m_host.holdWhileAsked() || m_host.abortAnswer() > Abort::Continue;
}

// Ends the file before its end: on an answer of the abort dialog or a cancelled error.
int BlockCopier::endEarly()
{
    closeAll();
    const int answer = m_host.abortAnswer();
    const int result = (answer == Abort::Pause || answer == Abort::Stop) ? StopRun : NotFinished;
    const bool skipped = answer == Abort::SkipFile;
    if (skipped)
        m_host.setAbortAnswer(Abort::Continue); // the skip is done; the next file goes on
    recordDamage(skipped);
    return result;
}

void BlockCopier::recordDamage(bool skipped)
{
    // Only a file that is not whole gets a record with the source's date; formatting the date in
    // local time for every file of a job of small files took a good share of its time.
    const QString modified =
        DamageRecords::isWhole(m_corBlock, m_fileSize, static_cast<double>(CurrentFileBytes()))
            ? QString()
            : QLocale::system().toString(m_fileModified.toLocalTime(), QLocale::ShortFormat);
    m_host.recordDamage(FileDamage{m_fileSize, DamageRecords::BinaryAccessMode, m_file, m_file2, &m_corBlock,
                                   CurrentFileBytes(), modified, skipped});
}

void BlockCopier::closeAll()
{
    if (m_destination) {
        m_destination->close();
        m_destination.reset();
    }
    m_source.reset();
}

CopyProgress BlockCopier::progress(qint64 blockSize, float filePercent) const
{
    return CopyProgress{CurrentFileBytes(), m_fileSize, m_lost, blockSize, filePercent};
}
