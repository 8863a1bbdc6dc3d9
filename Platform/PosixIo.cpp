#include "PosixIo.h"

#include <unistd.h>

#include <cerrno>

namespace Platform {

qint64 readAt(int fd, void* buffer, qint64 size, qint64 offset)
{
    auto* out = static_cast<char*>(buffer);
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, out + done, static_cast<size_t>(size - done), offset + done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break; // end of file
        done += n;
    }
    return done;
}

qint64 writeAt(int fd, const void* buffer, qint64 size, qint64 offset)
{
    const auto* in = static_cast<const char*>(buffer);
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, in + done, static_cast<size_t>(size - done), offset + done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0) {
            errno = ENOSPC;
            return -1;
        }
        done += n;
    }
    return done;
}

} // namespace Platform
