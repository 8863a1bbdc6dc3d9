#include "DriveType.h"

#include <QSet>

namespace Platform {

namespace {

bool isNetworkFileSystem(const QString& fs)
{
    static const QSet<QString> network{
        QStringLiteral("nfs"),        QStringLiteral("nfs4"),        QStringLiteral("cifs"),
        QStringLiteral("smb3"),       QStringLiteral("smbfs"),       QStringLiteral("9p"),
        QStringLiteral("afs"),        QStringLiteral("ceph"),        QStringLiteral("glusterfs"),
        QStringLiteral("fuse.sshfs"), QStringLiteral("fuse.rclone"), QStringLiteral("fuse.glusterfs"),
        QStringLiteral("davfs"),      QStringLiteral("fuse.davfs2"), QStringLiteral("ncpfs"),
        QStringLiteral("fuse.s3fs"),  QStringLiteral("lustre"),      QStringLiteral("virtiofs"),
    };
    return network.contains(fs);
}

} // namespace

bool isPseudoFileSystem(const QString& fs)
{
    static const QSet<QString> pseudo{
        QStringLiteral("proc"),        QStringLiteral("sysfs"),
        QStringLiteral("devtmpfs"),    QStringLiteral("devpts"),
        QStringLiteral("cgroup"),      QStringLiteral("cgroup2"),
        QStringLiteral("mqueue"),      QStringLiteral("debugfs"),
        QStringLiteral("tracefs"),     QStringLiteral("securityfs"),
        QStringLiteral("pstore"),      QStringLiteral("bpf"),
        QStringLiteral("configfs"),    QStringLiteral("fusectl"),
        QStringLiteral("hugetlbfs"),   QStringLiteral("autofs"),
        QStringLiteral("binfmt_misc"), QStringLiteral("rpc_pipefs"),
        QStringLiteral("nsfs"),        QStringLiteral("efivarfs"),
        QStringLiteral("selinuxfs"),   QStringLiteral("fuse.gvfsd-fuse"),
        QStringLiteral("fuse.portal"), QStringLiteral("nfsd"),
    };
    return pseudo.contains(fs);
}

DriveType classifyDrive(const QString& fs, const QString& source, bool removableDevice)
{
    if (isNetworkFileSystem(fs))
        return DriveType::Network;
    if (source.startsWith(QLatin1String("/dev/sr")) || fs == QLatin1String("iso9660") ||
        fs == QLatin1String("udf"))
        return DriveType::Optical;
    if (fs == QLatin1String("tmpfs") || fs == QLatin1String("ramfs"))
        return DriveType::RamDisk;
    // The root of a container: its disk, seen through the container's layers.
    if (fs == QLatin1String("overlay") || fs == QLatin1String("fuse-overlayfs"))
        return DriveType::Fixed;
    // The damaged-medium simulator stands for a failing stick or card.
    if (fs == QLatin1String("fuse.korvalis-medium"))
        return DriveType::Removable;
    if (source.startsWith(QLatin1String("/dev/")))
        return removableDevice ? DriveType::Removable : DriveType::Fixed;
    return DriveType::Unknown;
}

} // namespace Platform
