#include "TableFile.h"

#include "TableError.h"

#include <QFileInfo>

#include <sqlite3.h>

#include <unistd.h>

namespace {

constexpr qint64 ApplicationId = 0x4B765462; // "KvTb"
constexpr qint64 FormatVersion = 1;
constexpr qint64 TopTable = 1;

[[noreturn]] void notOurs(const QString& path, const QString& why)
{
    throw TableError(
        TableError::Kind::Damaged,
        QStringLiteral("The file %1 is not a Korvalis table file, or it is damaged (%2).").arg(path, why));
}

qint64 pragma(SqliteDatabase& db, const char* sql)
{
    SqliteStatement statement(db, sql);
    return statement.step() ? statement.integer(0) : 0;
}

} // namespace

TableFile::TableFile(const QString& path, SqliteDatabase::Mode mode)
    : m_db(path, mode)
{
}

std::shared_ptr<TableFile> TableFile::open(const QString& path, bool forWriting)
{
    const QFileInfo info(path);
    const bool exists = info.exists();
    if (exists && info.isDir())
        throw TableError(TableError::Kind::NotFound,
                         QStringLiteral("%1 is a folder, not a table file.").arg(path));

    const bool create = forWriting && (!exists || info.size() == 0);
    if (!exists && !create)
        throw TableError(TableError::Kind::NotFound, QStringLiteral("File not found: %1").arg(path));

    SqliteDatabase::Mode mode = SqliteDatabase::Mode::ReadWrite;
    if (create)
        mode = SqliteDatabase::Mode::Create;
    else if (::access(QFile::encodeName(path).constData(), W_OK) != 0)
        mode = SqliteDatabase::Mode::ReadOnly; // still readable; writes report the denial

    std::shared_ptr<TableFile> file(new TableFile(path, mode));
    // A full sync on every commit: the file must survive a power cut between two writes.
    file->m_db.execute("PRAGMA synchronous = FULL");
    if (create && pragma(file->m_db, "PRAGMA application_id") == 0 &&
        pragma(file->m_db, "PRAGMA page_count") == 0)
        file->createSchema();
    file->check();
    return file;
}

void TableFile::createSchema()
{
    m_db.execute("BEGIN IMMEDIATE;"
                 "CREATE TABLE tables(id INTEGER PRIMARY KEY, parent INTEGER, parent_row INTEGER,"
                 " parent_col INTEGER, row_count INTEGER NOT NULL DEFAULT 0, value TEXT,"
                 " UNIQUE(parent, parent_row, parent_col));"
                 "CREATE TABLE cells(table_id INTEGER NOT NULL, row INTEGER NOT NULL, col INTEGER NOT NULL,"
                 " value, PRIMARY KEY(table_id, row, col)) WITHOUT ROWID;"
                 "INSERT INTO tables(id, parent, row_count) VALUES(1, NULL, 0);");
    const QByteArray stamp = "PRAGMA application_id = " + QByteArray::number(ApplicationId) +
                             "; PRAGMA user_version = " + QByteArray::number(FormatVersion) + "; COMMIT;";
    m_db.execute(stamp.constData());
}

void TableFile::check()
{
    // A file that is not SQLite at all fails here with "file is not a database".
    try {
        if (pragma(m_db, "PRAGMA application_id") != ApplicationId)
            notOurs(path(), QStringLiteral("it was not written by Korvalis"));
        const qint64 version = pragma(m_db, "PRAGMA user_version");
        if (version < 1 || version > FormatVersion)
            notOurs(path(), QStringLiteral("unknown format version %1").arg(version));
        SqliteStatement quickCheck(m_db, "PRAGMA quick_check");
        if (!quickCheck.step() || quickCheck.text(0) != QLatin1String("ok"))
            notOurs(path(), QStringLiteral("the file's structure is broken"));
        SqliteStatement top(m_db, "SELECT row_count FROM tables WHERE id = 1 AND parent IS NULL");
        if (!top.step())
            notOurs(path(), QStringLiteral("its top table is missing"));
    } catch (const TableError& error) {
        if (error.kind() == TableError::Kind::Damaged)
            throw;
        notOurs(path(), error.message());
    }
}

std::optional<qint64> TableFile::childTable(qint64 table, int row, int column)
{
    SqliteStatement statement(m_db,
                              "SELECT id FROM tables WHERE parent = ? AND parent_row = ? AND parent_col = ?");
    statement.bind(1, table).bind(2, row).bind(3, column);
    if (statement.step())
        return statement.integer(0);
    return std::nullopt;
}

std::optional<qint64> TableFile::findTable(const QList<TableReference::Cell>& cells)
{
    qint64 table = TopTable;
    for (const TableReference::Cell& cell : cells) {
        const std::optional<qint64> child = childTable(table, cell.row, cell.column);
        if (!child)
            return std::nullopt;
        table = *child;
    }
    return table;
}

qint64 TableFile::ensureTable(const QList<TableReference::Cell>& cells)
{
    qint64 table = TopTable;
    for (const TableReference::Cell& cell : cells) {
        std::optional<qint64> child = childTable(table, cell.row, cell.column);
        if (!child) {
            // The cell now holds a table instead of a value.
            SqliteStatement clear(m_db, "DELETE FROM cells WHERE table_id = ? AND row = ? AND col = ?");
            clear.bind(1, table).bind(2, cell.row).bind(3, cell.column).run();
            SqliteStatement insert(m_db,
                                   "INSERT INTO tables(parent, parent_row, parent_col) VALUES(?, ?, ?)");
            insert.bind(1, table).bind(2, cell.row).bind(3, cell.column).run();
            child = sqlite3_last_insert_rowid(m_db.handle());
            growRows(table, cell.row);
        }
        table = *child;
    }
    return table;
}

int TableFile::rowCount(qint64 table)
{
    SqliteStatement statement(m_db, "SELECT row_count FROM tables WHERE id = ?");
    statement.bind(1, table);
    return statement.step() ? int(statement.integer(0)) : 0;
}

int TableFile::columnCount(qint64 table)
{
    SqliteStatement statement(
        m_db, "SELECT max(coalesce((SELECT max(col) FROM cells WHERE table_id = ?1 AND row > 0), 0),"
              " coalesce((SELECT max(parent_col) FROM tables WHERE parent = ?1 AND parent_row > 0), 0))");
    statement.bind(1, table);
    return statement.step() ? int(statement.integer(0)) : 0;
}

QVariant TableFile::cell(qint64 table, int row, int column)
{
    SqliteStatement statement(m_db, "SELECT value FROM cells WHERE table_id = ? AND row = ? AND col = ?");
    statement.bind(1, table).bind(2, row).bind(3, column);
    return statement.step() ? statement.variant(0) : QVariant();
}

bool TableFile::holdsTable(qint64 table, int row, int column)
{
    return childTable(table, row, column).has_value();
}

QString TableFile::value(qint64 table)
{
    SqliteStatement statement(m_db, "SELECT value FROM tables WHERE id = ?");
    statement.bind(1, table);
    return statement.step() && !statement.isNull(0) ? statement.text(0) : QString();
}

void TableFile::growRows(qint64 table, int row)
{
    SqliteStatement statement(m_db, "UPDATE tables SET row_count = ?2 WHERE id = ?1 AND row_count < ?2");
    statement.bind(1, table).bind(2, row).run();
}

void TableFile::deleteTable(qint64 table)
{
    QList<qint64> children;
    {
        SqliteStatement statement(m_db, "SELECT id FROM tables WHERE parent = ?");
        statement.bind(1, table);
        while (statement.step())
            children.append(statement.integer(0));
    }
    for (const qint64 child : children)
        deleteTable(child);
    SqliteStatement cells(m_db, "DELETE FROM cells WHERE table_id = ?");
    cells.bind(1, table).run();
    SqliteStatement self(m_db, "DELETE FROM tables WHERE id = ?");
    self.bind(1, table).run();
}

void TableFile::setCell(qint64 table, int row, int column, const QVariant& value)
{
    if (const std::optional<qint64> child = childTable(table, row, column))
        deleteTable(*child);
    if (!value.isValid()) {
        SqliteStatement statement(m_db, "DELETE FROM cells WHERE table_id = ? AND row = ? AND col = ?");
        statement.bind(1, table).bind(2, row).bind(3, column).run();
    } else {
        SqliteStatement statement(
            m_db, "INSERT OR REPLACE INTO cells(table_id, row, col, value) VALUES(?, ?, ?, ?)");
        statement.bind(1, table).bind(2, row).bind(3, column).bindVariant(4, value).run();
    }
    growRows(table, row);
}

void TableFile::setRowCount(qint64 table, int rows)
{
    QList<qint64> dropped;
    {
        SqliteStatement statement(m_db, "SELECT id FROM tables WHERE parent = ? AND parent_row > ?");
        statement.bind(1, table).bind(2, rows);
        while (statement.step())
            dropped.append(statement.integer(0));
    }
    for (const qint64 child : dropped)
        deleteTable(child);
    SqliteStatement cells(m_db, "DELETE FROM cells WHERE table_id = ? AND row > ?");
    cells.bind(1, table).bind(2, rows).run();
    SqliteStatement count(m_db, "UPDATE tables SET row_count = ? WHERE id = ?");
    count.bind(1, rows).bind(2, table).run();
}

void TableFile::setValue(qint64 table, const QString& value)
{
    SqliteStatement statement(m_db, "UPDATE tables SET value = ? WHERE id = ?");
    statement.bindVariant(1, value).bind(2, table).run();
}

void TableFile::beginWrite()
{
    m_db.execute("SAVEPOINT korvalis_write");
    ++m_writeDepth;
}

void TableFile::commitWrite()
{
    m_db.execute("RELEASE korvalis_write");
    --m_writeDepth;
}

void TableFile::rollbackWrite() noexcept
{
    --m_writeDepth;
    // After a full disk or an I/O error SQLite may already have rolled the whole transaction
    // back, and the savepoint is gone; then there is nothing left to undo.
    if (sqlite3_exec(m_db.handle(), "ROLLBACK TO korvalis_write; RELEASE korvalis_write", nullptr, nullptr,
                     nullptr) != SQLITE_OK &&
        m_writeDepth == 0 && !sqlite3_get_autocommit(m_db.handle()))
        sqlite3_exec(m_db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}
