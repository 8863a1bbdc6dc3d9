#include "TableReference.h"

#include "TableError.h"

namespace {

[[noreturn]] void badReference(const QString& reference, const QString& why)
{
    throw TableError(TableError::Kind::BadReference,
                     QStringLiteral("Not a table reference (%1): %2").arg(why, reference));
}

// Reads a decimal number without sign or blanks at pos; moves pos past it.
int readNumber(const QString& reference, qsizetype& pos)
{
    const qsizetype start = pos;
    while (pos < reference.size() && reference.at(pos).isDigit() && reference.at(pos).unicode() < 128)
        ++pos;
    if (pos == start)
        badReference(reference, QStringLiteral("a row or column number is missing"));
    bool ok = false;
    const int value = reference.mid(start, pos - start).toInt(&ok);
    if (!ok)
        badReference(reference, QStringLiteral("a row or column number is too large"));
    return value;
}

} // namespace

TableReference TableReference::parse(const QString& reference)
{
    if (!reference.startsWith(QLatin1Char('"')))
        badReference(reference, QStringLiteral("it must begin with a double quote"));
    const qsizetype closing = reference.indexOf(QLatin1Char('"'), 1);
    if (closing < 0)
        badReference(reference, QStringLiteral("the closing double quote is missing"));

    TableReference result;
    result.path = reference.mid(1, closing - 1);
    if (result.path.isEmpty())
        badReference(reference, QStringLiteral("the file path is empty"));

    qsizetype pos = closing + 1;
    while (pos < reference.size()) {
        if (!QStringView(reference).mid(pos).startsWith(QLatin1String("/[")))
            badReference(reference, QStringLiteral("a cell suffix must read /[row,column]"));
        pos += 2;
        Cell cell;
        cell.row = readNumber(reference, pos);
        if (pos >= reference.size() || reference.at(pos) != QLatin1Char(','))
            badReference(reference, QStringLiteral("a comma must follow the row"));
        ++pos;
        cell.column = readNumber(reference, pos);
        if (pos >= reference.size() || reference.at(pos) != QLatin1Char(']'))
            badReference(reference, QStringLiteral("a closing bracket must follow the column"));
        ++pos;
        result.cells.append(cell);
    }
    return result;
}

QString TableReference::of(const QString& path)
{
    return QLatin1Char('"') + path + QLatin1Char('"');
}

QString TableReference::of(const QString& path, int row, int column)
{
    return of(path) + QStringLiteral("/[%1,%2]").arg(row).arg(column);
}

QString TableReference::toString() const
{
    return of(path) + suffix();
}

QString TableReference::suffix() const
{
    QString text;
    for (const Cell& cell : cells)
        text += QStringLiteral("/[%1,%2]").arg(cell.row).arg(cell.column);
    return text;
}
