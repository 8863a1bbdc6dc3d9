#include "TableEngine.h"

#include "TableFile.h"

#include <QDir>
#include <QFileInfo>

namespace {

void requireCell(int row, int column)
{
    if (row < 0 || column < 0)
        throw TableError(TableError::Kind::BadReference,
                         QStringLiteral("There is no cell at row %1, column %2.").arg(row).arg(column));
}

QString fileKey(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

TableEngine::TableEngine() = default;
TableEngine::~TableEngine() = default;

std::shared_ptr<TableFile> TableEngine::file(const QString& path, bool forWriting)
{
    const QString key = fileKey(path);
    const auto found = m_files.find(key);
    if (found != m_files.end())
        return found->second;
    std::shared_ptr<TableFile> opened = TableFile::open(path, forWriting);
    m_files.emplace(key, opened);
    return opened;
}

int TableEngine::CheckTable(const QString& reference)
{
    try {
        const TableReference parsed = TableReference::parse(reference);
        if (!QFileInfo::exists(parsed.path))
            return 0;
        return file(parsed.path, false)->findTable(parsed.cells) ? 1 : 0;
    } catch (const TableError&) {
        return -1;
    } catch (const std::exception&) {
        return -1;
    }
}

int TableEngine::GetRowCount(const QString& reference)
{
    const TableReference parsed = TableReference::parse(reference);
    if (!QFileInfo::exists(parsed.path))
        return 0;
    const std::shared_ptr<TableFile> table = file(parsed.path, false);
    const std::optional<qint64> id = table->findTable(parsed.cells);
    return id ? table->rowCount(*id) : 0;
}

int TableEngine::GetColumnCount(const QString& reference)
{
    const TableReference parsed = TableReference::parse(reference);
    if (!QFileInfo::exists(parsed.path))
        return 0;
    const std::shared_ptr<TableFile> table = file(parsed.path, false);
    const std::optional<qint64> id = table->findTable(parsed.cells);
    return id ? table->columnCount(*id) : 0;
}

QVariant TableEngine::GetCellValue(const QString& reference, int row, int column)
{
    requireCell(row, column);
    const TableReference parsed = TableReference::parse(reference);
    if (!QFileInfo::exists(parsed.path))
        return {};
    const std::shared_ptr<TableFile> table = file(parsed.path, false);
    const std::optional<qint64> id = table->findTable(parsed.cells);
    return id ? table->cell(*id, row, column) : QVariant();
}

QString TableEngine::GetCell(const QString& reference, int row, int column)
{
    const QVariant value = GetCellValue(reference, row, column);
    switch (value.typeId()) {
    case QMetaType::UnknownType: {
        // Empty, or it holds a table: then it reads as the suffix that reaches that table.
        TableReference parsed = TableReference::parse(reference);
        if (!QFileInfo::exists(parsed.path))
            return {};
        parsed.cells.append({row, column});
        return file(parsed.path, false)->findTable(parsed.cells) ? parsed.suffix() : QString();
    }
    case QMetaType::QByteArray:
        return QString::fromLatin1(value.toByteArray());
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', 17);
    default:
        return value.toString();
    }
}

QByteArray TableEngine::GetCellData(const QString& reference, int row, int column)
{
    const QVariant value = GetCellValue(reference, row, column);
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray();
    return GetCell(reference, row, column).toUtf8();
}

QString TableEngine::GetValue(const QString& reference)
{
    const TableReference parsed = TableReference::parse(reference);
    if (!QFileInfo::exists(parsed.path))
        return {};
    const std::shared_ptr<TableFile> table = file(parsed.path, false);
    const std::optional<qint64> id = table->findTable(parsed.cells);
    return id ? table->value(*id) : QString();
}

void TableEngine::SetValue(const QString& value, const QString& reference)
{
    TableTransaction write = BeginWrite(TableReference::parse(reference).path);
    write.SetValue(value, reference);
    write.commit();
}

void TableEngine::SetCell(const QString& reference, int row, int column, const QVariant& value)
{
    TableTransaction write = BeginWrite(TableReference::parse(reference).path);
    write.SetCell(reference, row, column, value);
    write.commit();
}

void TableEngine::SetRowCount(const QString& reference, int rows)
{
    TableTransaction write = BeginWrite(TableReference::parse(reference).path);
    write.SetRowCount(reference, rows);
    write.commit();
}

TableTransaction TableEngine::BeginWrite(const QString& path)
{
    return TableTransaction(file(path, true));
}

void TableEngine::CloseAll()
{
    m_files.clear();
}

void TableEngine::ResetEngine()
{
    CloseAll();
}
