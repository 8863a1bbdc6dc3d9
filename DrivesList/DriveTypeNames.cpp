#include "DriveTypeNames.h"

#include <array>

namespace DriveTypeNames {

namespace {

std::array<QString, Count> defaults()
{
    return {QStringLiteral("Unknown"), QStringLiteral("Removable"), QStringLiteral("Fixed"),
            QStringLiteral("Remote"),  QStringLiteral("CD-ROM"),    QStringLiteral("Flash Drive")};
}

std::array<QString, Count>& names()
{
    static std::array<QString, Count> table = defaults();
    return table;
}

} // namespace

void resetToDefaults()
{
    names() = defaults();
}

QString name(int type)
{
    if (type < 0 || type >= Count)
        return {};
    return names()[static_cast<size_t>(type)];
}

void setName(int type, const QString& text)
{
    if (type < 0 || type >= Count)
        return;
    names()[static_cast<size_t>(type)] = text;
}

} // namespace DriveTypeNames
