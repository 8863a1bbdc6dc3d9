#pragma once

#include <QString>

class TextRegister;

// The text of a byte count on the report page, in the history and in the drive list, in the
// units of the current language.
QString FormatSize(double bytes);

// The texts that hold the unit names: bytes, kilobytes, megabytes, gigabytes.
constexpr int SizeUnitTexts[] = {306, 307, 308, 309};

// Makes the units of the language in texts the ones every size text of the program shows (the
// recovery engine's too); called whenever a language is applied.
void SetSizeUnits(const TextRegister& texts);
