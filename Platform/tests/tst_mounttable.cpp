#include "MountRules.h"
#include "MountTable.h"
#include "Volumes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Platform;

namespace {

// A desktop's mount table, as a test writes it: the system's own mounts, a container's layers and
// snap packages around the user's drives. Blanks in mount points are escaped as the kernel does.
const QByteArray DesktopTable =
    "22 1 0:21 / /proc rw - proc proc rw\n"
    "23 1 0:22 / /sys rw - sysfs sysfs rw\n"
    "24 1 0:6 / /dev rw - devtmpfs udev rw\n"
    "25 24 0:23 / /dev/shm rw - tmpfs tmpfs rw\n"
    "26 1 0:24 / /run rw - tmpfs tmpfs rw\n"
    "27 1 259:2 / / rw - ext4 /dev/nvme0n1p2 rw\n"
    "28 27 259:1 / /boot/efi rw - vfat /dev/nvme0n1p1 rw\n"
    "29 26 0:40 / /run/user/1000 rw - tmpfs tmpfs rw\n"
    "30 27 7:0 / /snap/core22/864 ro - squashfs /dev/loop0 ro\n"
    "31 27 0:50 / /var/lib/docker/overlay2/5f1e/merged rw - overlay overlay rw\n"
    "32 27 259:3 / /home rw - ext4 /dev/nvme0n1p3 rw\n"
    "33 29 8:17 / /run/media/anna/STICK\\040ONE rw - vfat /dev/sdb1 rw\n"
    "34 27 0:51 / /mnt/nas rw - nfs4 nas:/export rw\n"
    "35 32 0:52 / /home/anna/ram rw - tmpfs tmpfs rw\n"
    "36 27 0:53 / /mnt/tools/env/v1/python ro - tmpfs unavailable ro\n"
    "37 27 259:2 /etc/hostname /etc/hostname rw - ext4 /dev/nvme0n1p2 rw\n"
    "38 32 0:54 / /home/anna/medium ro - fuse.korvalis-medium korvalis-medium ro\n"
    "39 27 7:3 / /media/anna/image rw - ext4 /dev/loop3 rw\n"
    "40 29 0:55 / /run/user/1000/doc rw - fuse.portal portal rw\n"
    "41 27 0:56 / /tmp/.mount_AppXYZ ro - fuse.AppImage AppImage ro\n";

const QString Home = QStringLiteral("/home/anna");

void addRow(const char* name, const char* mountPoint, const char* fileSystem, const char* device,
            bool visible)
{
    QTest::newRow(name) << QString::fromUtf8(mountPoint) << QString::fromUtf8(fileSystem)
                        << QString::fromUtf8(device) << visible;
}

QStringList roots(const VolumeList& volumes)
{
    QStringList out;
    for (const Volume& v : volumes)
        out.append(v.root);
    return out;
}

QString writeTable(QTemporaryDir& dir, const QByteArray& text)
{
    const QString path = dir.filePath(QStringLiteral("mountinfo"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        return {};
    return path;
}

} // namespace

class TestMountTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void visibleMounts_data()
    {
        QTest::addColumn<QString>("mountPoint");
        QTest::addColumn<QString>("fileSystem");
        QTest::addColumn<QString>("device");
        QTest::addColumn<bool>("visible");

        addRow("root", "/", "ext4", "/dev/sda2", true);
        addRow("container root", "/", "overlay", "overlay", true);
        addRow("container layer", "/data/merged", "overlay", "overlay", false);
        addRow("shared memory", "/dev/shm/", "tmpfs", "tmpfs", false);
        addRow("run", "/run", "tmpfs", "tmpfs", false);
        addRow("user runtime", "/run/user/1000", "tmpfs", "tmpfs", false);
        addRow("desktop mount", "/run/media/anna/STICK", "vfat", "/dev/sdb1", true);
        addRow("efi", "/boot/efi", "vfat", "/dev/sda1", false);
        addRow("boot", "/boot", "ext4", "/dev/sda1", false);
        addRow("snap", "/snap/firefox/1", "squashfs", "/dev/loop1", false);
        addRow("squashfs elsewhere", "/opt/pkg", "squashfs", "/dev/loop2", false);
        addRow("system loop", "/var/cache/img", "ext4", "/dev/loop4", false);
        addRow("user's loop", "/media/anna/img", "ext4", "/dev/loop5", true);
        addRow("docker store", "/var/lib/docker", "ext4", "/dev/sdc1", false);
        addRow("bound file", "/etc/resolv.conf", "ext4", "/dev/sda2", false);
        addRow("ram disk in home", "/home/anna/ram", "tmpfs", "tmpfs", true);
        addRow("ram disk in mnt", "/mnt/ram", "tmpfs", "tmpfs", true);
        addRow("deep tool mount", "/mnt/tools/env/v1", "tmpfs", "tmpfs", false);
        addRow("tmp", "/tmp", "tmpfs", "tmpfs", false);
        addRow("data disk", "/srv/data", "xfs", "/dev/sdd1", true);
        addRow("share", "/mnt/nas", "nfs4", "nas:/export", true);
        addRow("medium simulator", "/tmp/demo/medium", "fuse.korvalis-medium", "korvalis-medium", true);
    }

    void visibleMounts()
    {
        QFETCH(QString, mountPoint);
        QFETCH(QString, fileSystem);
        QFETCH(QString, device);
        QFETCH(bool, visible);
        Volume v;
        v.root = mountPoint.endsWith(QLatin1Char('/')) ? mountPoint : mountPoint + QLatin1Char('/');
        v.fileSystem = fileSystem;
        v.device = device;
        v.type = classifyDrive(fileSystem, device, false);
        QCOMPARE(MountRules::isVisible(v, Home), visible);
    }

    void fallbackListsWhatAUserSees()
    {
        QTemporaryDir dir;
        const QString table = writeTable(dir, DesktopTable);
        QVERIFY(!table.isEmpty());
        const MountTable mounts(
            table, [](const QString& majorMinor) { return majorMinor == QLatin1String("8:17"); },
            [](const QString& majorMinor) {
                return majorMinor == QLatin1String("8:17") ? QStringLiteral("SanDisk Cruzer") : QString();
            });

        // Every file system stays known for path questions...
        QVERIFY(roots(mounts.all()).contains(QStringLiteral("/dev/shm/")));
        // ...but only the user's drives are offered.
        const VolumeList visible = mounts.userVisible(Home);
        QCOMPARE(roots(visible),
                 (QStringList{QStringLiteral("/"), QStringLiteral("/home/"),
                              QStringLiteral("/run/media/anna/STICK ONE/"), QStringLiteral("/mnt/nas/"),
                              QStringLiteral("/home/anna/ram/"), QStringLiteral("/home/anna/medium/"),
                              QStringLiteral("/media/anna/image/")}));
        QCOMPARE(visible[2].type, DriveType::Removable);
        QCOMPARE(visible[2].description, QStringLiteral("SanDisk Cruzer"));
        QCOMPARE(visible[3].type, DriveType::Network);
        QCOMPARE(visible[4].type, DriveType::RamDisk);
        QCOMPARE(visible[5].type, DriveType::Removable);
    }

    void pickerOrderIsByKindThenMountPoint()
    {
        QTemporaryDir dir;
        // Without the stick, whose type this machine's sysfs would decide.
        QByteArray text = DesktopTable;
        text.replace("33 29 8:17 / /run/media/anna/STICK\\040ONE rw - vfat /dev/sdb1 rw\n", "");
        const QString table = writeTable(dir, text);
        const VolumeOrigin origin{QDBusConnection(QStringLiteral("no bus")), table, Home};
        const VolumeList volumes = Volumes::list(origin);
        QCOMPARE(roots(volumes),
                 (QStringList{QStringLiteral("/"), QStringLiteral("/home/"),
                              QStringLiteral("/media/anna/image/"), QStringLiteral("/home/anna/medium/"),
                              QStringLiteral("/mnt/nas/"), QStringLiteral("/home/anna/ram/")}));
        // The root of this machine answers its size query; the rest of a made-up table need not.
        QVERIFY(volumes[0].ready);

        // A drive that comes or goes moves no other drive.
        VolumeList more = volumes;
        Volume stick;
        stick.root = QStringLiteral("/media/anna/B/");
        stick.type = DriveType::Removable;
        more.prepend(stick);
        Volumes::sortForPicker(more);
        more.removeIf([](const Volume& v) { return v.root == QLatin1String("/media/anna/B/"); });
        QCOMPARE(roots(more), roots(volumes));
    }

    void containerTable()
    {
        // What a CI container shows: its layered root, the system's memory file systems and
        // files bound in from the host.
        const QByteArray table =
            "601 560 0:120 / / rw - overlay overlay rw,lowerdir=/x\n"
            "602 601 0:123 / /proc rw - proc proc rw\n"
            "603 601 0:124 / /dev rw - tmpfs tmpfs rw\n"
            "605 603 0:126 / /dev/shm rw - tmpfs shm rw\n"
            "606 601 8:1 /var/lib/docker/containers/ab/hosts /etc/hosts rw - ext4 /dev/sda1 rw\n"
            "607 601 8:1 /home/ci/src /src rw - ext4 /dev/sda1 rw\n"
            "608 601 0:127 / /run/secrets rw - tmpfs tmpfs rw\n";
        QTemporaryDir dir;
        const VolumeOrigin origin{QDBusConnection(QStringLiteral("no bus")), writeTable(dir, table),
                                  QStringLiteral("/root")};
        const VolumeList volumes = Volumes::list(origin);
        QCOMPARE(roots(volumes), (QStringList{QStringLiteral("/"), QStringLiteral("/src/")}));
        QCOMPARE(volumes[0].type, DriveType::Fixed);
    }

    void unreadableTableListsNothing()
    {
        const MountTable missing(QStringLiteral("/nonexistent/mountinfo"));
        QVERIFY(missing.all().isEmpty());
        QVERIFY(missing.userVisible(Home).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestMountTable)
#include "tst_mounttable.moc"
