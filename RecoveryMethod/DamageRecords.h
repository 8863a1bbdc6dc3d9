#pragma once

#include "CorBlockTable.h"

#include <QString>

#include <vector>

// The store of damaged files: one row per file that was not copied whole, for the life of the
// control. Rows are numbered 1 to MaxRows by the damage count after the row was added.
class DamageRecords
{
public:
    static constexpr int MaxRows = 10000;
    static constexpr int BinaryAccessMode = 32; // the open mode code stored with every row

    struct Row
    {
        qint64 fileSize = 0;  // source length
        int fileAttr = 0;     // open mode code of the source
        int rangeCount = 0;   // number of damaged ranges
        qint64 lostBytes = 0; // sum of the ranges' lengths
        qint64 copied = 0;    // byte position the copy reached
        QString file;         // full source path
        QString file2;        // full destination path
        QString text2;        // kept empty
        QString fileDTV;      // last-modified date and time of the source
        QString text4;        // kept empty
        QString rangeList;    // " 1 - 8192, 16385 - 24576,"
        bool skipped = false; // the user skipped the rest of the file

        bool operator==(const Row&) const = default;
    };

    // A copy that has every byte of its file and gave no range up: it gets no row.
    static bool isWhole(const CorBlockTable& corBlock, qint64 fileSize, double copied)
    {
        return corBlock.count() == 0 && static_cast<double>(fileSize) == copied;
    }

    // Writes the row for one finished file copy. Does nothing for a complete undamaged file.
    // Otherwise raises corruptedFilesCount and writes that row; returns false when the count
    // is beyond MaxRows (the count stays raised, no row is written).
    bool RecCorruptedBlocks(int& corruptedFilesCount, qint64 fileSize, int fAttr, const QString& file,
                            const QString& file2, const CorBlockTable& corBlock, double copied,
                            const QString& fileDTV);

    // After the rescue of row n's file: its ranges become exactly what stayed unreadable, and the
    // position reached `copied`. Throws std::out_of_range for a row that does not exist.
    void updateRanges(int n, const QList<ByteRange>& ranges, qint64 copied);
    // Row n's file was skipped by the user before its end. std::out_of_range for a missing row.
    void markSkipped(int n);
    // Drops row n (its file was recovered whole); the rows after it move up by one.
    void removeRow(int n);

    // Rows written so far are 1 to rowCount() (a host that lowers the damage count has later
    // rows overwritten by the next files).
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    // Row 1 to rowCount(); throws std::out_of_range otherwise.
    const Row& row(int n) const;

    // The printable list of ranges: " first - last," for each.
    static QString rangeListText(const CorBlockTable& corBlock);
    static QString rangeListText(const QList<ByteRange>& ranges);

private:
    std::vector<Row> m_rows;
};
