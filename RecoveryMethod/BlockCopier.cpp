#include "BlockCopier.h"

#include "DamageRecords.h"
#include "EngineAnswers.h"

#include <QLocale>

#include <algorithm>

using namespace EngineAnswers;

BlockCopier::BlockCopier(CopyHost& host, std::shared_ptr<FileAccess> files)
    : m_host(host)
    , m_files(std::move(files))
    , m_buffer(std::make_shared<QByteArray>())
{
}

BlockCopier::~BlockCopier()
{
    // No host calls here: the host may be going too. Dropping the files closes them.
    m_destination.reset();
    m_source.reset();
}

bool BlockCopier::OpenSourceFile(const QString& file)
{
    m_source.reset();
    // The existence check and the open go to the I/O thread as one call (one hand-over less
    // for every file); a failed open alone is repeated on Retry.
    struct Attempt
    {
        bool exists = false;
        FileAccess::Opened<BlockSource> opened;
    };
    auto attempt = std::make_shared<Attempt>();
    for (;;) {
        if (!run([files = m_files, file, attempt] {
                attempt->exists = files->fileExists(file);
                if (attempt->exists)
                    attempt->opened = files->openSource(file);
            }))
            return false;
        if (attempt->exists)
            break;
        if (!m_host.askRetryMissingSource(file))
            return false;
    }
    for (;;) {
        if (attempt->opened.file) {
            m_source = std::move(attempt->opened.file);
            return true;
        }
        if (!m_host.askRetry(attempt->opened.error))
            return false;
        if (!run([files = m_files, file, attempt] { attempt->opened = files->openSource(file); }))
            return false;
    }
}

int BlockCopier::Copying(const QString& file, const QString& file2, int& minBlockSize, qint64 startFrom)
{
    m_file = file;
    m_file2 = file2;
    m_currentFileBytes = 0;
    m_lost = 0;
    m_corBlock = {};
    if (!m_source)
        return NotFinished;
    m_fileSize = m_source->size();
    m_host.fileStarted(m_fileSize);

    // A fresh copy starts from an empty file, so that skipped gaps read back as zero bytes;
    // a resumed one keeps what the earlier run wrote.
    {
        auto opened = std::make_shared<FileAccess::Opened<BlockDestination>>();
        const bool truncate = startFrom == 0;
        if (!run([files = m_files, file2, truncate, opened] {
                *opened = files->openDestination(file2, truncate);
            })) {
            closeAll();
            return StopRun;
        }
        if (!opened->file) {
            closeAll();
            m_host.destinationNotOpened(file2, opened->error);
            return NotFinished;
        }
        m_destination = std::move(opened->file);
    }

    minBlockSize = static_cast<int>(MinBlockSize);
    startFrom = std::clamp<qint64>(startFrom, 0, m_fileSize);
    qint64 blockSize = std::min(MaxBlockSize, m_fileSize - startFrom);
    qint64 position = startFrom + 1;
    // The bytes before the resume offset were processed by the earlier run.
    m_currentFileBytes = startFrom;
    m_fileDTV = QLocale::system().toString(m_source->lastModified(), QLocale::ShortFormat);
    int lastPercent = 0;

    do {
        m_host.yield();
        float filePercent = 100.0F;
        if (blockSize > 0) {
            qint64 bytesRead = 0;
            const Step read = readBlock(position, blockSize, bytesRead);
            if (read == Step::PastEnd)
                break;
            if (read != Step::Done)
                return endEarly();
            m_host.yield();
            if (writeBlock(position, bytesRead) != Step::Done)
                return endEarly();
            m_currentFileBytes = position + bytesRead - 1;
            m_host.yield();
            filePercent = static_cast<float>(
                100.0 / (static_cast<double>(m_fileSize) / static_cast<double>(m_currentFileBytes)));
        }
        if (static_cast<int>(filePercent) != lastPercent) {
            m_host.percentChanged(progress(blockSize, filePercent));
            lastPercent = static_cast<int>(filePercent);
        }

        position += blockSize;
        if (position + blockSize - 1 < m_fileSize && blockSize != MaxBlockSize)
            blockSize = std::min(blockSize * 2, MaxBlockSize);

        m_host.yield();
        if (m_host.abortAnswer() > Abort::Continue)
            return endEarly();

        // The tail, up to one byte longer than the block, is read as one block.
        if (m_fileSize - position - 1 < blockSize)
            blockSize = m_fileSize - position + 1;
    } while (blockSize > 0 && position <= m_fileSize);

    recordDamage();
    closeAll();
    return Finished;
}

// Reads the block at position. A block the medium cannot deliver is retried at half the size;
// at the minimum size it is given up and the read goes on after it. Any other error asks the user.
BlockCopier::Step BlockCopier::readBlock(qint64& position, qint64& blockSize, qint64& bytesRead)
{
    for (;;) {
        if (m_buffer->size() < blockSize)
            m_buffer->resize(blockSize);
        const auto result = io([source = m_source, buffer = m_buffer, offset = position - 1, blockSize] {
            return source->readAt(offset, buffer->data(), blockSize);
        });
        if (!result)
            return Step::Stopped;
        if (result->ok()) {
            bytesRead = result->bytes;
            return Step::Done;
        }
        const Platform::FileError error = Platform::fileErrorFromErrno(result->error);
        if (error.code != Platform::FileErrorCode::PermissionDenied &&
            error.code != Platform::FileErrorCode::PathFileAccess) {
            if (!m_host.askRetry(error))
                return Step::Cancelled;
            continue;
        }

        m_host.yield();
        m_host.blockUnreadable(progress(blockSize, 0.0F));
        if (blockSize < MinBlockSize)
            blockSize = MinBlockSize;
        else if (blockSize > MinBlockSize)
            blockSize /= 2;
        if (blockSize == MinBlockSize) {
            m_corBlock.giveUp(position, MinBlockSize, m_fileSize);
            // Nothing past the end of the file is lost.
            m_lost += std::min(MinBlockSize, m_fileSize - position + 1);
            position += MinBlockSize;
        }
        m_host.blockAdapted(progress(blockSize, 0.0F));
        if (position > m_fileSize)
            return Step::PastEnd;
        // A run of bad blocks can take long: the user's answer is taken after each of them too.
        if (m_host.abortAnswer() > Abort::Continue)
            return Step::Stopped;
    }
}

// Writes the bytes just read at their own offset; a failure asks Retry/Cancel and a retry
// writes the same block at the same place again.
BlockCopier::Step BlockCopier::writeBlock(qint64 position, qint64 bytes)
{
    for (;;) {
        const auto result = io([destination = m_destination, buffer = m_buffer, offset = position - 1,
                                bytes] { return destination->writeAt(offset, buffer->constData(), bytes); });
        if (!result)
            return Step::Stopped;
        if (result->ok())
            return Step::Done;
        if (!m_host.askRetry(Platform::fileErrorFromErrno(result->error)))
            return Step::Cancelled;
    }
}

// Ends the file before its end: on an answer of the abort dialog or a cancelled error.
int BlockCopier::endEarly()
{
    closeAll();
    const int answer = m_host.abortAnswer();
    const int result = (answer == Abort::Pause || answer == Abort::Stop) ? StopRun : NotFinished;
    if (answer == Abort::SkipFile)
        m_host.setAbortAnswer(Abort::Continue); // the skip is done; the next file goes on
    recordDamage();
    return result;
}

void BlockCopier::recordDamage()
{
    m_host.recordDamage(FileDamage{m_fileSize, DamageRecords::BinaryAccessMode, m_file, m_file2, &m_corBlock,
                                   m_currentFileBytes, m_fileDTV});
}

void BlockCopier::closeAll()
{
    if (m_destination) {
        auto destination = std::move(m_destination);
        run([destination] { destination->close(); });
    }
    m_source.reset();
}

CopyProgress BlockCopier::progress(qint64 blockSize, float filePercent) const
{
    return CopyProgress{m_currentFileBytes, m_fileSize, m_lost, blockSize, filePercent};
}

std::optional<IoResult> BlockCopier::io(std::function<IoResult()> call)
{
    auto result = std::make_shared<IoResult>();
    if (!run([call = std::move(call), result] { *result = call(); }))
        return std::nullopt;
    return *result;
}

bool BlockCopier::run(const std::function<void()>& call)
{
    if (m_host.runIo(call))
        return true;
    // The program is quitting while a call still waits in the kernel: end the run.
    m_host.setAbortAnswer(Abort::Stop);
    return false;
}
