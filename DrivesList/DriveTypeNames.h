#pragma once

#include <QString>

// The six drive type names, shared by every drive picker of the program. Creating a picker puts
// the defaults back ("Unknown", "Removable", "Fixed", "Remote", "CD-ROM", "Flash Drive").
namespace DriveTypeNames {

constexpr int Count = 6;

void resetToDefaults();
// The name of drive type `type` (0 to 5); "" for any other type.
QString name(int type);
// Replaces the name of type `type` (0 to 5); other types are ignored.
void setName(int type, const QString& name);

} // namespace DriveTypeNames
