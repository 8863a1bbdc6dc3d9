#include "MirrorFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

namespace Medium {

namespace {

// Only this worker thread waits; other requests go on in the others. A caller that is interrupted
// (killed, for one) gets its failure at once rather than hanging on in the kernel for the rest of it.
void waitBeforeFailing(int delayMs)
{
    using namespace std::chrono;
    const auto until = steady_clock::now() + milliseconds(delayMs);
    while (steady_clock::now() < until && fuse_interrupted() == 0)
        std::this_thread::sleep_for(
            std::min<steady_clock::duration>(milliseconds(10), until - steady_clock::now()));
}

} // namespace

MirrorFileSystem::MirrorFileSystem(Platform::UniqueFd sourceDir, DamageState& damage, std::string imagePath)
    : m_sourceDir(std::move(sourceDir))
    , m_damage(damage)
    , m_imagePath(std::move(imagePath))
{
}

MirrorFileSystem& MirrorFileSystem::self()
{
    return *static_cast<MirrorFileSystem*>(fuse_get_context()->private_data);
}

std::string MirrorFileSystem::sourcePath(const char* path) const
{
    const bool root = path[0] == '/' && path[1] == '\0';
    if (!m_imagePath.empty())
        return root ? m_imagePath : std::string();
    return root ? std::string(".") : std::string(path + 1);
}

int MirrorFileSystem::getattr(const char* path, struct stat* st, fuse_file_info* fi)
{
    if (fi != nullptr) {
        const auto* file = reinterpret_cast<const OpenFile*>(fi->fh);
        return ::fstat(file->fd.get(), st) == 0 ? 0 : -errno;
    }
    const std::string relative = sourcePath(path);
    if (relative.empty())
        return -ENOENT;
    return ::fstatat(m_sourceDir.get(), relative.c_str(), st, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : -errno;
}

int MirrorFileSystem::readlink(const char* path, char* buffer, size_t size)
{
    const std::string relative = sourcePath(path);
    if (relative.empty())
        return -ENOENT;
    if (size == 0)
        return -EINVAL;
    const ssize_t n = ::readlinkat(m_sourceDir.get(), relative.c_str(), buffer, size - 1);
    if (n < 0)
        return -errno;
    buffer[n] = '\0';
    return 0;
}

int MirrorFileSystem::open(const char* path, fuse_file_info* fi)
{
    if ((fi->flags & O_ACCMODE) != O_RDONLY || (fi->flags & O_TRUNC) != 0)
        return -EROFS;
    const std::string relative = sourcePath(path);
    if (relative.empty())
        return -ENOENT;
    Platform::UniqueFd fd(::openat(m_sourceDir.get(), relative.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd)
        return -errno;
    auto file = std::make_unique<OpenFile>();
    file->fd = std::move(fd);
    file->key = relative;
    // Direct I/O for damaged files, so a read is never widened to whole pages (one bad sector would
    // spoil the good rest of its page) nor read ahead. Undamaged files use the page cache, so that
    // shared memory maps of them work as on a disk.
    fi->direct_io = m_damage.isDamaged(file->key) ? 1 : 0;
    fi->keep_cache = 0;
    fi->fh = reinterpret_cast<uint64_t>(file.release()); // owned by the kernel's handle until release()
    return 0;
}

int MirrorFileSystem::read(const char*, char* buffer, size_t size, off_t offset, fuse_file_info* fi)
{
    const auto* file = reinterpret_cast<const OpenFile*>(fi->fh);
    struct stat st = {};
    if (::fstat(file->fd.get(), &st) != 0)
        return -errno;
    const ReadVerdict verdict = m_damage.read(file->key, offset, static_cast<std::int64_t>(size),
                                              static_cast<std::int64_t>(st.st_size));
    if (verdict.fails) {
        waitBeforeFailing(verdict.delayMs);
        return -EIO;
    }
    size_t done = 0;
    while (done < size) {
        const ssize_t n =
            ::pread(file->fd.get(), buffer + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return done > 0 ? static_cast<int>(done) : -errno;
        }
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<int>(done);
}

int MirrorFileSystem::release(const char*, fuse_file_info* fi)
{
    const std::unique_ptr<OpenFile> file(reinterpret_cast<OpenFile*>(fi->fh));
    fi->fh = 0;
    return 0;
}

int MirrorFileSystem::opendir(const char* path, fuse_file_info* fi)
{
    const std::string relative = sourcePath(path);
    if (relative.empty())
        return -ENOENT;
    const int fd =
        ::openat(m_sourceDir.get(), relative.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        const int error = errno;
        ::close(fd);
        return -error;
    }
    fi->fh = reinterpret_cast<uint64_t>(dir); // closed by releasedir()
    return 0;
}

int MirrorFileSystem::readdir(const char*, void* buffer, fuse_fill_dir_t filler, off_t, fuse_file_info* fi,
                              fuse_readdir_flags)
{
    DIR* dir = reinterpret_cast<DIR*>(fi->fh);
    ::rewinddir(dir);
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        struct stat st = {};
        st.st_ino = entry->d_ino;
        st.st_mode = static_cast<mode_t>(DTTOIF(entry->d_type));
        if (filler(buffer, entry->d_name, &st, 0, static_cast<fuse_fill_dir_flags>(0)) != 0)
            return -ENOMEM;
        errno = 0;
    }
    return errno == 0 ? 0 : -errno;
}

int MirrorFileSystem::releasedir(const char*, fuse_file_info* fi)
{
    ::closedir(reinterpret_cast<DIR*>(fi->fh));
    fi->fh = 0;
    return 0;
}

int MirrorFileSystem::statfs(const char*, struct statvfs* st)
{
    return ::fstatvfs(m_sourceDir.get(), st) == 0 ? 0 : -errno;
}

const fuse_operations& MirrorFileSystem::operations()
{
    static const fuse_operations table = [] {
        fuse_operations ops = {};
        ops.init = [](fuse_conn_info*, fuse_config* config) -> void* {
            config->use_ino = 1; // the source's inode numbers, so hard links stay recognisable
            config->kernel_cache = 0;
            return fuse_get_context()->private_data;
        };
        ops.getattr = [](const char* p, struct stat* st, fuse_file_info* fi) {
            return self().getattr(p, st, fi);
        };
        ops.readlink = [](const char* p, char* b, size_t n) { return self().readlink(p, b, n); };
        ops.open = [](const char* p, fuse_file_info* fi) { return self().open(p, fi); };
        ops.read = [](const char* p, char* b, size_t n, off_t o, fuse_file_info* fi) {
            return self().read(p, b, n, o, fi);
        };
        ops.release = [](const char* p, fuse_file_info* fi) { return self().release(p, fi); };
        ops.opendir = [](const char* p, fuse_file_info* fi) { return self().opendir(p, fi); };
        ops.readdir = [](const char* p, void* b, fuse_fill_dir_t f, off_t o, fuse_file_info* fi,
                         fuse_readdir_flags fl) { return self().readdir(p, b, f, o, fi, fl); };
        ops.releasedir = [](const char* p, fuse_file_info* fi) { return self().releasedir(p, fi); };
        ops.statfs = [](const char* p, struct statvfs* st) { return self().statfs(p, st); };

        // The mount is read-only, so the kernel refuses writes before they get here; these make sure.
        ops.write = [](const char*, const char*, size_t, off_t, fuse_file_info*) { return -EROFS; };
        ops.create = [](const char*, mode_t, fuse_file_info*) { return -EROFS; };
        ops.mknod = [](const char*, mode_t, dev_t) { return -EROFS; };
        ops.mkdir = [](const char*, mode_t) { return -EROFS; };
        ops.unlink = [](const char*) { return -EROFS; };
        ops.rmdir = [](const char*) { return -EROFS; };
        ops.symlink = [](const char*, const char*) { return -EROFS; };
        ops.link = [](const char*, const char*) { return -EROFS; };
        ops.rename = [](const char*, const char*, unsigned int) { return -EROFS; };
        ops.chmod = [](const char*, mode_t, fuse_file_info*) { return -EROFS; };
        ops.chown = [](const char*, uid_t, gid_t, fuse_file_info*) { return -EROFS; };
        ops.truncate = [](const char*, off_t, fuse_file_info*) { return -EROFS; };
        ops.utimens = [](const char*, const struct timespec*, fuse_file_info*) { return -EROFS; };
        return ops;
    }();
    return table;
}

} // namespace Medium
