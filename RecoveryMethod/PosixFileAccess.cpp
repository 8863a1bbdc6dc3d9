#include "PosixFileAccess.h"

#include "FileNames.h"
#include "PathAt.h"
#include "PosixIo.h"
#include "SectorReader.h"
#include "UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

// Paths are Platform::FileNames texts: a name that is not valid UTF-8 is opened, and written,
// under its own bytes. A path longer than the system takes whole is reached in pieces.
Platform::PathAt native(const QString& path)
{
    return Platform::PathAt::of(Platform::FileNames::toBytes(path));
}

int openPath(const QString& path, int flags, mode_t mode = 0)
{
    const Platform::PathAt at = native(path);
    if (!at.ok()) {
        errno = at.error();
        return -1;
    }
    return ::openat(at.folder(), at.name(), flags, mode);
}

bool statPath(const QString& path, struct stat& st, int flags)
{
    const Platform::PathAt at = native(path);
    return at.ok() && ::fstatat(at.folder(), at.name(), &st, flags) == 0;
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

    int growTo(qint64 size) override
    {
        struct stat st = {};
        if (::fstat(m_fd.get(), &st) != 0)
            return errno;
        if (st.st_size < size && ::ftruncate(m_fd.get(), size) != 0)
            return errno;
        return 0;
    }

private:
    Platform::UniqueFd m_fd;
};

// A source read one sector at a time (see SectorReader).
class SectorSource : public BlockSource
{
public:
    explicit SectorSource(std::unique_ptr<SectorReader> reader)
        : m_reader(std::move(reader))
    {
    }

    qint64 size() const override { return m_reader->size(); }
    QDateTime lastModified() const override
    {
        return QDateTime::fromMSecsSinceEpoch(m_reader->lastModifiedMs());
    }
    int sectorSize() const override { return m_reader->sectorSize(); }
    IoResult readAt(qint64 offset, char* buffer, qint64 length) override
    {
        if (length != m_reader->sectorSize())
            return {0, EINVAL};
        return m_reader->readSector(offset, buffer);
    }

private:
    std::unique_ptr<SectorReader> m_reader;
};

// Opens (creating) a destination; `flags` adds O_TRUNC or O_EXCL.
FileAccess::Opened<BlockDestination> openForWriting(const QString& path, int flags)
{
    Platform::UniqueFd fd(openPath(path, O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0666));
    if (!fd)
        return {nullptr, Platform::fileErrorFromErrno(errno)};
    return {std::make_unique<PosixDestination>(std::move(fd)), {}};
}

} // namespace

bool PosixFileAccess::fileExists(const QString& path)
{
    struct stat st = {};
    return statPath(path, st, 0) && !S_ISDIR(st.st_mode);
}

bool PosixFileAccess::exists(const QString& path)
{
    struct stat st = {};
    return statPath(path, st, AT_SYMLINK_NOFOLLOW);
}

FileAccess::Opened<BlockSource> PosixFileAccess::openSource(const QString& path)
{
    Platform::UniqueFd fd(openPath(path, O_RDONLY | O_CLOEXEC));
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
    // In UTC: a local time looks the time zone up at once, for every file of a job.
    const QDateTime modified = QDateTime::fromMSecsSinceEpoch(
        qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000, Qt::UTC);
    return {std::make_unique<PosixSource>(std::move(fd), size, modified), {}};
}

FileAccess::Opened<BlockSource> PosixFileAccess::openSectorSource(const QString& path)
{
    auto reader = std::make_unique<SectorReader>();
    if (!reader->open(path))
        return {nullptr, Platform::fileErrorFromErrno(reader->error())};
    return {std::make_unique<SectorSource>(std::move(reader)), {}};
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
    const Platform::PathAt at = native(path);
    if (!at.ok())
        return false;
    if (::mkdirat(at.folder(), at.name(), 0777) == 0)
        return true;
    struct stat st = {};
    return errno == EEXIST && ::fstatat(at.folder(), at.name(), &st, 0) == 0 && S_ISDIR(st.st_mode);
}

bool PosixFileAccess::remove(const QString& path)
{
    const Platform::PathAt at = native(path);
    return at.ok() && ::unlinkat(at.folder(), at.name(), 0) == 0;
}
