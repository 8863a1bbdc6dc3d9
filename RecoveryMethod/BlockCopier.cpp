#include "BlockCopier.h"

#include "HostLink.h"

#include "DamageRecords.h"
#include "EngineAnswers.h"

#include <QLocale>

#include <algorithm>
#include <mutex>

using namespace EngineAnswers;

BlockCopier::BlockCopier(CopyHost& host, std::shared_ptr<FileAccess> files)
    : m_host(host)
    , m_files(std::move(files))
    , m_buffer(std::make_shared<QByteArray>())
    , m_link(std::make_shared<HostLink>())
{
    m_link->attach(&m_host);
}

BlockCopier::~BlockCopier()
{
    // No host calls here: the host may be going too. Dropping the files closes them.
    m_link->release();
    m_destination.reset();
    m_source.reset();
}

// One try at a source: whether it exists, opening it, and whether its destination exists. Runs
// on the I/O thread.
void BlockCopier::Attempt::make(FileAccess& files, bool checkExists)
{
    if (checkExists)
        exists = files.fileExists(file);
    if (exists)
        opened = files.openSource(file);
    if (!opened.file || destination.isEmpty())
        return;
    if (createCopy) {
        // A copy just created did not exist; when it could not be created, the copy opens it
        // again in its turn and reports why.
        created = files.createDestination(destination).file;
        destinationExists = !created && files.exists(destination);
    } else {
        destinationExists = files.exists(destination);
    }
}

void BlockCopier::openSoon(const QString& file, const QString& destination)
{
    dropSoon();
    auto attempt = std::make_shared<Attempt>();
    attempt->file = file;
    attempt->destination = destination;
    attempt->createCopy = true;
    if (m_host.startIo([files = m_files, attempt] { attempt->make(*files, true); }))
        m_soon = std::move(attempt);
}

bool BlockCopier::dropSoon()
{
    if (!m_soon)
        return true;
    m_soon.reset();
    return m_host.waitIo();
}

bool BlockCopier::OpenSourceFile(const QString& file, const QString& destination)
{
    m_source.reset();
    m_destinationExists = false;
    m_created.reset();
    // The existence checks and the open go to the I/O thread as one call (fewer hand-overs for
    // every file), which may have been started while the previous file was being finished; a
    // failed open alone is repeated on Retry.
    std::shared_ptr<Attempt> attempt;
    if (m_soon && m_soon->file == file && m_soon->destination == destination) {
        attempt = std::exchange(m_soon, nullptr);
        if (!m_host.waitIo()) {
            m_host.setAbortAnswer(Abort::Stop);
            return false;
        }
    } else {
        if (!dropSoon()) {
            m_host.setAbortAnswer(Abort::Stop);
            return false;
        }
        attempt = std::make_shared<Attempt>();
        attempt->file = file;
        attempt->destination = destination;
        if (!run([files = m_files, attempt] { attempt->make(*files, true); }))
            return false;
    }
    while (!attempt->exists) {
        if (!m_host.askRetryMissingSource(file))
            return false;
        if (!run([files = m_files, attempt] { attempt->make(*files, true); }))
            return false;
    }
    for (;;) {
        if (attempt->opened.file) {
            m_source = std::move(attempt->opened.file);
            m_destinationExists = attempt->destinationExists;
            m_created = std::move(attempt->created);
            m_createdPath = destination;
            return true;
        }
        if (!m_host.askRetry(attempt->opened.error))
            return false;
        if (!run([files = m_files, attempt] { attempt->make(*files, false); }))
            return false;
    }
}

int BlockCopier::Copying(const QString& file, const QString& file2, int& minBlockSize, qint64 startFrom)
{
    m_file = file;
    m_file2 = file2;
    m_currentFileBytes = 0;
    m_lost = 0;
    m_giveUpsInARow = 0;
    m_sourceChanged = false;
    m_corBlock = {};
    if (!m_source)
        return NotFinished;
    m_fileSize = m_source->size();
    m_host.fileStarted(m_fileSize);

    minBlockSize = static_cast<int>(MinBlockSize);
    startFrom = std::clamp<qint64>(startFrom, 0, m_fileSize);
    qint64 blockSize = std::min(MaxBlockSize, m_fileSize - startFrom);
    qint64 position = startFrom + 1;
    // The bytes before the resume offset were processed by the earlier run.
    m_currentFileBytes = startFrom;
    m_fileDTV = QLocale::system().toString(m_source->lastModified(), QLocale::ShortFormat);
    // A fresh copy starts from an empty file, so that skipped gaps read back as zero bytes; a
    // resumed one keeps what the earlier run wrote. The first stretch opens it on its way; an
    // empty file has no stretch.
    const Destination copy{file2, startFrom == 0};
    auto created = std::exchange(m_created, nullptr);
    if (created && m_createdPath == file2) {
        m_destination = std::move(created); // new and empty: as either open leaves it
    } else if (blockSize > 0) {
        m_openDestination = copy;
    } else {
        auto opened = std::make_shared<FileAccess::Opened<BlockDestination>>();
        if (!run([files = m_files, copy, opened] {
                *opened = files->openDestination(copy.path, copy.truncate);
            })) {
            closeAll();
            return StopRun;
        }
        if (!destinationOpened(std::move(opened->file), opened->error))
            return NotFinished;
    }
    int lastPercent = 0;

    do {
        m_host.yield();
        float filePercent = 100.0F;
        qint64 copiedBlockSize = blockSize;
        bool advanced = false; // position and blockSize already point at the next block
        if (blockSize > 0) {
            std::optional<Stretch> stretch = copyStretch(position, blockSize, lastPercent);
            if (!stretch)
                return endEarly();
            if (stretch->openFailed && !destinationOpened(nullptr, *stretch->openFailed))
                return NotFinished;
            if (stretch->opened)
                m_destination = std::move(stretch->opened);
            if (stretch->blocks > 0)
                m_currentFileBytes = stretch->copiedEnd;
            if (stretch->closed)
                m_destination.reset();
            position = stretch->position;
            blockSize = stretch->blockSize;
            if (stretch->failedRead || stretch->unwritten) {
                // The stretch stopped inside a block; it is finished here, step by step.
                qint64 bytesRead = stretch->unwritten.value_or(0);
                if (!stretch->unwritten) {
                    const Step read = readBlock(position, blockSize, bytesRead, stretch->failedRead);
                    if (read == Step::PastEnd)
                        break;
                    if (read != Step::Done)
                        return endEarly();
                }
                m_host.yield();
                if (writeBlock(position, bytesRead, stretch->failedWrite) != Step::Done)
                    return endEarly();
                m_currentFileBytes = position + bytesRead - 1;
                if (bytesRead < blockSize) {
                    // The file ended before the size it had when it was opened: it changed.
                    m_sourceChanged = true;
                    closeAll();
                    recordDamage();
                    return NotFinished;
                }
                m_host.yield();
                filePercent = percentOf(m_currentFileBytes, m_fileSize);
                copiedBlockSize = blockSize;
            } else {
                filePercent = stretch->percent;
                copiedBlockSize = stretch->lastBlockSize;
                advanced = true;
            }
        }
        if (static_cast<int>(filePercent) != lastPercent) {
            m_host.percentChanged(progress(copiedBlockSize, filePercent));
            lastPercent = static_cast<int>(filePercent);
        }
        if (!advanced)
            advance(position, blockSize, m_fileSize);

        m_host.yield();
        if (m_host.abortAnswer() > Abort::Continue)
            return endEarly();
    } while (blockSize > 0 && position <= m_fileSize);

    recordDamage();
    closeAll();
    return Finished;
}

// Copies blocks on the I/O thread, one after another, as the loop in Copying would: each read
// block is written at once, and the next block follows the same size rules. The stretch ends
// after the block that moves the file's percentage on (the window shows every percent), after
// the last block, at a failed call, and when the host asks to hold; nothing is read or written
// once it holds. A stretch that writes the last block closes the copy as well.
std::optional<BlockCopier::Stretch> BlockCopier::copyStretch(qint64 position, qint64 blockSize,
                                                             int lastPercent)
{
    auto stretch = std::make_shared<Stretch>();
    const bool ran = run([files = m_files, open = std::exchange(m_openDestination, std::nullopt),
                          source = m_source, destination = m_destination, buffer = m_buffer, link = m_link,
                          fileSize = m_fileSize, position, blockSize, lastPercent, stretch]() mutable {
        Stretch& s = *stretch;
        s.position = position;
        s.blockSize = blockSize;
        if (open) {
            auto opened = files->openDestination(open->path, open->truncate);
            if (!opened.file) {
                s.openFailed = opened.error;
                return;
            }
            destination = std::move(opened.file);
            s.opened = destination;
        }
        for (;;) {
            if (buffer->size() < blockSize)
                buffer->resize(blockSize);
            const IoResult read = source->readAt(position - 1, buffer->data(), blockSize);
            if (!read.ok()) {
                s.failedRead = read;
                return;
            }
            if (read.bytes < blockSize || link->held()) {
                s.unwritten = read.bytes;
                return;
            }
            const IoResult written = destination->writeAt(position - 1, buffer->constData(), read.bytes);
            if (!written.ok()) {
                s.unwritten = read.bytes;
                s.failedWrite = written;
                return;
            }
            ++s.blocks;
            s.copiedEnd = position + read.bytes - 1;
            s.lastBlockSize = blockSize;
            s.percent = percentOf(s.copiedEnd, fileSize);
            advance(position, blockSize, fileSize);
            s.position = position;
            s.blockSize = blockSize;
            if (blockSize <= 0 || position > fileSize) {
                destination->close();
                s.closed = true;
                return;
            }
            if (static_cast<int>(s.percent) != lastPercent || link->held())
                return;
        }
    });
    if (!ran) {
        m_link->release(); // the stretch may outlive the host now
        return std::nullopt;
    }
    return *stretch;
}

// Takes the copy a stretch (or the copier) opened; when it could not be opened, the host is told
// and the file ends.
bool BlockCopier::destinationOpened(std::shared_ptr<BlockDestination> file, const Platform::FileError& error)
{
    if (!file) {
        closeAll();
        m_host.destinationNotOpened(m_file2, error);
        return false;
    }
    m_destination = std::move(file);
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
// `first` is the result of a read of this block already made by a stretch.
BlockCopier::Step BlockCopier::readBlock(qint64& position, qint64& blockSize, qint64& bytesRead,
                                         std::optional<IoResult> first)
{
    for (;;) {
        if (m_buffer->size() < blockSize)
            m_buffer->resize(blockSize);
        auto result = std::exchange(first, std::nullopt);
        if (!result)
            result = io([source = m_source, buffer = m_buffer, offset = position - 1, blockSize] {
                return source->readAt(offset, buffer->data(), blockSize);
            });
        if (!result)
            return Step::Stopped;
        if (result->ok()) {
            m_giveUpsInARow = 0;
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
            // In a long bad area every further give-up skips twice as much as the one before, from
            // the third on; the rescue phase trims the area back from its far edge.
            ++m_giveUpsInARow;
            const qint64 skip = MinBlockSize << std::clamp(m_giveUpsInARow - 2, 0, 16);
            m_corBlock.giveUp(position, skip, m_fileSize);
            // Nothing past the end of the file is lost.
            m_lost += std::min(skip, m_fileSize - position + 1);
            position += skip;
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
// writes the same block at the same place again. `first` is the result of a write of this block
// already made by a stretch.
BlockCopier::Step BlockCopier::writeBlock(qint64 position, qint64 bytes, std::optional<IoResult> first)
{
    for (;;) {
        auto result = std::exchange(first, std::nullopt);
        if (!result)
            result = io([destination = m_destination, buffer = m_buffer, offset = position - 1, bytes] {
                return destination->writeAt(offset, buffer->constData(), bytes);
            });
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
    m_created.reset();
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
