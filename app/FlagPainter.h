#pragma once

#include <QPixmap>
#include <QSize>

// Pictures of the four language flags and of the marker under the chosen one.
namespace FlagPainter {

// The flag of language 1 (English), 2 (Russian), 3 (French) or 4 (Spanish).
QPixmap flag(int language, QSize size);

// The small upward arrow that marks the chosen flag.
QPixmap marker(QSize size);

} // namespace FlagPainter
