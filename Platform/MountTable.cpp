#include "MountTable.h"

#include "MountRules.h"
#include "PathRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace Platform {

namespace {

// mountinfo escapes blanks, tabs, newlines and backslashes as octal.
QString unescapeMountField(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out.append(static_cast<char>(code));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return QString::fromUtf8(out);
}

bool isUnderKernelTree(const QString& mountPoint)
{
    return mountPoint == QLatin1String("/proc") || mountPoint.startsWith(QLatin1String("/proc/")) ||
           mountPoint == QLatin1String("/sys") || mountPoint.startsWith(QLatin1String("/sys/")) ||
           mountPoint.startsWith(QLatin1String("/dev/pts"));
}

QString readSysfsText(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.read(256)).simplified();
}

QString labelOfDevice(const QString& device)
{
    const QDir byLabel(QStringLiteral("/dev/disk/by-label"));
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty() || !byLabel.exists())
        return {};
    const auto names = byLabel.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (QFileInfo(byLabel.filePath(name)).canonicalFilePath() == target)
            return unescapeMountField(name.toUtf8().replace("\\x20", "\\040"));
    }
    return {};
}

} // namespace

QString MountTable::defaultPath()
{
    return QStringLiteral("/proc/self/mountinfo");
}

MountTable::MountTable(QString path, RemovableTest removable, DriveNameLookup driveName)
    : m_path(std::move(path))
    , m_removable(std::move(removable))
    , m_driveName(std::move(driveName))
{
}

// A block device is removable when sysfs says so for it or its whole disk, or when it hangs off USB.
bool MountTable::sysfsRemovable(const QString& majorMinor)
{
    const QString real = QFileInfo(QStringLiteral("/sys/dev/block/") + majorMinor).canonicalFilePath();
    if (real.isEmpty())
        return false;
    if (real.contains(QLatin1String("/usb")))
        return true;
    for (const QString& dir : {real, QFileInfo(real).path()}) {
        QFile f(dir + QStringLiteral("/removable"));
        if (f.open(QIODevice::ReadOnly))
            return f.readAll().trimmed() == "1";
    }
    return false;
}

// SCSI, USB and ATA disks name their vendor and model in sysfs; a partition asks its whole disk.
QString MountTable::sysfsDriveName(const QString& majorMinor)
{
    const QString real = QFileInfo(QStringLiteral("/sys/dev/block/") + majorMinor).canonicalFilePath();
    if (real.isEmpty())
        return {};
    for (const QString& dir : {real, QFileInfo(real).path()}) {
        const QString model = readSysfsText(dir + QStringLiteral("/device/model"));
        if (model.isEmpty())
            continue;
        QString vendor = readSysfsText(dir + QStringLiteral("/device/vendor"));
        if (vendor.startsWith(QLatin1String("0x")) || vendor == QLatin1String("ATA"))
            vendor.clear(); // a bus number or the bus's name, not a maker
        return vendor.isEmpty() ? model : vendor + QLatin1Char(' ') + model;
    }
    return {};
}

VolumeList MountTable::parse(const QByteArray& mountInfo, const RemovableTest& removable,
                             const DriveNameLookup& driveName)
{
    VolumeList volumes;
    const auto lines = mountInfo.split('\n');
    for (const QByteArray& line : lines) {
        const auto fields = line.split(' ');
        const qsizetype dash = fields.indexOf("-");
        if (dash < 6 || dash + 2 >= fields.size())
            continue;
        const QString majorMinor = QString::fromLatin1(fields[2]);
        const QString mountPoint = unescapeMountField(fields[4]);
        const QString fs = unescapeMountField(fields[dash + 1]);
        const QString source = unescapeMountField(fields[dash + 2]);
        if (isPseudoFileSystem(fs) || isUnderKernelTree(mountPoint))
            continue;

        Volume v;
        v.root = PathRules::withClosingSlash(mountPoint);
        v.fileSystem = fs;
        v.device = source;
        const bool blockDevice = source.startsWith(QLatin1String("/dev/"));
        v.type = classifyDrive(fs, source, blockDevice && removable && removable(majorMinor));
        if (v.type == DriveType::Network)
            v.label = source;
        if (blockDevice && driveName)
            v.description = driveName(majorMinor);
        v.ready = true;

        auto same = std::find_if(volumes.begin(), volumes.end(),
                                 [&](const Volume& other) { return other.root == v.root; });
        if (same != volumes.end())
            *same = v;
        else
            volumes.append(v);
    }
    return volumes;
}

VolumeList MountTable::unmountedOpticalDrives(const VolumeList& mounted)
{
    VolumeList drives;
    const QDir sysBlock(QStringLiteral("/sys/block"));
    const auto names = sysBlock.entryList({QStringLiteral("sr*")}, QDir::Dirs | QDir::System);
    for (const QString& name : names) {
        const QString device = QStringLiteral("/dev/") + name;
        const bool isMounted =
            std::any_of(mounted.begin(), mounted.end(), [&](const Volume& v) { return v.device == device; });
        if (isMounted)
            continue;
        Volume v;
        v.root = device;
        v.device = device;
        v.type = DriveType::Optical;
        v.ready = false;
        v.mounted = false;
        v.description = sysfsDriveName(readSysfsText(sysBlock.filePath(name) + QStringLiteral("/dev")));
        drives.append(v);
    }
    return drives;
}

VolumeList MountTable::all() const
{
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return parse(f.readAll(), m_removable);
}

VolumeList MountTable::userVisible(const QString& home) const
{
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    VolumeList volumes = parse(f.readAll(), m_removable, m_driveName);
    volumes.removeIf([&](const Volume& v) { return !MountRules::isVisible(v, home); });
    for (Volume& v : volumes) {
        if (v.label.isEmpty() && v.device.startsWith(QLatin1String("/dev/")))
            v.label = labelOfDevice(v.device);
    }
    // The machine's optical drives belong with the machine's own table, not with a table of a test.
    if (m_path == defaultPath())
        volumes += unmountedOpticalDrives(volumes);
    return volumes;
}

} // namespace Platform
