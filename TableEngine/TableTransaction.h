#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <memory>

class TableFile;

// Several writes to one table file that take effect together. Created by
// TableEngine::BeginWrite; nothing is kept unless commit() is called: a transaction that ends
// without commit (an exception, an early return) rolls back every change it made, and so does
// a crash or a full disk before the commit has finished.
//
//     TableTransaction write = engine.BeginWrite(path);
//     const int row = write.AppendRow(TableReference::of(path), {date, time, source});
//     write.SetCell(TableReference::of(path, row, 9), 1, 1, fileName);
//     write.commit();
//
// References given to the calls must name the transaction's file.
class TableTransaction
{
public:
    TableTransaction(TableTransaction&& other) noexcept;
    TableTransaction& operator=(TableTransaction&&) = delete;
    TableTransaction(const TableTransaction&) = delete;
    TableTransaction& operator=(const TableTransaction&) = delete;
    ~TableTransaction();

    void SetCell(const QString& reference, int row, int column, const QVariant& value);
    void SetRowCount(const QString& reference, int rows);
    void SetValue(const QString& value, const QString& reference);
    // Makes cell (row, column) of the referenced table hold a new, empty table (replacing
    // whatever it held).
    void CreateTable(const QString& reference, int row, int column);
    // Adds a row after the last one, cells from column 1; returns its row number.
    int AppendRow(const QString& reference, const QVariantList& cells);

    // Makes every change permanent. Throws TableError when the file cannot take them; the
    // file then keeps its old content.
    void commit();

private:
    friend class TableEngine;
    explicit TableTransaction(std::shared_ptr<TableFile> file);
    qint64 tableFor(const QString& reference, bool create);
    void requireOpen() const;

    std::shared_ptr<TableFile> m_file;
    bool m_open = false;
};
