#pragma once

#include "Volume.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace Platform {

// The kernel's mount table (/proc/self/mountinfo): every mounted file system, and the drives a user
// sees among them when no disk service can be asked.
class MountTable
{
public:
    // Tells whether the block device major:minor is removable.
    using RemovableTest = std::function<bool(const QString& majorMinor)>;
    // The vendor and model of the drive of block device major:minor; "" when unknown.
    using DriveNameLookup = std::function<QString(const QString& majorMinor)>;

    static QString defaultPath();

    // Reads the table at `path`; the tests hand in a table of their own and lookups that do not
    // ask sysfs.
    explicit MountTable(QString path = defaultPath(), RemovableTest removable = sysfsRemovable,
                        DriveNameLookup driveName = sysfsDriveName);

    const QString& path() const { return m_path; }

    // Every mounted file system in mount order, without sizes; kernel file systems left out.
    VolumeList all() const;

    // The drives a user sees (see MountRules), with the optical drives that hold no mounted medium.
    VolumeList userVisible(const QString& home) const;

    // Parses mountinfo text; pseudo file systems and mounts under /proc and /sys are left out and a
    // later mount over the same point replaces the earlier one.
    static VolumeList parse(const QByteArray& mountInfo, const RemovableTest& removable,
                            const DriveNameLookup& driveName = {});

    // Optical drives of the machine (/dev/sr*) that `mounted` does not show: listed, not ready.
    static VolumeList unmountedOpticalDrives(const VolumeList& mounted);

    static bool sysfsRemovable(const QString& majorMinor);
    static QString sysfsDriveName(const QString& majorMinor);

private:
    QString m_path;
    RemovableTest m_removable;
    DriveNameLookup m_driveName;
};

} // namespace Platform
