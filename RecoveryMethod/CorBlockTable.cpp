#include "CorBlockTable.h"

#include <algorithm>

void CorBlockTable::giveUp(qint64 position, qint64 blockSize, qint64 fileSize)
{
    const qint64 end = std::min(position + blockSize - 1, std::max(fileSize, position));
    if (m_rows.isEmpty()) {
        m_rows.append({position, end});
        return;
    }
    ByteRange& lastRow = m_rows.last();
    if (lastRow.last < position + blockSize) {
        if (m_rows.size() == MaxRows) {
            // Too many scattered ranges to list: the whole file up to here counts as damaged.
            m_rows = {ByteRange{1, end}};
            return;
        }
        m_rows.append({position, end});
        return;
    }
    lastRow.last = end;
}

qint64 CorBlockTable::rangeBytes() const
{
    qint64 sum = 0;
    for (const ByteRange& r : m_rows)
        sum += r.length();
    return sum;
}
