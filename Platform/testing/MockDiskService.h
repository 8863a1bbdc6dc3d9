#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QVariantMap>

#include <memory>

// A mock UDisks2 service for one test, on a D-Bus bus of its own: starts dbus-daemon on a socket in a
// temporary folder and python3-dbusmock with the template udisks2_template.py on it. Nothing of the
// machine's system bus is used. Both processes stop when the helper goes, even when the test fails.
//
//     MockDiskService disks;
//     QVERIFY2(disks.start(), qPrintable(disks.errorString()));
//     const QString drive = disks.addDrive(QStringLiteral("stick"), {{"bus", "usb"}, {"model", "Cruzer"}});
//     disks.addBlock(QStringLiteral("sdb1"), {{"drive", drive}, {"fs", "vfat"}, {"mounted_at", dir}});
//     ... Platform::UDisks2Client(disks.bus()) ...
class MockDiskService
{
public:
    MockDiskService();
    ~MockDiskService();

    MockDiskService(const MockDiskService&) = delete;
    MockDiskService& operator=(const MockDiskService&) = delete;

    // Starts the bus and the service and returns once the service answers; false with errorString()
    // set when a program is missing or does not start.
    bool start();
    void stop();

    QString errorString() const { return m_error; }
    QString busAddress() const { return m_address; }
    // The test's own connection to the private bus.
    QDBusConnection bus() const;

    // Adds a drive (keys: vendor, model, bus, removable, media_removable, optical, media_available)
    // and returns its object path.
    QString addDrive(const QString& name, const QVariantMap& spec);
    // Adds a block device (keys: device, drive, fs, label, usage, hint_system, hint_ignore,
    // mounted_at, mount_target, mount_error_name, mount_error_text, loop_backing, loop_uid) and
    // returns its object path.
    QString addBlock(const QString& name, const QVariantMap& spec);
    // Takes a drive or block device away, announcing it as the real service does.
    void remove(const QString& objectPath);
    // The options of the last Mount call on a block device; "-" when none came.
    QString mountOptions(const QString& objectPath);

    // A desktop's system disk: the drive `name` (see addDrive) with its EFI partition (sda1, vfat at
    // /boot/efi) and its root (sda2, ext4 at /), both marked as the system's. Returns the drive's
    // object path, for partitions of its own a test adds.
    QString addSystemDisk(const QString& name, const QVariantMap& drive);
    // The removable media of the desktop tests: a USB stick mounted at `folder`/usb (/dev/sdb1), a
    // failing USB stick that is present but not mounted and mounts at `folder`/data (/dev/sdc1,
    // its object path is returned), an empty DVD drive (/dev/sr0) and a snap's loop mount.
    QString addRemovableMedia(const QString& folder);

    // True when dbus-daemon and python3-dbusmock are installed.
    static bool available();

private:
    QString callMock(const QString& method, const QVariantList& arguments);

    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_daemon;
    std::unique_ptr<QProcess> m_mock;
    QString m_address;
    QString m_connectionName;
    QString m_error;
};

// In CI a missing package is a failure of the setup, not a reason to skip.
#define KORVALIS_REQUIRE_DISK_SERVICE_MOCK()                                                                 \
    do {                                                                                                     \
        if (!MockDiskService::available()) {                                                                 \
            if (qgetenv("CI") == "true")                                                                     \
                QFAIL("dbus-daemon or python3-dbusmock is missing; scripts/setup installs them");            \
            QSKIP("dbus-daemon or python3-dbusmock is missing; run scripts/setup");                          \
        }                                                                                                    \
    } while (false)
