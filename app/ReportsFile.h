#pragma once

#include "FileNames.h"

#include <QString>
#include <QVariant>

// Where "reports.sir" keeps what. The top table holds one row per run, rows from 1 in the order
// written; row 0 is not a run.
namespace ReportsFile {

inline QString fileName()
{
    return QStringLiteral("reports.sir");
}

// The history file inside the program folder (which ends in "/").
inline QString pathIn(const QString& appFolder)
{
    return appFolder + fileName();
}

// Columns of a run's row.
constexpr int DateColumn = 1;
constexpr int TimeColumn = 2;
constexpr int SourceColumn = 3;
constexpr int DestinationColumn = 4;
constexpr int FilesColumn = 5;
constexpr int TotalBytesColumn = 6;
constexpr int BadFilesColumn = 7;
constexpr int LostBytesColumn = 8;
constexpr int DetailsColumn = 9;       // a table of the damaged files; empty when there are none
constexpr int DamagedCountColumn = 10; // the number of damaged files
// When the run ended, exactly (ISO 8601 with milliseconds, UTC): a later attempt at the run's
// damaged files tells by it whether a copy was changed since. Not shown.
constexpr int RunEndedColumn = 11;
// How the run ended, by its stored name (RunStatus). Empty in rows written before it was kept.
constexpr int RunStateColumn = 12;

// Row 0: column 9 holds the row of the run the main menu can run again (0 when none), column 10
// the table of that run's remaining entries.
constexpr int RestartRowColumn = 9;
constexpr int ResumeJobColumn = 10;

// Columns of a detail table, one row per damaged file.
constexpr int DetailSource = 1;
constexpr int DetailDestination = 2;
constexpr int DetailSize = 3;
constexpr int DetailCopied = 4;
constexpr int DetailLost = 5;
constexpr int DetailDate = 6;
constexpr int DetailRanges = 7;
constexpr int DetailLeftOut = 8; // why the run left the item out; empty for a damaged file
// How a file that is not whole ended: "skipped" by the user, "not-copied" (nothing written);
// empty for a damaged or partial file, and in tables written before it was kept.
constexpr int DetailEnded = 9;

// A path as a cell. A path whose names are not all valid UTF-8 is kept as its bytes, so that a
// run started from the history opens the very same files.
inline QVariant pathCell(const QString& path)
{
    if (Platform::FileNames::hasRawBytes(path))
        return Platform::FileNames::toBytes(path);
    return path;
}

inline QString pathOfCell(const QVariant& cell)
{
    if (cell.typeId() == QMetaType::QByteArray)
        return Platform::FileNames::fromBytes(cell.toByteArray());
    return cell.toString();
}

// Columns of the resume table: row 0 holds the roots, rows 1 to n the entries.
constexpr int ResumeEntry = 1;         // rows 1..n: the entry; row 0: the source root
constexpr int ResumeStartPosition = 2; // rows 1..n: bytes already copied; row 0: the destination root

} // namespace ReportsFile
