#pragma once

#include "Volume.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>

namespace Platform {

// The volumes of this machine, read from the kernel's mount table.
class Volumes
{
public:
    // How long one size query may take before its volume counts as not ready.
    static constexpr std::chrono::milliseconds DefaultQueryLimit{1500};

    // Every volume in mount order, with sizes. Queries run in parallel, each bounded by `limit`,
    // so a dead device or a hung share costs at most `limit` and shows as not ready.
    static VolumeList list(std::chrono::milliseconds limit = DefaultQueryLimit);

    // The volumes without sizes: no call here can block on a device.
    static VolumeList mounts();

    // The volume that holds path: the longest mount point that is a prefix of it.
    static Volume volumeOf(const QString& path);
    static Volume volumeOf(const QString& path, const VolumeList& volumes);

    // True when both paths lie on the same volume.
    static bool sameVolume(const QString& a, const QString& b);

    // Parses mountinfo text; removable(major:minor) tells whether a block device is removable.
    // Pseudo file systems and mounts under /proc and /sys are left out; a later mount over the
    // same point replaces the earlier one.
    static VolumeList parseMountInfo(const QByteArray& mountInfo,
                                     const std::function<bool(const QString&)>& removable);

    // Optical drives of the machine (/dev/sr*) that the mount table does not show: listed, not ready.
    static VolumeList unmountedOpticalDrives(const VolumeList& mounted);
};

} // namespace Platform
