#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

// Thin owners of a SQLite connection and its prepared statements. Every failure becomes a
// TableError of kind Failed (or Damaged when SQLite says the file is not a database or is
// corrupt), carrying SQLite's own description.
class SqliteDatabase
{
public:
    enum class Mode
    {
        ReadWrite,
        ReadOnly,
        Create
    };

    SqliteDatabase(const QString& path, Mode mode);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    sqlite3* handle() const { return m_db; }
    const QString& path() const { return m_path; }

    // Runs one or more statements that return no rows.
    void execute(const char* sql);

    // Raises the error SQLite reports for the result code rc.
    [[noreturn]] void fail(int rc, const char* what) const;

private:
    sqlite3* m_db = nullptr;
    QString m_path;
};

class SqliteStatement
{
public:
    SqliteStatement(SqliteDatabase& db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    SqliteStatement& bind(int index, qint64 value);
    SqliteStatement& bindNull(int index);
    // QString binds as text, QByteArray as a blob, integers and doubles as numbers, an invalid
    // variant as NULL.
    SqliteStatement& bindVariant(int index, const QVariant& value);

    // Steps once; true while a row is available.
    bool step();
    // Steps until done, for statements without rows.
    void run();
    void reset();

    bool isNull(int column) const;
    qint64 integer(int column) const;
    QString text(int column) const;
    // The column as stored: QString, qint64, double, QByteArray, or an invalid variant for NULL.
    QVariant variant(int column) const;

private:
    SqliteDatabase& m_db;
    sqlite3_stmt* m_statement = nullptr;
};
