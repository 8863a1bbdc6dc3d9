#pragma once

#include <QSettings>
#include <QString>

namespace Platform {

// The user's settings file of the program (~/.config/korvalis/korvalis.conf, or under
// $XDG_CONFIG_HOME): what the program remembers between runs, such as the last drives and folders.
inline QSettings userSettings()
{
    return QSettings(QStringLiteral("korvalis"), QStringLiteral("korvalis"));
}

} // namespace Platform
