#include "TableTransaction.h"

#include "TableError.h"
#include "TableFile.h"
#include "TableReference.h"

#include <QDir>
#include <QFileInfo>

TableTransaction::TableTransaction(std::shared_ptr<TableFile> file)
    : m_file(std::move(file))
{
    m_file->beginWrite();
    m_open = true;
}

TableTransaction::TableTransaction(TableTransaction&& other) noexcept
    : m_file(std::move(other.m_file))
    , m_open(std::exchange(other.m_open, false))
{
}

TableTransaction::~TableTransaction()
{
    if (m_open)
        m_file->rollbackWrite();
}

void TableTransaction::requireOpen() const
{
    if (!m_open)
        throw TableError(TableError::Kind::Failed,
                         QStringLiteral("The write to the table file has already ended."));
}

qint64 TableTransaction::tableFor(const QString& reference, bool create)
{
    requireOpen();
    const TableReference parsed = TableReference::parse(reference);
    const auto same = [](const QString& a, const QString& b) {
        return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) ==
               QDir::cleanPath(QFileInfo(b).absoluteFilePath());
    };
    if (!same(parsed.path, m_file->path()))
        throw TableError(TableError::Kind::BadReference,
                         QStringLiteral("The reference %1 names another file than this write (%2).")
                             .arg(reference, m_file->path()));
    if (create)
        return m_file->ensureTable(parsed.cells);
    const std::optional<qint64> id = m_file->findTable(parsed.cells);
    if (!id)
        throw TableError(TableError::Kind::NotFound,
                         QStringLiteral("There is no table at %1.").arg(reference));
    return *id;
}

namespace {

void requireCell(int row, int column)
{
    if (row < 0 || column < 0)
        throw TableError(TableError::Kind::BadReference,
                         QStringLiteral("There is no cell at row %1, column %2.").arg(row).arg(column));
}

} // namespace

void TableTransaction::SetCell(const QString& reference, int row, int column, const QVariant& value)
{
    requireCell(row, column);
    m_file->setCell(tableFor(reference, true), row, column, value);
}

void TableTransaction::SetRowCount(const QString& reference, int rows)
{
    if (rows < 0)
        throw TableError(TableError::Kind::BadReference,
                         QStringLiteral("A table cannot have %1 rows.").arg(rows));
    m_file->setRowCount(tableFor(reference, true), rows);
}

void TableTransaction::SetValue(const QString& value, const QString& reference)
{
    m_file->setValue(tableFor(reference, true), value);
}

void TableTransaction::CreateTable(const QString& reference, int row, int column)
{
    requireCell(row, column);
    const qint64 table = tableFor(reference, true);
    m_file->setCell(table, row, column, QVariant());
    QList<TableReference::Cell> cells = TableReference::parse(reference).cells;
    cells.append({row, column});
    m_file->ensureTable(cells);
}

int TableTransaction::AppendRow(const QString& reference, const QVariantList& cells)
{
    const qint64 table = tableFor(reference, true);
    const int row = m_file->rowCount(table) + 1;
    m_file->setRowCount(table, row);
    for (int column = 1; column <= cells.size(); ++column)
        m_file->setCell(table, row, column, cells.at(column - 1));
    return row;
}

void TableTransaction::commit()
{
    requireOpen();
    m_file->commitWrite();
    m_open = false;
}
