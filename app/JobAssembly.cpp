#include "JobAssembly.h"

#include "Background.h"
#include "FormatSize.h"
#include "Volumes.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <chrono>

namespace JobAssembly {

namespace {

constexpr std::chrono::milliseconds SizeQueryLimit{1500};

void makeFoldersWritable(const QString& path)
{
    QFile::setPermissions(path,
                          QFile::permissions(path) | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOwner);
    QDirIterator it(path, QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString dir = it.next();
        if (QFileInfo(dir).isSymLink())
            continue;
        QFile::setPermissions(dir, QFile::permissions(dir) | QFile::WriteOwner | QFile::ExeOwner |
                                       QFile::ReadOwner);
    }
}

} // namespace

bool removeTreeForced(const QString& path)
{
    const QFileInfo info(path);
    if (info.isSymLink() || (info.exists() && !info.isDir()))
        return QFile::remove(path);
    if (!info.exists())
        return true;
    makeFoldersWritable(path);
    QDir dir(path);
    return dir.removeRecursively();
}

QString CreateJobTempFolder(const QString& tempFolder)
{
    if (tempFolder.isEmpty() || !QDir::isAbsolutePath(tempFolder))
        return {};
    const QString path = tempFolder + jobFolderName();
    const QFileInfo info(path);
    if ((info.exists() || info.isSymLink()) && !removeTreeForced(path))
        return {};
    if (!QDir().mkdir(path))
        return {};
    return path + QLatin1Char('/');
}

void DeleteJobTempFolder(const QString& tempFolder)
{
    if (tempFolder.isEmpty() || !QDir::isAbsolutePath(tempFolder))
        return;
    const QString path = tempFolder + jobFolderName();
    if (QFileInfo(path).exists() || QFileInfo(path).isSymLink())
        removeTreeForced(path);
}

double DriveFreeSpace(const QString& path)
{
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        return 0;
    const auto free = Platform::Background::callWithin(SizeQueryLimit, [path]() -> double {
        const QStorageInfo storage(path);
        if (!storage.isValid() || !storage.isReady())
            return 0;
        const qint64 bytes = storage.bytesAvailable();
        return bytes > 0 ? static_cast<double>(bytes) : 0.0;
    });
    return free.value_or(0);
}

QString DriveTypeName(int code)
{
    switch (code) {
    case 0:
        return QStringLiteral("Unknown");
    case 1:
        return QStringLiteral("Removable");
    case 2:
        return QStringLiteral("Fixed");
    case 3:
        return QStringLiteral("Remote");
    case 4:
        return QStringLiteral("CD-ROM");
    case 5:
        return QStringLiteral("Flash Drive");
    default:
        return {};
    }
}

QList<DriveInfoRow> driveInfoRows()
{
    QList<DriveInfoRow> rows;
    const Platform::VolumeList volumes = Platform::Volumes::list(SizeQueryLimit);
    for (const Platform::Volume& v : volumes) {
        DriveInfoRow row;
        row.drive = v.root;
        row.type = DriveTypeName(v.driveTypeCode());
        if (v.ready) {
            row.fileSystem = v.fileSystem;
            row.label = v.label;
            row.size = FormatSize(static_cast<double>(v.totalBytes));
            row.freeSpace = FormatSize(static_cast<double>(v.freeBytes));
        }
        rows.append(row);
    }
    return rows;
}

QList<DriveInfoColumn> driveInfoColumns()
{
    return {{QStringLiteral("#"), 0},
            {QStringLiteral("Type"), 1000},
            {QStringLiteral("File System"), 1100},
            {QStringLiteral("Label"), 1500},
            {QStringLiteral("Size"), 1000},
            {QStringLiteral("Free Space"), 1000}};
}

} // namespace JobAssembly
