#pragma once

#include <QString>

// The engine's texts and font character set, shared by every engine control and its dialogs in
// the process. The host fills them from its language table.
namespace EngineTexts {

constexpr int SlotCount = 100;

// The last line of every run's log ("Recovery finished."); the run used to close with the
// "Block size" label.
constexpr int FinishedLine = 31;

// The text in slot n (1 to SlotCount); empty until the host fills it. Throws std::out_of_range
// for any other n.
QString slot(int n);

// Stores text in slot n; throws std::out_of_range for n outside 1 to SlotCount and keeps the slots.
void setSlot(int n, const QString& text);

// The character-set code of the engine's fonts (stored and returned as given; text is Unicode).
int fontCharSet();
void setFontCharSet(int charSet);

// The font family every engine font is asked for.
QString fontName();

} // namespace EngineTexts
