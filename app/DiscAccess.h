#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Whether this user can reach the machine's CD and DVD drives for burning.
namespace DiscAccess {

// What stands in the way, one line for each drive that cannot be opened; empty when every
// optical drive can be opened (or the machine has none).
QString missingAccess(const QStringList& devices);

// Says what stands in the way of burning, after `lead` (the user's language), when anything
// does; the program goes on either way.
void warnIfMissing(const QString& lead, QWidget* parent);

// The optical drives of the machine (/dev/sr0, /dev/sr1 ...).
QStringList opticalDevices();

} // namespace DiscAccess
