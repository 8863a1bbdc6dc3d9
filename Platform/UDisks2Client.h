#pragma once

#include "Volume.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QMap>
#include <QString>
#include <QVariantMap>

#include <optional>

namespace Platform {

// The disk service of a Linux desktop (UDisks2) on a D-Bus bus: the drives and file systems it
// knows, as the drive picker lists them, and mounting one of them for the logged-in user.
// volumes() blocks on the bus and is safe to call from any thread.
class UDisks2Client
{
public:
    // What GetManagedObjects answers: object path -> interface -> property -> value.
    using InterfaceProperties = QMap<QString, QVariantMap>;
    using ManagedObjects = QMap<QDBusObjectPath, InterfaceProperties>;

    static const QString Service;    // "org.freedesktop.UDisks2"
    static const QString ObjectRoot; // "/org/freedesktop/UDisks2"

    explicit UDisks2Client(QDBusConnection bus);

    // The drives a user sees; nullopt when the service does not answer (no bus, no UDisks2).
    std::optional<VolumeList> volumes(const QString& home) const;

    // Starts mounting the file system `mountHandle` (a volume's handle); read-only when asked, so a
    // failing medium is not written to by the mount. The answer is the mount point.
    QDBusPendingCall mount(const QString& mountHandle, bool readOnly) const;

    // Why a mount failed, in the terms the user is told.
    enum class MountFailure
    {
        None,
        NotAllowed, // the user may not mount it (or declined the password prompt)
        Unreadable, // the file system is damaged or of a kind the system cannot read
        Other,
    };
    static MountFailure classifyMountError(const QString& errorName, const QString& errorText);

    // The volumes that the service's objects describe: mounted file systems at the mount points a
    // user sees, present but unmounted file systems ("not mounted"), and optical drives without a
    // medium ("not ready"). Objects the service hints to ignore, system partitions and the
    // system's loop devices are left out unless mounted at a user path.
    static VolumeList volumesFrom(const ManagedObjects& objects, const QString& home);

private:
    QDBusConnection m_bus;
};

} // namespace Platform

Q_DECLARE_METATYPE(Platform::UDisks2Client::InterfaceProperties)
Q_DECLARE_METATYPE(Platform::UDisks2Client::ManagedObjects)
