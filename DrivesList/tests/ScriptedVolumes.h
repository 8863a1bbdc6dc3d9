#pragma once

#include "Volume.h"

// A volume as the platform layer would report it, for scripted volume lists in tests.
inline Platform::Volume volume(const QString& root, Platform::DriveType type, bool ready = true,
                               const QString& label = {})
{
    Platform::Volume v;
    v.root = root;
    v.type = type;
    v.ready = ready;
    v.label = label;
    v.fileSystem = QStringLiteral("ext4");
    return v;
}
