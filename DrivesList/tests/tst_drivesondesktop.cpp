#include "DrivesList.h"
#include "MockDiskService.h"
#include "Prompt.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

// How long a change may take to arrive from the mock service before the test gives up: generous,
// so a loaded machine does not fail a correct program (hot-plug normally arrives within a second).
constexpr int LoadedMachineBound = 30000;

QComboBox* comboOf(DrivesList& list)
{
    return list.findChild<QComboBox*>(QStringLiteral("DrivesFullList"));
}

QStringList comboTexts(DrivesList& list)
{
    QStringList texts;
    for (int i = 0; i < comboOf(list)->count(); ++i)
        texts.append(comboOf(list)->itemText(i));
    return texts;
}

int rowOf(DrivesList& list, const QString& start)
{
    const QStringList texts = comboTexts(list);
    for (int i = 0; i < texts.size(); ++i) {
        if (texts[i].startsWith(start))
            return i;
    }
    return -1;
}

// What a user does: pick a row of the combo box.
void pickRow(DrivesList& list, int row)
{
    comboOf(list)->setCurrentIndex(row);
    Q_EMIT comboOf(list)->activated(row);
}

} // namespace

// The drive picker on a desktop whose disk service is a mock UDisks2 on a private bus: an internal
// disk with its system partitions, a mounted USB stick, a stick the desktop did not mount, an empty
// DVD writer and a snap package.
class TestDrivesOnDesktop : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        KORVALIS_REQUIRE_DISK_SERVICE_MOCK();
        QVERIFY(m_dir.isValid());
        for (const char* name : {"usb", "data", "usb2", "dest"})
            QVERIFY(QDir(m_dir.path()).mkpath(QString::fromLatin1(name)));
        QFile table(m_dir.filePath(QStringLiteral("mountinfo")));
        QVERIFY(table.open(QIODevice::WriteOnly)); // the machine's own mounts stay out of the picture
        QVERIFY2(m_disks.start(), qPrintable(m_disks.errorString()));

        const QString disk = m_disks.addSystemDisk(
            QStringLiteral("ssd"), {{QStringLiteral("vendor"), QStringLiteral("ATA")},
                                    {QStringLiteral("model"), QStringLiteral("Samsung SSD 870")}});
        m_disks.addBlock(QStringLiteral("sda3"),
                         {{QStringLiteral("drive"), disk},
                          {QStringLiteral("fs"), QStringLiteral("ntfs")},
                          {QStringLiteral("hint_system"), true}}); // a system partition
        m_failingStick = m_disks.addRemovableMedia(m_dir.path());
        QVERIFY2(m_disks.errorString().isEmpty(), qPrintable(m_disks.errorString()));
    }

    void listsTheDrivesAUserSees()
    {
        DrivesList list;
        show(list);
        const QString usb = m_dir.filePath(QStringLiteral("usb"));
        QCOMPARE(comboTexts(list),
                 (QStringList{QStringLiteral("/ (Samsung SSD 870) - Fixed"),
                              usb + QStringLiteral(" (SanDisk Cruzer Blade) - Removable"),
                              QStringLiteral("/dev/sdc1 (Kingston DataTraveler) - Removable - not mounted"),
                              QStringLiteral("/dev/sr0 (HL-DT-ST DVDRAM GH24NSD1) - CD-ROM - not ready")}));
        QCOMPARE(list.CurrentDriveName(), QStringLiteral("/"));
        QCOMPARE(list.choice().rows()[1].tooltip, QStringLiteral("SanDisk Cruzer Blade\nSTICK"));
        auto* first = list.findChild<QToolButton*>(QStringLiteral("Buttons(1)"));
        QVERIFY(first && first->isChecked());
    }

    // The picker beside its open list, for the documentation (only with KORVALIS_SCREENSHOTS set).
    void screenshot()
    {
        const QByteArray dir = qgetenv("KORVALIS_SCREENSHOTS");
        if (dir.isEmpty())
            QSKIP("KORVALIS_SCREENSHOTS is not set");
        DrivesList list;
        list.setLang(0, QStringLiteral("Source drive:"));
        show(list);
        QTest::qWait(50); // let the toolbar lay its buttons out
        comboOf(list)->showPopup();
        QWidget* popup = comboOf(list)->view()->window();
        QTest::qWait(50);
        const QPixmap picker = list.grab();
        const QPixmap open = popup->grab();
        QPixmap both(picker.width() + open.width() + 10, std::max(picker.height(), open.height()));
        both.fill(list.palette().window().color());
        QPainter painter(&both);
        painter.drawPixmap(0, 0, picker);
        painter.drawPixmap(picker.width() + 10, 0, open);
        painter.end();
        comboOf(list)->hidePopup();
        QVERIFY(both.save(QString::fromLocal8Bit(dir) + QStringLiteral("/drives-on-desktop.png")));
    }

    void clickMountsTheStickReadOnly()
    {
        DrivesList list;
        show(list);
        QSignalSpy changed(&list, &DrivesList::DriveChanged);
        const int row = rowOf(list, QStringLiteral("/dev/sdc1 "));
        QVERIFY(row >= 0);
        pickRow(list, row);
        // The choice stays until the file system is there.
        QVERIFY(list.isMounting());
        QCOMPARE(list.CurrentDriveName(), QStringLiteral("/"));
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 1, LoadedMachineBound);
        QVERIFY(!list.isMounting());
        const QString data = m_dir.filePath(QStringLiteral("data"));
        QCOMPARE(list.CurrentDriveName(), data + QLatin1Char('/'));
        QCOMPARE(m_disks.mountOptions(m_failingStick), QStringLiteral("ro"));
        QCOMPARE(comboOf(list)->currentText(), data + QStringLiteral(" (Kingston DataTraveler) - Removable"));
        QVERIFY(!comboTexts(list).join(QLatin1Char('|')).contains(QStringLiteral("/dev/sdc1")));
    }

    void destinationMountsWritable()
    {
        const QString block =
            m_disks.addBlock(QStringLiteral("sdf1"),
                             {{QStringLiteral("fs"), QStringLiteral("ext4")},
                              {QStringLiteral("mount_target"), m_dir.filePath(QStringLiteral("dest"))}});
        DrivesList list;
        list.setMountReadOnly(false);
        show(list);
        QSignalSpy changed(&list, &DrivesList::DriveChanged);
        pickRow(list, rowOf(list, QStringLiteral("/dev/sdf1 ")));
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 1, LoadedMachineBound);
        QCOMPARE(list.CurrentDriveName(), m_dir.filePath(QStringLiteral("dest/")));
        QCOMPARE(m_disks.mountOptions(block), QString());
        m_disks.remove(block);
    }

    void failedMountSaysWhy()
    {
        const QString block = m_disks.addBlock(
            QStringLiteral("sdg1"),
            {{QStringLiteral("fs"), QStringLiteral("ext4")},
             {QStringLiteral("mount_error_name"), QStringLiteral("org.freedesktop.UDisks2.Error.Failed")},
             {QStringLiteral("mount_error_text"),
              QStringLiteral(
                  "Error mounting /dev/sdg1: wrong fs type, bad option, bad superblock on /dev/sdg1")}});
        DrivesList list;
        list.setText(DrivesList::Text::MountUnreadable, QStringLiteral("%1: damaged"));
        show(list);
        QList<Prompt::Message> shown;
        Prompt::ScopedAnswerer answerer([&shown](const Prompt::Message& m) {
            shown.append(m);
            return QMessageBox::Ok;
        });
        QSignalSpy changed(&list, &DrivesList::DriveChanged);
        pickRow(list, rowOf(list, QStringLiteral("/dev/sdg1")));
        QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 1, LoadedMachineBound);
        QCOMPARE(shown[0].icon, QMessageBox::Critical);
        QVERIFY2(shown[0].text.startsWith(QStringLiteral("/dev/sdg1: damaged\n\n")),
                 qPrintable(shown[0].text));
        QVERIFY(shown[0].text.contains(QStringLiteral("bad superblock")));
        QCOMPARE(changed.size(), 0);
        QCOMPARE(list.CurrentDriveName(), QStringLiteral("/"));
        QCOMPARE(comboOf(list)->currentIndex(), 0);
        m_disks.remove(block);
    }

    void stickComesAndGoesWhileShown()
    {
        DrivesList list;
        show(list);
        const QString usb = m_dir.filePath(QStringLiteral("usb/"));
        pickRow(list, rowOf(list, m_dir.filePath(QStringLiteral("usb "))));
        QCOMPARE(list.CurrentDriveName(), usb);
        const QStringList before = comboTexts(list);
        const int indexBefore = list.CurrentDriveIndex();
        QSignalSpy changed(&list, &DrivesList::DriveChanged);

        // A stick plugged in and mounted by the desktop: listed, and nothing else moves.
        const QString drive = m_disks.addDrive(QStringLiteral("transcend"),
                                               {{QStringLiteral("vendor"), QStringLiteral("Transcend")},
                                                {QStringLiteral("model"), QStringLiteral("JetFlash")},
                                                {QStringLiteral("bus"), QStringLiteral("usb")}});
        const QString block = m_disks.addBlock(
            QStringLiteral("sdh1"), {{QStringLiteral("drive"), drive},
                                     {QStringLiteral("fs"), QStringLiteral("exfat")},
                                     {QStringLiteral("mounted_at"), m_dir.filePath(QStringLiteral("usb2"))}});
        QTRY_COMPARE_WITH_TIMEOUT(comboOf(list)->count(), before.size() + 1, LoadedMachineBound);
        const QString added =
            m_dir.filePath(QStringLiteral("usb2")) + QStringLiteral(" (Transcend JetFlash) - Removable");
        QCOMPARE(comboTexts(list).indexOf(added), indexBefore); // right after the chosen stick
        QStringList without = comboTexts(list);
        without.removeAll(added);
        QCOMPARE(without, before);
        QCOMPARE(list.CurrentDriveName(), usb);
        QCOMPARE(list.CurrentDriveIndex(), indexBefore);
        QCOMPARE(comboOf(list)->currentIndex(), indexBefore - 1);
        QCOMPARE(changed.size(), 0);

        // Pulled again: the list is as before and the choice stays.
        m_disks.remove(block);
        m_disks.remove(drive);
        QTRY_COMPARE_WITH_TIMEOUT(comboTexts(list), before, LoadedMachineBound);
        QCOMPARE(list.CurrentDriveName(), usb);
        QCOMPARE(changed.size(), 0);
    }

    void chosenStickPulled()
    {
        const QString block = m_disks.addBlock(
            QStringLiteral("sdi1"), {{QStringLiteral("fs"), QStringLiteral("vfat")},
                                     {QStringLiteral("mounted_at"), m_dir.filePath(QStringLiteral("usb2"))}});
        DrivesList list;
        show(list);
        pickRow(list, rowOf(list, m_dir.filePath(QStringLiteral("usb2"))));
        QCOMPARE(list.CurrentDriveName(), m_dir.filePath(QStringLiteral("usb2/")));
        QSignalSpy changed(&list, &DrivesList::DriveChanged);
        m_disks.remove(block);
        // The browser must not stay on a drive that is gone: the first usable one is chosen.
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 1, LoadedMachineBound);
        QCOMPARE(list.CurrentDriveName(), QStringLiteral("/"));
    }

    void lastPickIsChosenFirstNextTime()
    {
        DrivesList list;
        show(list);
        pickRow(list, rowOf(list, m_dir.filePath(QStringLiteral("usb "))));
        list.ShowDevices();
        QCOMPARE(list.CurrentDriveName(), m_dir.filePath(QStringLiteral("usb/")));
        QCOMPARE(comboOf(list)->currentIndex(), list.CurrentDriveIndex() - 1);
    }

private:
    void show(DrivesList& list)
    {
        list.setVolumeOrigin({m_disks.bus(), m_dir.filePath(QStringLiteral("mountinfo")),
                              m_dir.filePath(QStringLiteral("home"))});
        list.resize(200, 420);
        list.show();
        list.ShowDevices();
    }

    QTemporaryDir m_dir;
    MockDiskService m_disks;
    QString m_failingStick;
};

QTEST_MAIN(TestDrivesOnDesktop)
#include "tst_drivesondesktop.moc"
