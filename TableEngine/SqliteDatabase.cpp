#include "SqliteDatabase.h"

#include "TableError.h"

#include <QFile>

#include <sqlite3.h>

namespace {

TableError::Kind kindOf(int rc)
{
    switch (rc & 0xff) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_FORMAT:
        return TableError::Kind::Damaged;
    default:
        return TableError::Kind::Failed;
    }
}

} // namespace

SqliteDatabase::SqliteDatabase(const QString& path, Mode mode)
    : m_path(path)
{
    int flags = SQLITE_OPEN_EXRESCODE;
    switch (mode) {
    case Mode::ReadWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case Mode::ReadOnly:
        flags |= SQLITE_OPEN_READONLY;
        break;
    case Mode::Create:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    }
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString detail = QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc));
        sqlite3_close(m_db);
        m_db = nullptr;
        throw TableError(kindOf(rc), QStringLiteral("Cannot open the table file %1: %2").arg(path, detail));
    }
    // Wait a little for another program that holds the file for a moment, instead of failing.
    sqlite3_busy_timeout(m_db, 5000);
    sqlite3_extended_result_codes(m_db, 1);
}

SqliteDatabase::~SqliteDatabase()
{
    // Statements are owned by SqliteStatement objects that end before the database does.
    sqlite3_close(m_db);
}

void SqliteDatabase::execute(const char* sql)
{
    char* error = nullptr;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        sqlite3_free(error);
        fail(rc, sql);
    }
}

void SqliteDatabase::fail(int rc, const char* what) const
{
    Q_UNUSED(what);
    QString detail = QString::fromUtf8(sqlite3_errmsg(m_db));
    if (detail.isEmpty() || detail == QLatin1String("not an error"))
        detail = QString::fromUtf8(sqlite3_errstr(rc));
    const TableError::Kind kind = kindOf(rc);
    if (kind == TableError::Kind::Damaged)
        throw TableError(kind, QStringLiteral("The table file %1 is damaged: %2").arg(m_path, detail));
    throw TableError(kind, QStringLiteral("The table file %1 cannot be used: %2").arg(m_path, detail));
}

SqliteStatement::SqliteStatement(SqliteDatabase& db, const char* sql)
    : m_db(db)
{
    const int rc = sqlite3_prepare_v2(db.handle(), sql, -1, &m_statement, nullptr);
    if (rc != SQLITE_OK)
        db.fail(rc, sql);
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

SqliteStatement& SqliteStatement::bind(int index, qint64 value)
{
    const int rc = sqlite3_bind_int64(m_statement, index, value);
    if (rc != SQLITE_OK)
        m_db.fail(rc, "bind");
    return *this;
}

SqliteStatement& SqliteStatement::bindNull(int index)
{
    const int rc = sqlite3_bind_null(m_statement, index);
    if (rc != SQLITE_OK)
        m_db.fail(rc, "bind");
    return *this;
}

SqliteStatement& SqliteStatement::bindVariant(int index, const QVariant& value)
{
    int rc = SQLITE_OK;
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        rc = sqlite3_bind_null(m_statement, index);
        break;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        rc = sqlite3_bind_blob64(m_statement, index, bytes.constData(), sqlite3_uint64(bytes.size()),
                                 SQLITE_TRANSIENT);
        break;
    }
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Bool:
        rc = sqlite3_bind_int64(m_statement, index, value.toLongLong());
        break;
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        rc = sqlite3_bind_double(m_statement, index, value.toDouble());
        break;
    default: {
        const QByteArray text = value.toString().toUtf8();
        rc = sqlite3_bind_text64(m_statement, index, text.constData(), sqlite3_uint64(text.size()),
                                 SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
    }
    }
    if (rc != SQLITE_OK)
        m_db.fail(rc, "bind");
    return *this;
}

bool SqliteStatement::step()
{
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    m_db.fail(rc, sqlite3_sql(m_statement));
}

void SqliteStatement::run()
{
    while (step()) {
    }
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

qint64 SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

QString SqliteStatement::text(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return QString::fromUtf8(data, sqlite3_column_bytes(m_statement, column));
}

QVariant SqliteStatement::variant(int column) const
{
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(m_statement, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_statement, column));
    case SQLITE_BLOB: {
        const void* data = sqlite3_column_blob(m_statement, column);
        return QVariant(
            QByteArray(static_cast<const char*>(data), sqlite3_column_bytes(m_statement, column)));
    }
    case SQLITE_TEXT:
        return QVariant(text(column));
    default:
        return QVariant();
    }
}
