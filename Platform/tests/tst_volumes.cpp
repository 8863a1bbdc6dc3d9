#include "MountTable.h"
#include "Volumes.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace Platform;

namespace {

std::optional<Volume> findRoot(const VolumeList& list, const QString& root)
{
    for (const Volume& v : list)
        if (v.root == root)
            return v;
    return std::nullopt;
}

} // namespace

class TestVolumes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parsesAndClassifies_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("removable");
        QTest::addColumn<QString>("root");
        QTest::addColumn<int>("type");

        QTest::newRow("fixed disk") << QByteArray("27 1 254:0 / / rw - ext4 /dev/vda rw") << false
                                    << QStringLiteral("/") << 2;
        QTest::newRow("usb stick") << QByteArray("40 27 8:17 / /media/usb rw - vfat /dev/sdb1 rw") << true
                                   << QStringLiteral("/media/usb/") << 1;
        QTest::newRow("optical") << QByteArray("41 27 11:0 / /media/cdrom ro - iso9660 /dev/sr0 ro") << true
                                 << QStringLiteral("/media/cdrom/") << 4;
        QTest::newRow("udf dvd") << QByteArray("41 27 11:0 / /media/dvd ro - udf /dev/sr1 ro") << true
                                 << QStringLiteral("/media/dvd/") << 4;
        QTest::newRow("nfs") << QByteArray("42 27 0:50 / /net/share rw - nfs4 server:/export rw") << false
                             << QStringLiteral("/net/share/") << 3;
        QTest::newRow("cifs") << QByteArray("43 27 0:51 / /mnt/smb rw - cifs //host/docs rw") << false
                              << QStringLiteral("/mnt/smb/") << 3;
        QTest::newRow("sshfs") << QByteArray("44 27 0:52 / /mnt/ssh rw - fuse.sshfs me@h:/ rw") << false
                               << QStringLiteral("/mnt/ssh/") << 3;
        QTest::newRow("tmpfs") << QByteArray("25 24 0:23 / /dev/shm rw - tmpfs tmpfs rw") << false
                               << QStringLiteral("/dev/shm/") << 5;
        QTest::newRow("other fuse") << QByteArray("45 27 0:53 / /mnt/x rw - fuse.other src rw") << false
                                    << QStringLiteral("/mnt/x/") << 0;
        QTest::newRow("blank in mount point")
            << QByteArray("46 27 8:18 / /media/My\\040Disk rw - ext4 /dev/sdb2 rw") << false
            << QStringLiteral("/media/My Disk/") << 2;
    }

    void parsesAndClassifies()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, removable);
        QFETCH(QString, root);
        QFETCH(int, type);
        const VolumeList list = MountTable::parse(line, [&](const QString&) { return removable; });
        QCOMPARE(list.size(), 1);
        QCOMPARE(list[0].root, root);
        QCOMPARE(list[0].driveTypeCode(), type);
    }

    void leavesOutPseudoAndKeepsMountOrder()
    {
        const QByteArray info = "22 27 0:21 / /proc rw - proc proc rw\n"
                                "23 27 0:22 / /sys rw - sysfs sysfs rw\n"
                                "27 1 254:0 / / rw - ext4 /dev/vda rw\n"
                                "31 23 0:28 / /sys/fs/cgroup rw - tmpfs tmpfs rw\n"
                                "26 24 0:24 / /dev/pts rw - devpts devpts rw\n"
                                "25 24 0:23 / /dev/shm rw - tmpfs tmpfs rw\n"
                                "30 25 0:27 / /dev/shm rw - tmpfs tmpfs rw,size=1k\n"
                                "40 27 8:17 / /media/usb rw - vfat /dev/sdb1 rw\n";
        const VolumeList list = MountTable::parse(info, [](const QString&) { return false; });
        QStringList roots;
        for (const Volume& v : list)
            roots << v.root;
        QCOMPARE(roots, (QStringList{QStringLiteral("/"), QStringLiteral("/dev/shm/"),
                                     QStringLiteral("/media/usb/")}));
    }

    void rootOfThisMachine()
    {
        const auto root = findRoot(Volumes::list(), QStringLiteral("/"));
        QVERIFY(root);
        QCOMPARE(root->driveTypeCode(), 2);
        QVERIFY(root->ready);
        struct statvfs st
        {
        };
        QCOMPARE(::statvfs("/", &st), 0);
        const qint64 freeNow = static_cast<qint64>(st.f_bavail) * static_cast<qint64>(st.f_frsize);
        // Other programs write meanwhile; the answer must be the real free space, not a made-up one.
        QVERIFY(qAbs(root->freeBytes - freeNow) < 512LL * 1024 * 1024);
        QVERIFY(root->totalBytes >= root->freeBytes);
    }

    void sharedMemoryIsRamDisk()
    {
        if (!QDir(QStringLiteral("/dev/shm")).exists())
            QSKIP("no /dev/shm here");
        // A mount of the system: among the mounts, never among the drives offered.
        QVERIFY(!findRoot(Volumes::list(), QStringLiteral("/dev/shm/")));
        const auto shm = findRoot(Volumes::mounts(), QStringLiteral("/dev/shm/"));
        QVERIFY(shm);
        QCOMPARE(shm->driveTypeCode(), 5);
    }

    void sameVolume()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("a/b")));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("c")));
        QVERIFY(Volumes::sameVolume(dir.path() + QStringLiteral("/a/b"), dir.path() + QStringLiteral("/c")));
        QVERIFY(Volumes::sameVolume(QStringLiteral("/tmp"), QStringLiteral("/tmp/")));
        if (QDir(QStringLiteral("/dev/shm")).exists())
            QVERIFY(!Volumes::sameVolume(QStringLiteral("/tmp"), QStringLiteral("/dev/shm")));
    }

    void mountedTmpfsIsItsOwnVolume()
    {
        if (::geteuid() != 0)
            QSKIP("mounting needs root");
        QTemporaryDir dir;
        const QByteArray where = QFile::encodeName(dir.path() + QStringLiteral("/m"));
        QVERIFY(QDir().mkpath(QFile::decodeName(where)));
        if (::mount("korvalis-test", where.constData(), "tmpfs", 0, "size=1m") != 0)
            QSKIP("this sandbox does not allow mounts");
        const QString inside = QFile::decodeName(where) + QStringLiteral("/x");
        const bool same = Volumes::sameVolume(inside, dir.path());
        const Volume v = Volumes::volumeOf(inside);
        ::umount2(where.constData(), MNT_DETACH);
        QVERIFY(!same);
        QCOMPARE(v.root, QFile::decodeName(where) + QLatin1Char('/'));
        QCOMPARE(v.driveTypeCode(), 5);
    }
};

QTEST_GUILESS_MAIN(TestVolumes)
#include "tst_volumes.moc"
