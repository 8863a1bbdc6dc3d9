#pragma once

#include "Volume.h"

#include <QDBusConnection>
#include <QString>

#include <chrono>

namespace Platform {

// Where the drives are read from: the disk service on a bus, the mount table, and the user's home
// (which decides what counts as the user's own mounts).
struct VolumeOrigin
{
    QDBusConnection bus;
    QString mountTable;
    QString home;

    // The system bus, /proc/self/mountinfo and the home of the user running the program.
    static VolumeOrigin thisMachine();
};

// The volumes of this machine.
class Volumes
{
public:
    // How long one size query may take before its volume counts as not ready.
    static constexpr std::chrono::milliseconds DefaultQueryLimit{1500};

    // The drives a user sees, in the drive picker's order, with sizes. The disk service lists the
    // disks, sticks, cards and optical drives and the mount table adds shares and the user's other
    // mounts; without the service, the mount table alone. Size queries run in parallel, each
    // bounded by `limit`, so a dead device or a hung share costs at most `limit` and shows as not
    // ready.
    static VolumeList list(std::chrono::milliseconds limit = DefaultQueryLimit);
    static VolumeList list(const VolumeOrigin& origin, std::chrono::milliseconds limit = DefaultQueryLimit);

    // The drive picker's order: by kind (fixed disks, removables, optical drives, shares, RAM
    // disks, others), mounted before not mounted, then by mount point. A drive that comes or goes
    // never moves the others.
    static void sortForPicker(VolumeList& volumes);

    // Every mounted file system, as the mount table has it, and the optical drives without a
    // mounted medium; no sizes, so no call here can block on a device.
    static VolumeList mounts();

    // The volume that holds path: the longest mount point that is a prefix of it.
    static Volume volumeOf(const QString& path);
    static Volume volumeOf(const QString& path, const VolumeList& volumes);

    // True when both paths lie on the same volume.
    static bool sameVolume(const QString& a, const QString& b);
};

} // namespace Platform
