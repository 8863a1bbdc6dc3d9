#pragma once

#include <QString>

namespace Platform {

// The unit names a size text ends with, in the language shown.
struct SizeUnits
{
    QString bytes = QStringLiteral("b");
    QString kilo = QStringLiteral("Kb");
    QString mega = QStringLiteral("Mb");
    QString giga = QStringLiteral("Gb");
};

// The units every later sizeText(bytes) uses, shared by the whole program (the program sets its
// language's units when it applies a language). An empty name keeps the one before.
void setSizeUnits(const SizeUnits& units);
SizeUnits sizeUnits();

// A byte count as the number, a blank and a unit: bytes up to 5120, then whole kilobytes up to
// 5 MB, whole megabytes up to 1 GB and whole gigabytes above, 1024-based with the remainder
// dropped. "0" and the bytes unit, without a blank ("0b"), when the count cannot be shown: not a
// number, or too large for the rounding.
QString sizeText(double bytes);
QString sizeText(double bytes, const SizeUnits& units);

} // namespace Platform
