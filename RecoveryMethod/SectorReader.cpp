#include "SectorReader.h"

#include <QFile>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {

// O_DIRECT wants the buffer aligned to the logical block size; a page covers every device.
constexpr size_t BufferAlignment = 4096;

int readSizeFile(const std::string& path)
{
    std::ifstream in(path);
    int value = 0;
    if (in >> value && value >= 512 && value <= 65536 && (value & (value - 1)) == 0)
        return value;
    return 0;
}

} // namespace

SectorReader::~SectorReader()
{
    close();
}

int SectorReader::sectorSizeOf(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st = {};
    if (::stat(name.constData(), &st) != 0)
        return DefaultSectorSize;
    if (S_ISBLK(st.st_mode)) {
        const Platform::UniqueFd fd(::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        int size = 0;
        if (fd && ::ioctl(fd.get(), BLKSSZGET, &size) == 0 && size >= 512)
            return size;
        return DefaultSectorSize;
    }
    // The device under the file system; a partition keeps its queue in the disk's folder.
    const std::string device =
        "/sys/dev/block/" + std::to_string(major(st.st_dev)) + ':' + std::to_string(minor(st.st_dev));
    if (const int size = readSizeFile(device + "/queue/logical_block_size"))
        return size;
    if (const int size = readSizeFile(device + "/../queue/logical_block_size"))
        return size;
    return DefaultSectorSize;
}

bool SectorReader::open(const QString& path)
{
    close();
    m_path = path;
    m_sectorSize = sectorSizeOf(path);
    const QByteArray name = QFile::encodeName(path);
    m_fd.reset(::open(name.constData(), O_RDONLY | O_CLOEXEC | O_DIRECT));
    m_direct = m_fd.isValid();
    if (!m_fd && !reopenBuffered())
        return false;
    struct stat st = {};
    if (::fstat(m_fd.get(), &st) != 0) {
        m_error = errno;
        close();
        return false;
    }
    m_size = st.st_size;
    if (S_ISBLK(st.st_mode)) {
        const off_t end = ::lseek(m_fd.get(), 0, SEEK_END);
        m_size = end > 0 ? end : 0;
    }
    m_modifiedMs = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    m_aligned = static_cast<char*>(
        std::aligned_alloc(BufferAlignment, std::max<size_t>(BufferAlignment, m_sectorSize)));
    m_error = 0;
    return true;
}

// Plain reads through the page cache, without read-ahead: a failed page is dropped after each
// failure, so the next sector of it is asked of the medium again.
bool SectorReader::reopenBuffered()
{
    m_fd.reset(::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_CLOEXEC));
    m_direct = false;
    if (!m_fd) {
        m_error = errno;
        return false;
    }
    ::posix_fadvise(m_fd.get(), 0, 0, POSIX_FADV_RANDOM);
    return true;
}

void SectorReader::close()
{
    m_fd.reset();
    std::free(m_aligned);
    m_aligned = nullptr;
    m_size = 0;
}

IoResult SectorReader::readSector(qint64 offset, char* buffer)
{
    if (!m_fd)
        return {0, EBADF};
    for (;;) {
        // One call: a sector is read whole or not at all, and only the end of the file is shorter.
        ssize_t n = 0;
        do {
            n = ::pread(m_fd.get(), m_direct ? m_aligned : buffer, static_cast<size_t>(m_sectorSize), offset);
        } while (n < 0 && errno == EINTR);
        const int error = n < 0 ? errno : 0;
        if (n < 0 && error == EINVAL && m_direct) {
            // This file system refuses direct reads of this file: read it through the cache.
            if (!reopenBuffered())
                return {0, m_error};
            continue;
        }
        ++*m_reads;
        if (n < 0) {
            ++*m_failedReads;
            if (!m_direct)
                ::posix_fadvise(m_fd.get(), offset, m_sectorSize, POSIX_FADV_DONTNEED);
            return {0, error};
        }
        if (m_direct)
            std::memcpy(buffer, m_aligned, static_cast<size_t>(n));
        return {n, 0};
    }
}

void SectorReader::shareCounters(const SectorReader& other)
{
    m_reads = other.m_reads;
    m_failedReads = other.m_failedReads;
}
