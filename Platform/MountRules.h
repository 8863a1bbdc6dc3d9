#pragma once

#include "Volume.h"

#include <QString>

namespace Platform {

// Which mounts a user sees as drives, as a desktop's file manager decides it: the system's own
// mounts (/run, /dev/shm, /boot/efi, snap packages, container layers) stay out of the way.
namespace MountRules {

// Mount points of the system that are never offered: /proc, /sys, /dev, /run (but /run/media),
// /boot, /efi, /snap, /etc, /usr and the container and package stores under /var.
bool isSystemMountPoint(const QString& mountPoint);

// Where a user's own mounts live: "/", /home, the user's home, /media, /run/media, and /mnt with
// one level below it.
bool isUserPath(const QString& mountPoint, const QString& home);

// True when a mount read from the mount table is listed: not a system mount point; a RAM file
// system, a loop device or a package image only at a user path; an overlay only as "/" (the root
// of a container).
bool isVisible(const Volume& mount, const QString& home);

} // namespace MountRules

} // namespace Platform
