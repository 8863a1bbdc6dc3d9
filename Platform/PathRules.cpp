#include "PathRules.h"

namespace Platform::PathRules {

QString withClosingSlash(const QString& path)
{
    if (path.endsWith(QLatin1Char('/')))
        return path;
    return path + QLatin1Char('/');
}

QString parentOf(const QString& path)
{
    QString p = path;
    if (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    const qsizetype slash = p.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return withClosingSlash(path);
    return p.left(slash + 1);
}

bool isRoot(const QString& path)
{
    return path == QLatin1String("/");
}

QString lastName(const QString& path)
{
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    if (p == QLatin1String("/"))
        return {};
    return p.mid(p.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace Platform::PathRules
