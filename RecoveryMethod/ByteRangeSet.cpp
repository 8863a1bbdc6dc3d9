#include "ByteRangeSet.h"

#include <algorithm>
#include <limits>

ByteRangeSet::ByteRangeSet(const QList<ByteRange>& ranges)
{
    for (const ByteRange& r : ranges)
        add(r);
}

void ByteRangeSet::add(ByteRange range)
{
    if (range.last < range.first)
        return;
    // Join every range that overlaps or touches the new one.
    auto it = m_ranges.upper_bound(range.first);
    if (it != m_ranges.begin()) {
        auto before = std::prev(it);
        if (before->second + 1 >= range.first)
            it = before;
    }
    while (it != m_ranges.end() && it->first <= range.last + 1) {
        range.first = std::min(range.first, it->first);
        range.last = std::max(range.last, it->second);
        it = m_ranges.erase(it);
    }
    m_ranges.emplace(range.first, range.last);
}

void ByteRangeSet::remove(ByteRange range)
{
    if (range.last < range.first)
        return;
    auto it = m_ranges.upper_bound(range.first);
    if (it != m_ranges.begin())
        it = std::prev(it);
    while (it != m_ranges.end() && it->first <= range.last) {
        const qint64 first = it->first;
        const qint64 last = it->second;
        if (last < range.first) {
            ++it;
            continue;
        }
        it = m_ranges.erase(it);
        if (first < range.first)
            m_ranges.emplace(first, range.first - 1);
        if (last > range.last) {
            m_ranges.emplace(range.last + 1, last);
            break;
        }
    }
}

void ByteRangeSet::clampTo(qint64 last)
{
    remove({std::max<qint64>(last + 1, 1), std::numeric_limits<qint64>::max()});
}

qint64 ByteRangeSet::bytes() const
{
    qint64 sum = 0;
    for (const auto& [first, last] : m_ranges)
        sum += last - first + 1;
    return sum;
}

bool ByteRangeSet::intersects(ByteRange range) const
{
    auto it = m_ranges.upper_bound(range.last);
    if (it == m_ranges.begin())
        return false;
    return std::prev(it)->second >= range.first;
}

QList<ByteRange> ByteRangeSet::ranges() const
{
    QList<ByteRange> list;
    list.reserve(static_cast<qsizetype>(m_ranges.size()));
    for (const auto& [first, last] : m_ranges)
        list.append({first, last});
    return list;
}
