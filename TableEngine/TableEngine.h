#pragma once

#include "TableError.h"
#include "TableReference.h"
#include "TableTransaction.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <map>
#include <memory>

class TableFile;

// The table engine: reads and writes the program's table files ("languages.sir",
// "reports.sir") through table references of the form "path" or "path"/[row,col] (see
// TableReference). Rows and columns count from 1; row 0 may hold cells too but is not counted
// by GetRowCount. A cell holds nothing, a text, a number, binary data, or a whole table.
//
// There is no open call: a file is opened when a call first needs it and stays open until
// CloseAll. Reads never create a file; writes create a missing (or empty) file. Every write is
// one transaction: a crash, a full disk or an error in the middle leaves the file as it was.
//
// Errors: CheckTable never throws. The other calls throw TableError on a bad reference or a file
// that is not a table file, is damaged, or cannot be written. A missing file or table reads as
// empty: GetRowCount 0, GetCell "", GetValue "".
//
// An engine belongs to one thread; two engines (or two programs) may use the same file.
class TableEngine
{
public:
    TableEngine();
    ~TableEngine();
    TableEngine(const TableEngine&) = delete;
    TableEngine& operator=(const TableEngine&) = delete;

    // 1 when the file exists, is a readable table file and holds the referenced table;
    // 0 when the file or the table does not exist; -1 when the file is foreign, damaged,
    // unreadable, or the reference is not one.
    int CheckTable(const QString& reference);

    // Rows 1 to n of the table (row 0 is not counted); 0 when it has none or does not exist.
    int GetRowCount(const QString& reference);
    // The highest column used in rows 1 to n; 0 for an empty table.
    int GetColumnCount(const QString& reference);

    // The cell as text, "" when empty. Numbers read as their decimal text. Binary data reads
    // one character per byte (Latin-1), so toLatin1() gives the bytes back unchanged. A cell
    // that holds a table reads as that table's reference suffix, for example "/[3,9]".
    QString GetCell(const QString& reference, int row, int column);
    // The cell's bytes: binary data as stored, texts and numbers as UTF-8; empty when empty.
    QByteArray GetCellData(const QString& reference, int row, int column);
    // The cell as stored: QString, qint64, double or QByteArray; invalid when empty or a table.
    QVariant GetCellValue(const QString& reference, int row, int column);

    // The value last stored with SetValue under the same reference, kept in the file.
    QString GetValue(const QString& reference);
    // Stores a value under the reference (creating the referenced table if needed).
    void SetValue(const QString& value, const QString& reference);

    // Writes one cell; an invalid QVariant empties it. A QByteArray is stored as binary data.
    // Writing a value into a cell that holds a table removes that table.
    void SetCell(const QString& reference, int row, int column, const QVariant& value);
    // Sets the number of rows; rows above it are removed with the tables they hold.
    void SetRowCount(const QString& reference, int rows);

    // Starts a write of several changes to one file that commit together (see TableTransaction).
    TableTransaction BeginWrite(const QString& path);

    // Closes every open file; afterwards no file is held open. A transaction still alive keeps
    // its file open until it ends.
    void CloseAll();
    // Closes everything and forgets every file; afterwards the engine holds nothing of them.
    void ResetEngine();

private:
    friend class TableTransaction;
    std::shared_ptr<TableFile> file(const QString& path, bool forWriting);

    std::map<QString, std::shared_ptr<TableFile>> m_files;
};
