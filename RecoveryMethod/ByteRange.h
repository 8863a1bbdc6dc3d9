#pragma once

#include <QtGlobal>

// A range of bytes of a file, by 1-based positions, both ends included.
struct ByteRange
{
    qint64 first = 0; // position of the first byte
    qint64 last = 0;  // position of the last byte

    qint64 length() const { return last - first + 1; }
    bool operator==(const ByteRange&) const = default;
};
