#pragma once

#include <QList>
#include <QPixmap>

// The 64 by 64 pictures of the drive types, drawn once: picture n shows drive type n - 1
// (1 unknown, 2 removable, 3 fixed disk, 4 network share, 5 optical drive, 6 RAM disk).
namespace DrivePictures {

constexpr int Size = 64;

// Pictures 1 to 6 at positions 0 to 5.
const QList<QPixmap>& all();

// Picture `number` (1 to 6); a null pixmap for any other number.
QPixmap picture(int number);

} // namespace DrivePictures
