#include "MockDiskService.h"
#include "UDisks2Client.h"
#include "VolumeWatcher.h"
#include "Volumes.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Platform;

namespace {

QStringList roots(const VolumeList& volumes)
{
    QStringList out;
    for (const Volume& v : volumes)
        out.append(v.root);
    return out;
}

const Volume* find(const VolumeList& volumes, const QString& root)
{
    for (const Volume& v : volumes) {
        if (v.root == root)
            return &v;
    }
    return nullptr;
}

} // namespace

// The drives of a desktop as its disk service describes them, served by a mock UDisks2 on a
// private bus: an internal disk with its system partitions, a mounted USB stick, a stick the
// desktop did not mount, an empty DVD writer and a snap package.
class TestUDisks2Client : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        KORVALIS_REQUIRE_DISK_SERVICE_MOCK();
        QVERIFY(m_dir.isValid());
        for (const char* name : {"usb", "data"})
            QVERIFY(QDir(m_dir.path()).mkpath(QString::fromLatin1(name)));
        m_home = m_dir.filePath(QStringLiteral("home"));
        m_emptyTable = m_dir.filePath(QStringLiteral("mountinfo"));
        QFile table(m_emptyTable);
        QVERIFY(table.open(QIODevice::WriteOnly));
        QVERIFY2(m_disks.start(), qPrintable(m_disks.errorString()));

        const QString disk = m_disks.addSystemDisk(
            QStringLiteral("Samsung_SSD"), {{QStringLiteral("vendor"), QStringLiteral("ATA")},
                                            {QStringLiteral("model"), QStringLiteral("Samsung SSD 870")},
                                            {QStringLiteral("bus"), QStringLiteral("sata")}});
        m_disks.addBlock(QStringLiteral("sda3"), {{QStringLiteral("drive"), disk},
                                                  {QStringLiteral("fs"), QStringLiteral("ext4")},
                                                  {QStringLiteral("label"), QStringLiteral("Recovery")},
                                                  {QStringLiteral("hint_ignore"), true}});
        m_disks.addBlock(QStringLiteral("sda4"), {{QStringLiteral("drive"), disk},
                                                  {QStringLiteral("fs"), QStringLiteral("swap")},
                                                  {QStringLiteral("usage"), QStringLiteral("other")}});

        m_unmounted = m_disks.addRemovableMedia(m_dir.path());
        QVERIFY2(m_disks.errorString().isEmpty(), qPrintable(m_disks.errorString()));
    }

    void listsWhatTheDesktopShows()
    {
        const VolumeList volumes = Volumes::list(origin());
        const QString usb = m_dir.filePath(QStringLiteral("usb/"));
        QCOMPARE(roots(volumes), (QStringList{QStringLiteral("/"), usb, QStringLiteral("/dev/sdc1"),
                                              QStringLiteral("/dev/sr0")}));

        const Volume* root = find(volumes, QStringLiteral("/"));
        QCOMPARE(root->type, DriveType::Fixed);
        QCOMPARE(root->description, QStringLiteral("Samsung SSD 870")); // "ATA" is the bus, not a maker
        QVERIFY(root->ready && root->mounted);

        const Volume* stick = find(volumes, usb);
        QCOMPARE(stick->type, DriveType::Removable);
        QCOMPARE(stick->description, QStringLiteral("SanDisk Cruzer Blade"));
        QCOMPARE(stick->label, QStringLiteral("STICK"));
        QCOMPARE(stick->fileSystem, QStringLiteral("vfat"));
        QCOMPARE(stick->device, QStringLiteral("/dev/sdb1"));
        QVERIFY(stick->ready && stick->totalBytes > 0);

        const Volume* unmounted = find(volumes, QStringLiteral("/dev/sdc1"));
        QCOMPARE(unmounted->type, DriveType::Removable); // on USB
        QVERIFY(!unmounted->mounted && !unmounted->ready && unmounted->canBeMounted());
        QCOMPARE(unmounted->mountHandle, m_unmounted);
        QCOMPARE(unmounted->label, QStringLiteral("DATA"));

        const Volume* dvd = find(volumes, QStringLiteral("/dev/sr0"));
        QCOMPARE(dvd->type, DriveType::Optical);
        QCOMPARE(dvd->description, QStringLiteral("HL-DT-ST DVDRAM GH24NSD1"));
        QVERIFY(!dvd->ready && !dvd->mounted && !dvd->canBeMounted());
    }

    void systemMountsAtUserPathsStay()
    {
        // A system partition mounted by the user under /media is the user's to recover from.
        UDisks2Client::ManagedObjects objects;
        UDisks2Client::InterfaceProperties block;
        block[QStringLiteral("org.freedesktop.UDisks2.Block")] = {
            {QStringLiteral("Device"), QByteArray("/dev/sda5\0", 10)},
            {QStringLiteral("IdType"), QStringLiteral("ext4")},
            {QStringLiteral("HintSystem"), true}};
        block[QStringLiteral("org.freedesktop.UDisks2.Filesystem")] = {
            {QStringLiteral("MountPoints"),
             QVariant::fromValue(
                 QByteArrayList{QByteArray("/media/anna/old\0", 16), QByteArray("/var/old\0", 9)})}};
        objects.insert(QDBusObjectPath(QStringLiteral("/org/freedesktop/UDisks2/block_devices/sda5")), block);
        QCOMPARE(roots(UDisks2Client::volumesFrom(objects, QStringLiteral("/home/anna"))),
                 QStringList{QStringLiteral("/media/anna/old/")});
    }

    void mountsReadOnlyForASource()
    {
        const QDBusPendingCall call = UDisks2Client(m_disks.bus()).mount(m_unmounted, true);
        QDBusPendingReply<QString> reply = call;
        reply.waitForFinished();
        QVERIFY2(!reply.isError(), qPrintable(reply.error().message()));
        QCOMPARE(reply.value(), m_dir.filePath(QStringLiteral("data")));
        QCOMPARE(m_disks.mountOptions(m_unmounted), QStringLiteral("ro"));

        const VolumeList volumes = Volumes::list(origin());
        const Volume* mounted = find(volumes, m_dir.filePath(QStringLiteral("data/")));
        QVERIFY(mounted);
        QVERIFY(mounted->mounted && mounted->ready);
        QVERIFY(!find(volumes, QStringLiteral("/dev/sdc1")));
    }

    void mountErrorsSayWhy_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("failure");
        using F = UDisks2Client::MountFailure;
        QTest::newRow("polkit refused")
            << QStringLiteral("org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain")
            << QStringLiteral("Not authorized to perform operation") << int(F::NotAllowed);
        QTest::newRow("prompt dismissed")
            << QStringLiteral("org.freedesktop.UDisks2.Error.NotAuthorizedDismissed")
            << QStringLiteral("The authentication dialog was dismissed") << int(F::NotAllowed);
        QTest::newRow("bad superblock")
            << QStringLiteral("org.freedesktop.UDisks2.Error.Failed")
            << QStringLiteral("Error mounting /dev/sdc1 at /media/anna/DATA: wrong fs type, bad option, bad "
                              "superblock on /dev/sdc1, missing codepage or helper program, or other error")
            << int(F::Unreadable);
        QTest::newRow("io error") << QStringLiteral("org.freedesktop.UDisks2.Error.Failed")
                                  << QStringLiteral(
                                         "Error mounting /dev/sdc1: can't read superblock on /dev/sdc1")
                                  << int(F::Unreadable);
        QTest::newRow("busy") << QStringLiteral("org.freedesktop.UDisks2.Error.DeviceBusy")
                              << QStringLiteral("Device busy") << int(F::Other);
        QTest::newRow("no error") << QString() << QString() << int(F::None);
    }

    void mountErrorsSayWhy()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(int, failure);
        QCOMPARE(int(UDisks2Client::classifyMountError(name, text)), failure);
    }

    void failedMountReportsTheServicesError()
    {
        const QString stick = m_disks.addBlock(
            QStringLiteral("sdd1"),
            {{QStringLiteral("fs"), QStringLiteral("ext4")},
             {QStringLiteral("mount_error_name"),
              QStringLiteral("org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain")},
             {QStringLiteral("mount_error_text"), QStringLiteral("Not authorized to perform operation")}});
        QDBusPendingReply<QString> reply = UDisks2Client(m_disks.bus()).mount(stick, false);
        reply.waitForFinished();
        QVERIFY(reply.isError());
        QCOMPARE(UDisks2Client::classifyMountError(reply.error().name(), reply.error().message()),
                 UDisks2Client::MountFailure::NotAllowed);
        QCOMPARE(m_disks.mountOptions(stick), QString()); // a destination is mounted writable
        m_disks.remove(stick);
    }

    void watcherSeesAStickComeAndGo()
    {
        VolumeWatcher watcher(m_disks.bus(), QString());
        QVERIFY(watcher.watchesDiskService());
        QSignalSpy changed(&watcher, &VolumeWatcher::changed);
        const QString block =
            m_disks.addBlock(QStringLiteral("sde1"), {{QStringLiteral("fs"), QStringLiteral("vfat")}});
        QVERIFY(changed.wait(30000)); // a bound for a loaded machine, not a time asserted
        QCOMPARE(changed.size(), 1);  // one burst, one signal
        QVERIFY(Volumes::list(origin()).size() == 5);
        m_disks.remove(block);
        QVERIFY(changed.wait(30000)); // a bound for a loaded machine, not a time asserted
        QCOMPARE(Volumes::list(origin()).size(), 4);
    }

    void noServiceMeansTheMountTable()
    {
        // The bus answers but nobody serves disks on it.
        QVERIFY(!UDisks2Client(QDBusConnection(QStringLiteral("no bus"))).volumes(m_home));
        m_disks.stop();
        QVERIFY(!UDisks2Client(m_disks.bus()).volumes(m_home));
    }

private:
    VolumeOrigin origin() const { return {m_disks.bus(), m_emptyTable, m_home}; }

    QTemporaryDir m_dir;
    MockDiskService m_disks;
    QString m_home;
    QString m_emptyTable;
    QString m_unmounted;
};

QTEST_GUILESS_MAIN(TestUDisks2Client)
#include "tst_udisks2client.moc"
