#pragma once

#include <QString>

namespace Platform {

// A byte count as the number, a blank and a unit: "b" up to 5120 bytes, then whole "Kb" up to
// 5 Mb, whole "Mb" up to 1 Gb and whole "Gb" above, 1024-based with the remainder dropped.
// "0b" (no blank) when the count cannot be shown: not a number, or too large for the rounding.
QString sizeText(double bytes);

} // namespace Platform
