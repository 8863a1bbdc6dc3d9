#pragma once

#include <QString>

namespace Platform {

// The file error codes the engine acts on; other failures carry OtherBase + errno.
namespace FileErrorCode {
constexpr int BadFileName = 52;
constexpr int FileNotFound = 53;
constexpr int DiskFull = 61;
constexpr int PermissionDenied = 70;
constexpr int DiskNotReady = 71;
constexpr int PathFileAccess = 75;
constexpr int OtherBase = 1000;
} // namespace FileErrorCode

struct FileError
{
    int code = 0;        // one of FileErrorCode, or OtherBase + errno
    int systemError = 0; // the errno it came from
    QString description; // the system's own description of the error

    // Where it happened, when the engine knows: reading the source or writing the copy, and the
    // file's path. A message then names the file and its side.
    enum class Side
    {
        Unknown,
        Source,
        Destination,
    };
    Side side = Side::Unknown;
    QString file;
};

// The error with the side and the file it concerns.
FileError onFile(FileError error, FileError::Side side, const QString& file);

// Maps an errno value to the engine's file error code, with the system's description.
FileError fileErrorFromErrno(int errnoValue);

} // namespace Platform
