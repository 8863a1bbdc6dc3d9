#include "UDisks2Client.h"

#include "MountRules.h"
#include "PathRules.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QFile>
#include <QFileInfo>
#include <QVariant>

#include <mutex>

namespace Platform {

const QString UDisks2Client::Service = QStringLiteral("org.freedesktop.UDisks2");
const QString UDisks2Client::ObjectRoot = QStringLiteral("/org/freedesktop/UDisks2");

namespace {

const QString BlockInterface = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString FilesystemInterface = QStringLiteral("org.freedesktop.UDisks2.Filesystem");
const QString DriveInterface = QStringLiteral("org.freedesktop.UDisks2.Drive");
const QString LoopInterface = QStringLiteral("org.freedesktop.UDisks2.Loop");

// A listing of a busy service may take a while; a service that hangs must not hold the picker.
constexpr int ListTimeoutMs = 5000;
// Mounting may wait for the user to answer a password prompt.
constexpr int MountTimeoutMs = 120000;

void registerTypes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        qDBusRegisterMetaType<UDisks2Client::InterfaceProperties>();
        qDBusRegisterMetaType<UDisks2Client::ManagedObjects>();
    });
}

// Paths travel as byte arrays with a closing NUL.
QString pathFromBytes(QByteArray bytes)
{
    while (bytes.endsWith('\0'))
        bytes.chop(1);
    return QFile::decodeName(bytes);
}

// An "aay" property: a QDBusArgument still to be read.
QStringList pathList(const QVariant& value)
{
    QStringList paths;
    if (value.canConvert<QDBusArgument>()) {
        const QDBusArgument arg = value.value<QDBusArgument>();
        arg.beginArray();
        while (!arg.atEnd()) {
            QByteArray bytes;
            arg >> bytes;
            paths.append(pathFromBytes(bytes));
        }
        arg.endArray();
    } else if (value.canConvert<QByteArrayList>()) {
        for (const QByteArray& bytes : value.value<QByteArrayList>())
            paths.append(pathFromBytes(bytes));
    }
    return paths;
}

QString objectPathOf(const QVariant& value)
{
    return value.value<QDBusObjectPath>().path();
}

bool isOpticalDrive(const QVariantMap& drive, const QString& device)
{
    if (device.startsWith(QLatin1String("/dev/sr")))
        return true;
    const QStringList media = drive.value(QStringLiteral("MediaCompatibility")).toStringList();
    for (const QString& m : media) {
        if (m.startsWith(QLatin1String("optical")))
            return true;
    }
    return drive.value(QStringLiteral("Optical")).toBool();
}

bool isRemovableDrive(const QVariantMap& drive)
{
    const QString bus = drive.value(QStringLiteral("ConnectionBus")).toString();
    return bus == QLatin1String("usb") || bus == QLatin1String("sdio") ||
           drive.value(QStringLiteral("Removable")).toBool() ||
           drive.value(QStringLiteral("MediaRemovable")).toBool();
}

QString driveName(const QVariantMap& drive)
{
    QString vendor = drive.value(QStringLiteral("Vendor")).toString().simplified();
    if (vendor == QLatin1String("ATA") || vendor.startsWith(QLatin1String("0x")))
        vendor.clear(); // the bus's name or a bus number, not a maker
    const QString model = drive.value(QStringLiteral("Model")).toString().simplified();
    if (vendor.isEmpty() || model.startsWith(vendor))
        return model;
    return model.isEmpty() ? vendor : vendor + QLatin1Char(' ') + model;
}

// Loop devices the system set up for itself: snap packages and images attached by root.
bool isSystemLoop(const UDisks2Client::InterfaceProperties& object)
{
    const auto loop = object.constFind(LoopInterface);
    if (loop == object.constEnd())
        return false;
    const QString backing = pathFromBytes(loop->value(QStringLiteral("BackingFile")).toByteArray());
    if (backing.startsWith(QLatin1String("/var/lib/snapd/")) || backing.startsWith(QLatin1String("/snap/")))
        return true;
    return loop->value(QStringLiteral("SetupByUID")).toUInt() == 0;
}

} // namespace

UDisks2Client::UDisks2Client(QDBusConnection bus)
    : m_bus(std::move(bus))
{
    registerTypes();
}

std::optional<VolumeList> UDisks2Client::volumes(const QString& home) const
{
    if (!m_bus.isConnected())
        return std::nullopt;
    const QDBusMessage call = QDBusMessage::createMethodCall(
        Service, ObjectRoot, QStringLiteral("org.freedesktop.DBus.ObjectManager"),
        QStringLiteral("GetManagedObjects"));
    const QDBusReply<ManagedObjects> reply = m_bus.call(call, QDBus::Block, ListTimeoutMs);
    if (!reply.isValid())
        return std::nullopt;
    return volumesFrom(reply.value(), home);
}

QDBusPendingCall UDisks2Client::mount(const QString& mountHandle, bool readOnly) const
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(Service, mountHandle, FilesystemInterface, QStringLiteral("Mount"));
    QVariantMap options;
    if (readOnly)
        options.insert(QStringLiteral("options"), QStringLiteral("ro"));
    call << options;
    return m_bus.asyncCall(call, MountTimeoutMs);
}

UDisks2Client::MountFailure UDisks2Client::classifyMountError(const QString& errorName,
                                                              const QString& errorText)
{
    if (errorName.isEmpty())
        return MountFailure::None;
    if (errorName.startsWith(QLatin1String("org.freedesktop.UDisks2.Error.NotAuthorized")) ||
        errorName == QLatin1String("org.freedesktop.DBus.Error.AccessDenied"))
        return MountFailure::NotAllowed;
    // mount(8) says so in its own words; these are the ones of a file system it cannot use.
    static const char* const unreadable[] = {"wrong fs type",
                                             "bad superblock",
                                             "unknown filesystem",
                                             "can't read superblock",
                                             "I/O error",
                                             "Structure needs cleaning",
                                             "corrupt"};
    for (const char* words : unreadable) {
        if (errorText.contains(QLatin1String(words), Qt::CaseInsensitive))
            return MountFailure::Unreadable;
    }
    return MountFailure::Other;
}

VolumeList UDisks2Client::volumesFrom(const ManagedObjects& objects, const QString& home)
{
    VolumeList volumes;
    for (auto it = objects.constBegin(); it != objects.constEnd(); ++it) {
        const InterfaceProperties& object = it.value();
        const auto blockIt = object.constFind(BlockInterface);
        if (blockIt == object.constEnd())
            continue;
        const QVariantMap& block = *blockIt;
        const QString drivePath = objectPathOf(block.value(QStringLiteral("Drive")));
        const QVariantMap drive = drivePath.size() > 1
                                      ? objects.value(QDBusObjectPath(drivePath)).value(DriveInterface)
                                      : QVariantMap();

        Volume base;
        base.device = pathFromBytes(block.value(QStringLiteral("PreferredDevice")).toByteArray());
        if (base.device.isEmpty())
            base.device = pathFromBytes(block.value(QStringLiteral("Device")).toByteArray());
        base.fileSystem = block.value(QStringLiteral("IdType")).toString();
        base.label = block.value(QStringLiteral("IdLabel")).toString();
        base.description = driveName(drive);
        const bool optical = isOpticalDrive(drive, base.device) ||
                             base.fileSystem == QLatin1String("iso9660") ||
                             base.fileSystem == QLatin1String("udf");
        if (optical)
            base.type = DriveType::Optical;
        else if (!drive.isEmpty())
            base.type = isRemovableDrive(drive) ? DriveType::Removable : DriveType::Fixed;
        else
            base.type = classifyDrive(base.fileSystem, base.device, false);
        if (base.description.isEmpty() && object.contains(LoopInterface))
            base.description =
                QFileInfo(pathFromBytes(
                              object.value(LoopInterface).value(QStringLiteral("BackingFile")).toByteArray()))
                    .fileName();

        const bool systemOwned = block.value(QStringLiteral("HintIgnore")).toBool() ||
                                 block.value(QStringLiteral("HintSystem")).toBool() || isSystemLoop(object);

        const auto fsIt = object.constFind(FilesystemInterface);
        if (fsIt == object.constEnd()) {
            // A drive without a file system to show: only an optical drive is listed, not ready
            // (no disc, a blank disc or an audio CD).
            if (optical && !block.value(QStringLiteral("HintIgnore")).toBool()) {
                Volume v = base;
                v.root = base.device;
                v.mounted = false;
                volumes.append(v);
            }
            continue;
        }
        const QStringList mountPoints = pathList(fsIt->value(QStringLiteral("MountPoints")));
        if (mountPoints.isEmpty()) {
            if (systemOwned ||
                block.value(QStringLiteral("IdUsage")).toString() != QLatin1String("filesystem"))
                continue;
            Volume v = base;
            v.root = base.device;
            v.mounted = false;
            v.mountHandle = it.key().path();
            volumes.append(v);
            continue;
        }
        for (const QString& mountPoint : mountPoints) {
            if (MountRules::isSystemMountPoint(mountPoint))
                continue;
            if (systemOwned && !MountRules::isUserPath(mountPoint, home))
                continue;
            Volume v = base;
            v.root = PathRules::withClosingSlash(mountPoint);
            v.ready = true;
            volumes.append(v);
        }
    }
    return volumes;
}

} // namespace Platform
