#pragma once

#include "DriveType.h"

#include <QList>
#include <QString>

namespace Platform {

// One drive as the drive picker lists it: a mounted volume, a file system the system knows but has
// not mounted, or an optical drive without a medium.
struct Volume
{
    QString root; // mount point with a closing "/"; the device path when nothing is mounted
    DriveType type = DriveType::Unknown;
    QString fileSystem;  // "ext4", "iso9660", "nfs4" ...
    QString label;       // volume label, or the share name of a network volume
    QString device;      // what is mounted: "/dev/sdb1", "server:/export" ...
    QString description; // the drive's vendor and model ("SanDisk Cruzer Blade"); "" when unknown
    qint64 totalBytes = 0;
    qint64 freeBytes = 0;
    bool ready = false;  // mounted and its size query answered in time
    bool mounted = true; // false: a file system that is present but not mounted, or no medium
    // What to hand to the mount service to mount it (its D-Bus object); "" when it cannot be mounted
    // from here.
    QString mountHandle;

    int driveTypeCode() const { return static_cast<int>(type); }
    bool canBeMounted() const { return !mounted && !mountHandle.isEmpty(); }
};

using VolumeList = QList<Volume>;

} // namespace Platform
