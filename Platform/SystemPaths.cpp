#include "SystemPaths.h"

#include "PathRules.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

namespace Platform {

QString tempPath()
{
    return PathRules::withClosingSlash(QDir::tempPath());
}

bool openUrl(const QString& address)
{
    return QDesktopServices::openUrl(QUrl::fromUserInput(address));
}

} // namespace Platform
