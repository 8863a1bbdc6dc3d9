#pragma once

#include <QString>

namespace Platform {

// The drive type codes that the drive picker and the job assembly work with.
enum class DriveType : int
{
    Unknown = 0,
    Removable = 1,
    Fixed = 2,
    Network = 3,
    Optical = 4,
    RamDisk = 5,
};

// True for the kernel's own file systems (proc, sysfs, cgroup ...), which are never drives.
bool isPseudoFileSystem(const QString& fileSystem);

// Decides the drive type of a mount from its file system, its source (device or share) and
// whether its block device is marked removable or sits on USB.
DriveType classifyDrive(const QString& fileSystem, const QString& source, bool removableDevice);

} // namespace Platform
