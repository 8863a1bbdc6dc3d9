#pragma once

#include "ByteRange.h"

#include <QList>

#include <map>

// A set of byte positions of one file, kept as ordered, disjoint, non-adjacent ranges (1-based,
// both ends included): adding or removing a range merges or splits what it touches.
class ByteRangeSet
{
public:
    ByteRangeSet() = default;
    explicit ByteRangeSet(const QList<ByteRange>& ranges);

    void add(ByteRange range);
    void remove(ByteRange range);
    // Keeps only the positions 1 to last.
    void clampTo(qint64 last);

    bool isEmpty() const { return m_ranges.empty(); }
    int count() const { return static_cast<int>(m_ranges.size()); }
    qint64 bytes() const;
    // True when any position of range is in the set.
    bool intersects(ByteRange range) const;
    QList<ByteRange> ranges() const;

    bool operator==(const ByteRangeSet&) const = default;

private:
    std::map<qint64, qint64> m_ranges; // first -> last
};
