#pragma once

#include "DriveType.h"

#include <QList>
#include <QString>

namespace Platform {

// One mounted volume (or one optical drive without a medium), as the drive picker lists it.
struct Volume
{
    QString root; // mount point with a closing "/"; the device path for a drive without a medium
    DriveType type = DriveType::Unknown;
    QString fileSystem; // "ext4", "iso9660", "nfs4" ...
    QString label;      // volume label, or the share name of a network volume
    QString device;     // what is mounted: "/dev/sdb1", "server:/export" ...
    qint64 totalBytes = 0;
    qint64 freeBytes = 0;
    bool ready = false; // mounted and its size query answered in time

    int driveTypeCode() const { return static_cast<int>(type); }
};

using VolumeList = QList<Volume>;

} // namespace Platform
