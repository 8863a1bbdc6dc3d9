#pragma once

#include <QString>

namespace Platform {

// The system's temporary folder, with a closing "/".
QString tempPath();

// Opens a web address in the desktop's browser; false when nothing could open it.
bool openUrl(const QString& address);

} // namespace Platform
