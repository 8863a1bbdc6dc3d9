#include "DriveTypeNames.h"
#include "DrivesList.h"
#include "ScriptedVolumes.h"
#include "UserSettings.h"
#include "Volumes.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <atomic>
#include <thread>

using Platform::DriveType;

namespace {

// A floppy-like removable first, an empty optical drive, a fixed disk, and a fourth volume.
Platform::VolumeList scripted()
{
    return {volume(QStringLiteral("/media/card/"), DriveType::Removable, true, QStringLiteral("CARD")),
            volume(QStringLiteral("/dev/sr0"), DriveType::Optical, false),
            volume(QStringLiteral("/"), DriveType::Fixed, true, QStringLiteral("system")),
            volume(QStringLiteral("/srv/backup/"), DriveType::Fixed, true, QStringLiteral("backup"))};
}

QToolButton* button(DrivesList& list, int n)
{
    return list.findChild<QToolButton*>(QStringLiteral("Buttons(%1)").arg(n));
}

} // namespace

class TestDrivesList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listsBothViewsAndChoosesTheFirstUsable()
    {
        DrivesList list;
        list.setVolumeSource(scripted);
        list.resize(400, 200);
        list.show();
        list.ShowDevices();
        auto* combo = list.findChild<QComboBox*>(QStringLiteral("DrivesFullList"));
        QVERIFY(combo && list.findChild<QToolBar*>(QStringLiteral("DrivesToolbar")));
        QCOMPARE(combo->count(), 4);
        QCOMPARE(combo->itemText(0), QStringLiteral("/media/card - Removable"));
        QCOMPARE(combo->itemText(1), QStringLiteral("/dev/sr0 - CD-ROM"));
        QCOMPARE(list.CurrentDriveIndex(), 3); // the card and the empty drive are counted
        QCOMPARE(list.CurrentDriveName(), QStringLiteral("/"));
        QCOMPARE(combo->currentIndex(), 2);
        QVERIFY(!button(list, 4));
        for (int n = 1; n <= 3; ++n) {
            QVERIFY(button(list, n));
            QCOMPARE(button(list, n)->isChecked(), n == 3);
            // The toolbar's caption: the mount point over the type name.
            QCOMPARE(button(list, n)->text(),
                     combo->itemText(n - 1).replace(QStringLiteral(" - "), QStringLiteral("\n")));
            QCOMPARE(button(list, n)->iconSize(), QSize(64, 64));
            QVERIFY(!button(list, n)->icon().isNull());
        }
        QCOMPARE(button(list, 1)->toolTip(), QStringLiteral("CARD"));
        QCOMPARE(list.imageList().size(), 6);

        // Rebuilding starts over without leftovers.
        list.ShowDevices();
        QCOMPARE(combo->count(), 4);
        QCOMPARE(list.findChildren<QToolButton*>(QStringLiteral("Buttons(1)")).size(), 1);
    }

    void picksRaiseDriveChanged()
    {
        DrivesList list;
        list.setVolumeSource(scripted);
        list.resize(400, 200);
        list.show();
        list.ShowDevices();
        QSignalSpy changed(&list, &DrivesList::DriveChanged);
        QCOMPARE(changed.size(), 0); // not for the first choice
        auto* combo = list.findChild<QComboBox*>(QStringLiteral("DrivesFullList"));

        QTest::mouseClick(button(list, 1), Qt::LeftButton);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(list.CurrentDriveIndex(), 1);
        QCOMPARE(list.CurrentDriveName(), QStringLiteral("/media/card/"));
        QCOMPARE(combo->currentIndex(), 0);
        QVERIFY(button(list, 1)->isChecked() && !button(list, 3)->isChecked());

        // The fourth volume is in the combo box only; picking it there releases every button.
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_End);
        QCOMPARE(changed.size(), 2);
        QCOMPARE(list.CurrentDriveIndex(), 4);
        QCOMPARE(list.CurrentDriveName(), QStringLiteral("/srv/backup/"));
        for (int n = 1; n <= 3; ++n)
            QVERIFY(!button(list, n)->isChecked());

        QTest::mouseClick(button(list, 2), Qt::LeftButton);
        QCOMPARE(list.CurrentDriveName(), QStringLiteral("/dev/sr0/"));
        QCOMPARE(combo->currentIndex(), 1);
        QCOMPARE(changed.size(), 3);
    }

    void theRememberedDriveIsChosenFirstAfterARestart_data()
    {
        QTest::addColumn<QString>("pickedAs");
        QTest::addColumn<QString>("listedAs");
        QTest::addColumn<QString>("chosen");
        // The card picked as source comes back as the source's first choice.
        QTest::newRow("same picker") << "source"
                                     << "source"
                                     << "/media/card/";
        // What the source picker kept does not move the destination picker.
        QTest::newRow("other picker") << "source"
                                      << "destination"
                                      << "/";
        QTest::newRow("nothing kept") << ""
                                      << "source"
                                      << "/";
    }

    void theRememberedDriveIsChosenFirstAfterARestart()
    {
        QFETCH(QString, pickedAs);
        QFETCH(QString, listedAs);
        QFETCH(QString, chosen);
        Platform::userSettings().remove(QStringLiteral("drives"));
        {
            DrivesList first;
            first.setRememberedAs(pickedAs);
            first.setVolumeSource(scripted);
            first.resize(400, 200);
            first.show();
            first.ShowDevices();
            QTest::mouseClick(button(first, 1), Qt::LeftButton);
            QCOMPARE(first.CurrentDriveName(), QStringLiteral("/media/card/"));
        }
        DrivesList next;
        next.setRememberedAs(listedAs);
        next.setVolumeSource(scripted);
        next.ShowDevices();
        QCOMPARE(next.CurrentDriveName(), chosen);
    }

    void aRememberedDriveThatIsGoneIsNotChosen()
    {
        Platform::userSettings().setValue(QStringLiteral("drives/source"), QStringLiteral("/media/gone/"));
        DrivesList list;
        list.setRememberedAs(QStringLiteral("source"));
        list.setVolumeSource(scripted);
        list.ShowDevices();
        QCOMPARE(list.CurrentDriveName(), QStringLiteral("/"));
    }

    void nothingUsableChoosesNothing()
    {
        DrivesList list;
        list.setVolumeSource([] {
            return Platform::VolumeList{volume(QStringLiteral("/media/a/"), DriveType::Removable),
                                        volume(QStringLiteral("/dev/sr1"), DriveType::Optical, false)};
        });
        list.ShowDevices();
        QCOMPARE(list.CurrentDriveIndex(), 3);
        QCOMPARE(list.CurrentDriveName(), QStringLiteral("/"));
        QCOMPARE(list.findChild<QComboBox*>(QStringLiteral("DrivesFullList"))->currentIndex(), -1);
        QVERIFY(!button(list, 1)->isChecked() && !button(list, 2)->isChecked());

        // A source that fails lists nothing and chooses nothing.
        list.setVolumeSource([]() -> Platform::VolumeList { throw std::runtime_error("mount table gone"); });
        list.ShowDevices();
        QCOMPARE(list.CurrentDriveIndex(), 1);
        QCOMPARE(list.CurrentDriveName(), QStringLiteral("/"));
        QVERIFY(!button(list, 1));
    }

    void captionAndTypeNames()
    {
        DrivesList list;
        list.setVolumeSource(scripted);
        auto* label = list.findChild<QLabel*>(QStringLiteral("SourceDriveLabel"));
        list.setLang(0, QStringLiteral("Source drive:"));
        QCOMPARE(label->text(), QStringLiteral("Source drive:"));
        list.LangValue(QStringLiteral("From:"), 1);
        QCOMPARE(label->text(), QStringLiteral("From:"));
        list.LangValue(QStringLiteral("ignored"), 2);
        list.setLang(7, QStringLiteral("ignored"));
        QCOMPARE(label->text(), QStringLiteral("From:"));

        list.setLang(2, QStringLiteral("Amovible")); // type 1
        list.ShowDevices();
        auto* combo = list.findChild<QComboBox*>(QStringLiteral("DrivesFullList"));
        QCOMPARE(combo->itemText(0), QStringLiteral("/media/card - Amovible"));
        // Names are shared by every picker; creating one puts the defaults back.
        QCOMPARE(DriveTypeNames::name(1), QStringLiteral("Amovible"));
        DrivesList other;
        QCOMPARE(DriveTypeNames::name(1), QStringLiteral("Removable"));

        list.setFontCharSet(204);
        QCOMPARE(other.FontCharSet(), 204);
        QVERIFY(list.ShowRemovables());
        list.setShowRemovables(false);
        QVERIFY(!list.ShowRemovables());
        list.ShowDevices();
        QCOMPARE(combo->count(), 4); // removables stay listed
    }

    void windowKeepsServingEventsWhileVolumesAnswer()
    {
        DrivesList list;
        auto released = std::make_shared<std::atomic<bool>>(false);
        list.setVolumeSource([released] {
            // Blocks until the window's thread has run a timer, at most a few seconds.
            for (int i = 0; i < 500 && !released->load(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            Platform::VolumeList v{volume(QStringLiteral("/"), DriveType::Fixed)};
            if (!released->load())
                v.clear();
            return v;
        });
        QTimer::singleShot(0, [released] { released->store(true); });
        list.ShowDevices();
        QVERIFY(released->load());
        QCOMPARE(list.CurrentDriveName(), QStringLiteral("/"));
    }

    void newerCallWinsOverAWaitingOne()
    {
        DrivesList list;
        auto released = std::make_shared<std::atomic<bool>>(false);
        list.setVolumeSource([released] {
            for (int i = 0; i < 500 && !released->load(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            return Platform::VolumeList{volume(QStringLiteral("/old/"), DriveType::Fixed)};
        });
        QTimer::singleShot(0, &list, [&list, released] {
            list.setVolumeSource(
                [] { return Platform::VolumeList{volume(QStringLiteral("/new/"), DriveType::Fixed)}; });
            list.ShowDevices();
            released->store(true);
        });
        list.ShowDevices();
        QVERIFY(released->load());
        auto* combo = list.findChild<QComboBox*>(QStringLiteral("DrivesFullList"));
        QCOMPARE(combo->count(), 1);
        QCOMPARE(combo->itemText(0), QStringLiteral("/new - Fixed"));
        QCOMPARE(list.CurrentDriveName(), QStringLiteral("/new/"));
    }

    void withoutADiskServiceTheRootComesFirst()
    {
        // A container's mount table, in the kernel's order: shared memory and /run come before the
        // root, and a RAM disk would count as usable.
        QTemporaryDir dir;
        QFile table(dir.filePath(QStringLiteral("mountinfo")));
        QVERIFY(table.open(QIODevice::WriteOnly));
        table.write("24 1 0:6 / /dev rw - devtmpfs udev rw\n"
                    "25 24 0:23 / /dev/shm rw - tmpfs tmpfs rw\n"
                    "26 1 0:24 / /run rw - tmpfs tmpfs rw\n"
                    "27 1 0:25 / / rw - overlay overlay rw,lowerdir=/a\n"
                    "28 27 7:2 / /snap/core/1 ro - squashfs /dev/loop2 ro\n"
                    "29 27 0:26 / /var/lib/docker/overlay2/x/merged rw - overlay overlay rw\n");
        table.close();
        DrivesList list;
        list.setVolumeOrigin({QDBusConnection(QStringLiteral("no bus")), table.fileName(), dir.path()});
        list.ShowDevices();
        auto* combo = list.findChild<QComboBox*>(QStringLiteral("DrivesFullList"));
        QCOMPARE(combo->count(), 1);
        QCOMPARE(combo->itemText(0), QStringLiteral("/ - Fixed"));
        QCOMPARE(list.CurrentDriveName(), QStringLiteral("/"));
        QCOMPARE(list.CurrentDriveIndex(), 1);
    }

    void volumesOfThisMachine()
    {
        DrivesList list;
        list.ShowDevices();
        const Platform::VolumeList drives = Platform::Volumes::list();
        auto* combo = list.findChild<QComboBox*>(QStringLiteral("DrivesFullList"));
        QCOMPARE(combo->count(), drives.size());
        QVERIFY(list.CurrentDriveName().endsWith(QLatin1Char('/')));
        if (list.CurrentDriveIndex() <= combo->count()) {
            QVERIFY(list.choice().rows()[list.CurrentDriveIndex() - 1].usable);
            QVERIFY(QDir(list.CurrentDriveName()).exists());
        }
        for (int i = 1; i <= combo->count(); ++i) {
            combo->setCurrentIndex(i - 1);
            Q_EMIT combo->activated(i - 1);
            QVERIFY(list.CurrentDriveName().endsWith(QLatin1Char('/')));
            QCOMPARE(list.CurrentDriveIndex(), i);
        }
        saveScreenshot(list);
    }

private:
    static void saveScreenshot(DrivesList& list)
    {
        const QByteArray dir = qgetenv("KORVALIS_SCREENSHOTS");
        if (dir.isEmpty())
            return;
        list.setVolumeSource([] {
            return Platform::VolumeList{
                volume(QStringLiteral("/"), DriveType::Fixed, true, QStringLiteral("system")),
                volume(QStringLiteral("/media/usb/"), DriveType::Removable, true, QStringLiteral("STICK")),
                volume(QStringLiteral("/dev/sr0"), DriveType::Optical, false),
                volume(QStringLiteral("/net/share/"), DriveType::Network, true,
                       QStringLiteral("srv:/export")),
                volume(QStringLiteral("/dev/shm/"), DriveType::RamDisk)};
        });
        list.setLang(0, QStringLiteral("Source drive:"));
        list.resize(420, 150);
        list.show();
        list.ShowDevices();
        QTest::qWait(50); // let the toolbar lay its buttons out
        QVERIFY(list.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/drives-list.png")));
    }
};

QTEST_MAIN(TestDrivesList)
#include "tst_driveslist.moc"
