#pragma once

#include <QString>
#include <QStringList>

// Whether this user can reach the machine's CD and DVD drives for burning.
namespace DiscAccess {

// What stands in the way, one line for each drive that cannot be opened; empty when every
// optical drive can be opened (or the machine has none).
QString missingAccess(const QStringList& devices);

// The optical drives of the machine (/dev/sr0, /dev/sr1 ...).
QStringList opticalDevices();

} // namespace DiscAccess
