#include "SizeText.h"

#include <QLocale>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace Platform {

namespace {

// Rounds to the nearest 32-bit integer, halves to even; nullopt when it does not fit.
std::optional<std::int32_t> roundToInt32(double v)
{
    if (!std::isfinite(v))
        return std::nullopt;
    const double r = std::nearbyint(v); // the default rounding mode rounds halves to even
    if (r < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
        r > static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return static_cast<std::int32_t>(r);
}

} // namespace

QString sizeText(double v)
{
    const QString failed = QStringLiteral("0b");
    if (std::isnan(v))
        return failed;

    int unit = 0; // 0 b, 1 Kb, 2 Mb, 3 Gb
    if (v > 5120.0)
        unit = 1;
    if (v > 5242880.0)
        unit = 2;
    if (v > 1073741824.0)
        unit = 3;

    static const char* const names[] = {"b", "Kb", "Mb", "Gb"};
    if (unit == 0) {
        if (!std::isfinite(v))
            return failed;
        return QString::number(v, 'g', QLocale::FloatingPointShortest) + QLatin1Char(' ') +
               QLatin1String(names[0]);
    }

    double scaled = v;
    for (int i = 1; i < unit; ++i)
        scaled /= 1024.0;
    const auto rounded = roundToInt32(scaled);
    if (!rounded)
        return failed;
    return QString::number(*rounded / 1024) + QLatin1Char(' ') + QLatin1String(names[unit]);
}

} // namespace Platform
