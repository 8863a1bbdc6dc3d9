#pragma once

#include "ByteRange.h"

#include <QList>

// The given-up ranges of one file copy, in the order the copier gave them up.
// Holds at most MaxRows rows; one give-up more collapses the table into a single row from byte 1.
class CorBlockTable
{
public:
    static constexpr int MaxRows = 1000;

    // Records the block of `blockSize` bytes at `position` as given up. The range ends at the
    // file's last byte when the block reaches past it.
    void giveUp(qint64 position, qint64 blockSize, qint64 fileSize);

    int count() const { return static_cast<int>(m_rows.size()); }
    // Row 1 to count().
    const ByteRange& row(int i) const { return m_rows.at(i - 1); }
    const QList<ByteRange>& rows() const { return m_rows; }

    // Sum of the rows' lengths.
    qint64 rangeBytes() const;

private:
    QList<ByteRange> m_rows;
};
