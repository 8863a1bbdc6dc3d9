#include "FileError.h"

#include <cerrno>
#include <cstring>

namespace Platform {

namespace {

int codeOf(int e)
{
    using namespace FileErrorCode;
    switch (e) {
    case ENOENT:
        return FileNotFound;
    case ENOSPC:
    case EDQUOT:
        return DiskFull;
    case EACCES:
    case EPERM:
        return PermissionDenied;
    case ENOMEDIUM:
    case ENODEV:
    case ENXIO:
        return DiskNotReady;
    case EIO:
    case EBADMSG:
    case EUCLEAN:
    case ENODATA:
        return PathFileAccess;
    case ENAMETOOLONG:
    case EBADF:
    case EINVAL:
        return BadFileName;
    default:
        return OtherBase + e;
    }
}

} // namespace

FileError fileErrorFromErrno(int errnoValue)
{
    char buffer[256] = {};
    // GNU strerror_r may return a static string instead of filling the buffer.
    const char* text = strerror_r(errnoValue, buffer, sizeof buffer);
    return FileError{codeOf(errnoValue), errnoValue, QString::fromLocal8Bit(text)};
}

FileError onFile(FileError error, FileError::Side side, const QString& file)
{
    error.side = side;
    error.file = file;
    return error;
}

} // namespace Platform
