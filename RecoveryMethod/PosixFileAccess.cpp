#include "PosixFileAccess.h"

#include "PosixIo.h"
#include "UniqueFd.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

class PosixSource : public BlockSource
{
public:
    PosixSource(Platform::UniqueFd fd, qint64 size, QDateTime modified)
        : m_fd(std::move(fd))
        , m_size(size)
        , m_modified(std::move(modified))
    {
    }

    qint64 size() const override { return m_size; }
    QDateTime lastModified() const override { return m_modified; }

    IoResult readAt(qint64 offset, char* buffer, qint64 length) override
    {
        const qint64 n = Platform::readAt(m_fd.get(), buffer, length, offset);
        if (n < 0) {
            const int error = errno;
            // From the first failure on, the kernel reads nothing but the blocks asked for, so
            // it does not spend the medium's retries on bad sectors ahead of the copier.
            if (!m_readAheadOff) {
                ::posix_fadvise(m_fd.get(), 0, 0, POSIX_FADV_RANDOM);
                m_readAheadOff = true;
            }
            // Read-ahead fills the cache in large pieces, and a piece that failed fails whole
            // every time it is asked for again, good sectors and all. Dropping what is cached
            // from here on makes each retry read the medium afresh, one small page at a time.
            ::posix_fadvise(m_fd.get(), offset, 0, POSIX_FADV_DONTNEED);
            return {0, error};
        }
        return {n, 0};
    }

private:
    Platform::UniqueFd m_fd;
    qint64 m_size;
    QDateTime m_modified;
    bool m_readAheadOff = false;
};

class PosixDestination : public BlockDestination
{
public:
    explicit PosixDestination(Platform::UniqueFd fd)
        : m_fd(std::move(fd))
    {
    }

    IoResult writeAt(qint64 offset, const char* buffer, qint64 length) override
    {
        const qint64 n = Platform::writeAt(m_fd.get(), buffer, length, offset);
        if (n < 0)
            return {0, errno};
        return {n, 0};
    }

    int close() override { return m_fd.reset(); }

private:
    Platform::UniqueFd m_fd;
};

// Opens (creating) a destination; `flags` adds O_TRUNC or O_EXCL.
FileAccess::Opened<BlockDestination> openForWriting(const QString& path, int flags)
{
    Platform::UniqueFd fd(::open(native(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0666));
    if (!fd)
        return {nullptr, Platform::fileErrorFromErrno(errno)};
    return {std::make_unique<PosixDestination>(std::move(fd)), {}};
}

} // namespace

bool PosixFileAccess::fileExists(const QString& path)
{
    struct stat st = {};
    return ::stat(native(path).constData(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool PosixFileAccess::exists(const QString& path)
{
    struct stat st = {};
    return ::lstat(native(path).constData(), &st) == 0;
}

FileAccess::Opened<BlockSource> PosixFileAccess::openSource(const QString& path)
{
    Platform::UniqueFd fd(::open(native(path).constData(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return {nullptr, Platform::fileErrorFromErrno(errno)};
    struct stat st = {};
    if (::fstat(fd.get(), &st) != 0)
        return {nullptr, Platform::fileErrorFromErrno(errno)};
    if (S_ISDIR(st.st_mode))
        return {nullptr, Platform::fileErrorFromErrno(EISDIR)};
    qint64 size = st.st_size;
    if (S_ISBLK(st.st_mode)) {
        const off_t end = ::lseek(fd.get(), 0, SEEK_END);
        size = end > 0 ? end : 0;
    }
    // A healthy source is read with the kernel's read-ahead, as fast as a plain copy; the first
    // failed read turns it off for the rest of the file (see PosixSource::readAt). Read-ahead
    // never spoils a good block: a page it could not fill is read again on its own when asked.
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    const QDateTime modified =
        QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000);
    return {std::make_unique<PosixSource>(std::move(fd), size, modified), {}};
}

FileAccess::Opened<BlockDestination> PosixFileAccess::openDestination(const QString& path, bool truncate)
{
    return openForWriting(path, truncate ? O_TRUNC : 0);
}

FileAccess::Opened<BlockDestination> PosixFileAccess::createDestination(const QString& path)
{
    return openForWriting(path, O_EXCL);
}

bool PosixFileAccess::makeFolder(const QString& path)
{
    const QByteArray p = native(path);
    if (::mkdir(p.constData(), 0777) == 0)
        return true;
    struct stat st = {};
    return errno == EEXIST && ::stat(p.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PosixFileAccess::remove(const QString& path)
{
    return ::unlink(native(path).constData()) == 0;
}
