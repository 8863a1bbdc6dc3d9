#include "DriveChoice.h"
#include "DriveTypeNames.h"
#include "ScriptedVolumes.h"

#include <QTest>

using Platform::DriveType;

namespace {

QStringList texts(const DriveChoice& choice)
{
    QStringList out;
    for (const DriveChoice::Row& r : choice.rows())
        out.append(r.text);
    return out;
}

} // namespace

class TestDriveChoice : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { DriveTypeNames::resetToDefaults(); }

    void firstUsableVolumeIsChosen_data()
    {
        QTest::addColumn<Platform::VolumeList>("volumes");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name");

        QTest::newRow("removable first")
            << Platform::VolumeList{volume(QStringLiteral("/media/stick/"), DriveType::Removable),
                                    volume(QStringLiteral("/"), DriveType::Fixed)}
            << 2 << QStringLiteral("/");
        QTest::newRow("empty optical drive")
            << Platform::VolumeList{volume(QStringLiteral("/dev/sr0"), DriveType::Optical, false),
                                    volume(QStringLiteral("/home/"), DriveType::Fixed)}
            << 2 << QStringLiteral("/home/");
        QTest::newRow("audio cd") << Platform::VolumeList{volume(QStringLiteral("/media/cd/"),
                                                                 DriveType::Optical, true,
                                                                 QStringLiteral("Audio CD")),
                                                          volume(QStringLiteral("/data/"), DriveType::Fixed)}
                                  << 2 << QStringLiteral("/data/");
        QTest::newRow("data disc is usable")
            << Platform::VolumeList{volume(QStringLiteral("/media/cd/"), DriveType::Optical, true,
                                           QStringLiteral("PHOTOS")),
                                    volume(QStringLiteral("/data/"), DriveType::Fixed)}
            << 1 << QStringLiteral("/media/cd/");
        QTest::newRow("hung share is not ready")
            << Platform::VolumeList{volume(QStringLiteral("/net/dead/"), DriveType::Network, false),
                                    volume(QStringLiteral("/net/live/"), DriveType::Network, true,
                                           QStringLiteral("srv:/x"))}
            << 2 << QStringLiteral("/net/live/");
        QTest::newRow("ram disk") << Platform::VolumeList{volume(QStringLiteral("/dev/shm/"),
                                                                 DriveType::RamDisk)}
                                  << 1 << QStringLiteral("/dev/shm/");
    }

    void firstUsableVolumeIsChosen()
    {
        QFETCH(Platform::VolumeList, volumes);
        QFETCH(int, index);
        QFETCH(QString, name);
        DriveChoice choice;
        choice.rebuild(volumes);
        QCOMPARE(choice.rows().size(), volumes.size());
        QCOMPARE(choice.currentDriveIndex(), index);
        QCOMPARE(choice.currentDriveName(), name);
        QCOMPARE(choice.matchingRow(), index - 1);
        QCOMPARE(choice.pressedButton(), index);
    }

    void rowTextsAndTooltips()
    {
        DriveChoice choice;
        Platform::Volume share =
            volume(QStringLiteral("/mnt/smb/"), DriveType::Network, true, QStringLiteral("//host/docs"));
        Platform::Volume odd = volume(QStringLiteral("/mnt/odd/"), static_cast<DriveType>(7));
        choice.rebuild({volume(QStringLiteral("/"), DriveType::Fixed, true, QStringLiteral("system")),
                        volume(QStringLiteral("/dev/sr0"), DriveType::Optical, false), share, odd,
                        volume(QStringLiteral("/x/"), DriveType::Unknown)});
        QCOMPARE(texts(choice), (QStringList{QStringLiteral("/ - Fixed"), QStringLiteral("/dev/sr0 - CD-ROM"),
                                             QStringLiteral("/mnt/smb - Remote"), QStringLiteral("/mnt/odd"),
                                             QStringLiteral("/x - Unknown")}));
        QCOMPARE(choice.rows()[0].tooltip, QStringLiteral("system"));
        QCOMPARE(choice.rows()[1].tooltip, QString());
        QCOMPARE(choice.rows()[2].tooltip, QStringLiteral("//host/docs"));
        QCOMPARE(choice.rows()[1].type + 1, 5); // picture number

        // A renamed type shows from the next rebuild; an empty name leaves the bare mount point.
        DriveTypeNames::setName(2, QString());
        DriveTypeNames::setName(4, QStringLiteral("DVD"));
        QCOMPARE(texts(choice)[0], QStringLiteral("/ - Fixed"));
        choice.rebuild({volume(QStringLiteral("/"), DriveType::Fixed),
                        volume(QStringLiteral("/dev/sr0"), DriveType::Optical, false)});
        QCOMPARE(texts(choice), (QStringList{QStringLiteral("/"), QStringLiteral("/dev/sr0 - DVD")}));
        DriveTypeNames::setName(6, QStringLiteral("ignored"));
        QCOMPARE(DriveTypeNames::name(6), QString());
        QCOMPARE(DriveTypeNames::name(-1), QString());
    }

    void statesAndDrivesInTheRowText()
    {
        Platform::Volume stick =
            volume(QStringLiteral("/dev/sdc1"), DriveType::Removable, false, QStringLiteral("DATA"));
        stick.mounted = false;
        stick.mountHandle = QStringLiteral("/org/freedesktop/UDisks2/block_devices/sdc1");
        stick.description = QStringLiteral("Kingston DataTraveler");
        Platform::Volume dvd = volume(QStringLiteral("/dev/sr0"), DriveType::Optical, false);
        dvd.mounted = false;
        Platform::Volume root = volume(QStringLiteral("/"), DriveType::Fixed, true, QStringLiteral("system"));
        root.description = QStringLiteral("Samsung SSD 870");
        DriveChoice choice;
        choice.setStateWords({QStringLiteral("non monté"), QStringLiteral("pas prêt")});
        choice.rebuild({root, stick, dvd});
        QCOMPARE(texts(choice),
                 (QStringList{QStringLiteral("/ (Samsung SSD 870) - Fixed"),
                              QStringLiteral("/dev/sdc1 (Kingston DataTraveler) - Removable - non monté"),
                              QStringLiteral("/dev/sr0 - CD-ROM - pas prêt")}));
        QCOMPARE(choice.rows()[1].buttonText, QStringLiteral("/dev/sdc1\nRemovable\nnon monté"));
        QCOMPARE(choice.rows()[1].tooltip, QStringLiteral("Kingston DataTraveler\nDATA"));
        QCOMPARE(choice.rows()[1].mountHandle, stick.mountHandle);
        QCOMPARE(choice.rows()[0].tooltip, QStringLiteral("Samsung SSD 870\nsystem"));

        // A preferred drive is chosen when it is there and mounted; a device to mount never is.
        QVERIFY(!choice.rebuildPreferring({root, stick, dvd}, QStringLiteral("/dev/sdc1/")));
        QCOMPARE(choice.currentDriveName(), QStringLiteral("/"));
        QVERIFY(!choice.rebuildPreferring({root, dvd}, QStringLiteral("/media/gone/")));
        QCOMPARE(choice.currentDriveName(), QStringLiteral("/"));
        Platform::Volume mounted = volume(QStringLiteral("/media/data/"), DriveType::Removable);
        QVERIFY(choice.rebuildPreferring({root, mounted, dvd}, QStringLiteral("/media/data/")));
        QCOMPARE(choice.currentDriveIndex(), 2);
        QCOMPARE(choice.pressedButton(), 2);
    }

    void picksEndWithASlash()
    {
        DriveChoice choice;
        choice.rebuild({volume(QStringLiteral("/"), DriveType::Fixed),
                        volume(QStringLiteral("/a/"), DriveType::Fixed),
                        volume(QStringLiteral("/dev/sr0"), DriveType::Optical, false),
                        volume(QStringLiteral("/media/usb stick/"), DriveType::Removable)});
        QCOMPARE(choice.toolbarCount(), 3);
        for (int position = 1; position <= 4; ++position) {
            choice.pick(position);
            QCOMPARE(choice.currentDriveIndex(), position);
            QVERIFY(choice.currentDriveName().endsWith(QLatin1Char('/')));
            QCOMPARE(choice.matchingRow(), position - 1);
        }
        QCOMPARE(choice.currentDriveName(), QStringLiteral("/media/usb stick/"));
        QCOMPARE(choice.pressedButton(), 0); // the fourth is in the combo box only
        choice.pick(3);
        QCOMPARE(choice.currentDriveName(), QStringLiteral("/dev/sr0/"));
        choice.pick(9); // no such row: nothing changes
        QCOMPARE(choice.currentDriveIndex(), 3);
    }

    void nothingUsable_data()
    {
        QTest::addColumn<Platform::VolumeList>("volumes");
        QTest::newRow("only removables")
            << Platform::VolumeList{volume(QStringLiteral("/media/a/"), DriveType::Removable),
                                    volume(QStringLiteral("/dev/sr0"), DriveType::Optical, false)};
        QTest::newRow("root listed but not ready")
            << Platform::VolumeList{volume(QStringLiteral("/"), DriveType::Fixed, false),
                                    volume(QStringLiteral("/media/b/"), DriveType::Removable)};
        QTest::newRow("no volumes") << Platform::VolumeList{};
    }

    void nothingUsable()
    {
        QFETCH(Platform::VolumeList, volumes);
        DriveChoice choice;
        choice.rebuild(volumes);
        QCOMPARE(choice.currentDriveIndex(), static_cast<int>(volumes.size()) + 1);
        QCOMPARE(choice.pressedButton(), 0);
        QCOMPARE(choice.matchingRow(), -1);
        QCOMPARE(choice.currentDriveName(), QStringLiteral("/"));
    }
};

QTEST_GUILESS_MAIN(TestDriveChoice)
#include "tst_drivechoice.moc"
