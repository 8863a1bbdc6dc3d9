#pragma once

#include <QList>
#include <QString>

// A table reference: a double quote, the file path, a double quote, then optionally one or more
// cell suffixes "/[row,col]" in decimal without blanks. Without a suffix it names the file's
// top table; "/[r,c]" names the table held in cell (r, c) of the top table, and every further
// suffix goes one table deeper.
struct TableReference
{
    struct Cell
    {
        int row = 0;
        int column = 0;
        bool operator==(const Cell&) const = default;
    };

    QString path;
    QList<Cell> cells; // empty for the top table

    // Parses a reference; throws TableError (BadReference) when the text is not one.
    static TableReference parse(const QString& reference);

    // The reference text of a file's top table, or of the table in its cell (row, column).
    static QString of(const QString& path);
    static QString of(const QString& path, int row, int column);

    // The reference text, and the suffix alone ("" for the top table, else "/[r,c]...").
    QString toString() const;
    QString suffix() const;
};
