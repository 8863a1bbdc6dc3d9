#include "MountRules.h"

#include <QStringList>

namespace Platform::MountRules {

namespace {

// True when path is folder or lies inside it.
bool isWithin(const QString& path, const QString& folder)
{
    if (folder == QLatin1String("/"))
        return true;
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

QString withoutClosingSlash(const QString& path)
{
    return path.size() > 1 && path.endsWith(QLatin1Char('/')) ? path.chopped(1) : path;
}

bool isLoopDevice(const QString& device)
{
    return device.startsWith(QLatin1String("/dev/loop"));
}

} // namespace

bool isSystemMountPoint(const QString& mountPoint)
{
    const QString mp = withoutClosingSlash(mountPoint);
    if (isWithin(mp, QStringLiteral("/run/media")))
        return false;
    static const QStringList system{
        QStringLiteral("/proc"),
        QStringLiteral("/sys"),
        QStringLiteral("/dev"),
        QStringLiteral("/run"),
        QStringLiteral("/boot"),
        QStringLiteral("/efi"),
        QStringLiteral("/snap"),
        QStringLiteral("/etc"),
        QStringLiteral("/usr"),
        QStringLiteral("/var/lib/docker"),
        QStringLiteral("/var/lib/containers"),
        QStringLiteral("/var/lib/snapd"),
        QStringLiteral("/var/snap"),
        QStringLiteral("/var/lib/lxcfs"),
        QStringLiteral("/tmp/.mount_"), // AppImage bundles
    };
    for (const QString& folder : system) {
        if (folder.endsWith(QLatin1Char('_')) ? mp.startsWith(folder) : isWithin(mp, folder))
            return true;
    }
    return false;
}

bool isUserPath(const QString& mountPoint, const QString& home)
{
    const QString mp = withoutClosingSlash(mountPoint);
    if (mp == QLatin1String("/"))
        return true;
    const QString ownHome = withoutClosingSlash(home);
    if (!ownHome.isEmpty() && ownHome != QLatin1String("/") && isWithin(mp, ownHome))
        return true;
    for (const char* folder : {"/home", "/media", "/run/media"}) {
        if (isWithin(mp, QLatin1String(folder)))
            return true;
    }
    // /mnt/usb is a user's; /mnt/a/b/c belongs to some tool's own machinery.
    return isWithin(mp, QStringLiteral("/mnt")) && mp.count(QLatin1Char('/')) <= 2;
}

bool isVisible(const Volume& mount, const QString& home)
{
    if (isSystemMountPoint(mount.root))
        return false;
    const bool userPath = isUserPath(mount.root, home);
    const QString& fs = mount.fileSystem;
    if (fs == QLatin1String("overlay") || fs == QLatin1String("aufs") ||
        fs == QLatin1String("fuse-overlayfs"))
        return withoutClosingSlash(mount.root) == QLatin1String("/");
    if (mount.type == DriveType::RamDisk || fs == QLatin1String("squashfs") || isLoopDevice(mount.device))
        return userPath;
    return true;
}

} // namespace Platform::MountRules
