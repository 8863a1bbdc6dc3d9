#pragma once

#include <QtGlobal>

namespace Platform {

// Positioned reads and writes that retry on EINTR and on partial transfers.
// Each returns the number of bytes moved, or -1 with errno set by the failing call.

// Reads up to size bytes at offset; fewer bytes than asked only at the end of the file.
qint64 readAt(int fd, void* buffer, qint64 size, qint64 offset);

// Writes all size bytes at offset.
qint64 writeAt(int fd, const void* buffer, qint64 size, qint64 offset);

} // namespace Platform
