#include "DamageRecords.h"

#include <cmath>
#include <stdexcept>

bool DamageRecords::RecCorruptedBlocks(int& corruptedFilesCount, qint64 fileSize, int fAttr,
                                       const QString& file, const QString& file2,
                                       const CorBlockTable& corBlock, double copied, const QString& fileDTV)
{
    if (isWhole(corBlock, fileSize, copied))
        return true;
    const int n = ++corruptedFilesCount;
    if (n < 1 || n > MaxRows)
        return false;
    if (static_cast<int>(m_rows.size()) < n)
        m_rows.resize(static_cast<size_t>(n));
    Row& r = m_rows[static_cast<size_t>(n - 1)];
    r = Row{};
    r.fileSize = fileSize;
    r.fileAttr = fAttr;
    r.rangeCount = corBlock.count();
    r.lostBytes = corBlock.rangeBytes();
    r.copied = static_cast<qint64>(std::nearbyint(copied));
    r.file = file;
    r.file2 = file2;
    r.fileDTV = fileDTV;
    r.rangeList = rangeListText(corBlock);
    return true;
}

const DamageRecords::Row& DamageRecords::row(int n) const
{
    if (n < 1 || n > rowCount())
        throw std::out_of_range("damage record number out of range");
    return m_rows[static_cast<size_t>(n - 1)];
}

void DamageRecords::markSkipped(int n)
{
    if (n < 1 || n > rowCount())
        throw std::out_of_range("damage record number out of range");
    m_rows[static_cast<size_t>(n - 1)].skipped = true;
}

void DamageRecords::updateRanges(int n, const QList<ByteRange>& ranges, qint64 copied)
{
    if (n < 1 || n > rowCount())
        throw std::out_of_range("damage record number out of range");
    Row& r = m_rows[static_cast<size_t>(n - 1)];
    r.rangeCount = static_cast<int>(ranges.size());
    r.lostBytes = 0;
    for (const ByteRange& range : ranges)
        r.lostBytes += range.length();
    r.copied = copied;
    r.rangeList = rangeListText(ranges);
}

void DamageRecords::removeRow(int n)
{
    if (n < 1 || n > rowCount())
        throw std::out_of_range("damage record number out of range");
    m_rows.erase(m_rows.begin() + (n - 1));
}

QString DamageRecords::rangeListText(const CorBlockTable& corBlock)
{
    return rangeListText(corBlock.rows());
}

QString DamageRecords::rangeListText(const QList<ByteRange>& ranges)
{
    QString text;
    for (const ByteRange& r : ranges)
        text += QLatin1Char(' ') + QString::number(r.first) + QStringLiteral(" -") + QLatin1Char(' ') +
                QString::number(r.last) + QLatin1Char(',');
    return text;
}
