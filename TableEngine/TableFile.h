#pragma once

#include "SqliteDatabase.h"
#include "TableReference.h"

#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

// One open table file: a SQLite database holding a top table whose cells may hold texts,
// numbers, binary data or whole tables, each table with a stored value (GetValue/SetValue).
//
// Layout inside SQLite (application_id 0x4B765462 "KvTb", user_version 1):
//   tables(id, parent, parent_row, parent_col, row_count, value): one row per table; the top
//          table has id 1 and no parent; a nested table names the table and cell holding it.
//   cells(table_id, row, col, value): one row per non-empty cell; the value keeps its SQLite
//          type (TEXT, INTEGER, REAL or BLOB). A cell holds either a value or a table.
// row_count counts rows 1 to n; row 0 may hold cells but is not counted.
class TableFile
{
public:
    // Opens an existing file and checks that it is a table file. With forWriting, a missing or
    // empty (0 bytes) file is created as an empty table file instead.
    static std::shared_ptr<TableFile> open(const QString& path, bool forWriting);

    const QString& path() const { return m_db.path(); }

    // The table that the chain of cells leads to from the top table, if it exists.
    std::optional<qint64> findTable(const QList<TableReference::Cell>& cells);
    // The same, creating every missing table of the chain (inside a write).
    qint64 ensureTable(const QList<TableReference::Cell>& cells);

    int rowCount(qint64 table);
    int columnCount(qint64 table);
    // The cell's value as stored; an invalid variant when the cell is empty or holds a table.
    QVariant cell(qint64 table, int row, int column);
    bool holdsTable(qint64 table, int row, int column);
    QString value(qint64 table);

    void setCell(qint64 table, int row, int column, const QVariant& value);
    void setRowCount(qint64 table, int rows);
    void setValue(qint64 table, const QString& value);

    // Nested writes: everything between beginWrite and commitWrite is one atomic change of the
    // file; rollbackWrite undoes it. Never throws from rollbackWrite.
    void beginWrite();
    void commitWrite();
    void rollbackWrite() noexcept;

    // For the owner of one write: whether a write is open.
    bool inWrite() const { return m_writeDepth > 0; }

private:
    explicit TableFile(const QString& path, SqliteDatabase::Mode mode);
    void createSchema();
    void check();
    std::optional<qint64> childTable(qint64 table, int row, int column);
    void deleteTable(qint64 table);
    void growRows(qint64 table, int row);

    SqliteDatabase m_db;
    int m_writeDepth = 0;
};
