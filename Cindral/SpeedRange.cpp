#include "SpeedRange.h"

#include "MediaKind.h"

#include <algorithm>
#include <cmath>

namespace SpeedRange {

namespace {

// Halves go to the even neighbour (2.5 gives 2, 3.5 gives 4).
int roundHalfEven(double value)
{
    return int(std::nearbyint(value)); // the default rounding mode rounds halves to even
}

} // namespace

QStringList items(bool haveRecorder, int mediaCode, int limit1, int limit2)
{
    if (!haveRecorder || mediaCode == MediaKind::NoDisc)
        return {QStringLiteral("32x")};
    if (limit1 == 0)
        limit1 = limit2;
    int top = std::min(limit1, limit2);
    if (MediaKind::isDvd(mediaCode) && top > 8)
        top = 8;
    // A recorder that tells no speeds (an image file, some old drives) still gets a choice.
    if (top <= 0)
        return {QStringLiteral("32x")};
    const int step = top < 11 ? 2 : 4;
    const int n = roundHalfEven(double(top) / step);
    QStringList list;
    for (int i = 1; i <= n; ++i)
        list << QString::number(i * step) + QLatin1Char('x');
    return list;
}

int valueOf(const QString& item)
{
    int end = 0;
    while (end < item.size() && item.at(end).isDigit())
        ++end;
    return item.left(end).toInt();
}

} // namespace SpeedRange
