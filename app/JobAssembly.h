#pragma once

#include <QList>
#include <QString>

class TextRegister;

// The file-system helpers of the main program: the temporary job folder of the burn tasks,
// free space on a destination, and the rows of the drive information list.
namespace JobAssembly {

// The name of the temporary job folder made under the chosen temporary folder.
inline QString jobFolderName()
{
    return QStringLiteral("kvs_temp_folder");
}

// Deletes and recreates <tempFolder>kvs_temp_folder (tempFolder is used as it stands and so
// ends in "/"); returns its path with a closing "/", or an empty text on any error. A folder
// text that is not an absolute path is refused rather than taken relative to the working
// directory.
QString CreateJobTempFolder(const QString& tempFolder);

// Deletes the job folder under tempFolder with all it holds, read-only entries included;
// errors are ignored.
void DeleteJobTempFolder(const QString& tempFolder);

// Removes a folder and everything below it, making read-only folders writable first; symbolic
// links are removed, never followed. True when nothing is left.
bool removeTreeForced(const QString& path);

// Free bytes on the volume that holds path; 0 for a path on no volume or when the query fails
// or hangs.
double DriveFreeSpace(const QString& path);

// The name of a drive type code as the drive pickers show it (0 "Unknown" .. 5 "Flash Drive" until
// a language sets them), an empty text otherwise.
QString DriveTypeName(int code);

// One row of the drive information list: volume, type, file system, label, size, free space.
// Cells that could not be read stay empty.
struct DriveInfoRow
{
    QString drive;
    QString type;
    QString fileSystem;
    QString label;
    QString size;
    QString freeSpace;
};

// The rows for every volume of the machine, in mount order.
QList<DriveInfoRow> driveInfoRows();

// Column titles and widths (twips; 0 for the default) of the drive information list.
struct DriveInfoColumn
{
    QString title;
    int widthTwips;
};
QList<DriveInfoColumn> driveInfoColumns();
// The same with the headers of the current language (texts 310 to 314 after "#").
QList<DriveInfoColumn> driveInfoColumns(const TextRegister& texts);

} // namespace JobAssembly
