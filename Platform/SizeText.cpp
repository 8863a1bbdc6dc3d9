#include "SizeText.h"

#include <QLocale>

#include <cmath>
#include <cstdint>
#include <limits>
#include <mutex>
#include <optional>
#include <utility>

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

// The engine writes sizes on its own thread while the window may switch the language.
std::mutex& unitsMutex()
{
    static std::mutex mutex;
    return mutex;
}

SizeUnits& current()
{
    static SizeUnits units;
    return units;
}

} // namespace

void setSizeUnits(const SizeUnits& units)
{
    const std::lock_guard lock(unitsMutex());
    SizeUnits& c = current();
    for (auto [to, from] : {std::pair{&c.bytes, &units.bytes}, std::pair{&c.kilo, &units.kilo},
                            std::pair{&c.mega, &units.mega}, std::pair{&c.giga, &units.giga}})
        if (!from->isEmpty())
            *to = *from;
}

SizeUnits sizeUnits()
{
    const std::lock_guard lock(unitsMutex());
    return current();
}

QString sizeText(double v)
{
    return sizeText(v, sizeUnits());
}

QString sizeText(double v, const SizeUnits& units)
{
    const QString failed = QLatin1Char('0') + units.bytes;
    if (std::isnan(v))
        return failed;

    int unit = 0; // 0 b, 1 Kb, 2 Mb, 3 Gb
    if (v > 5120.0)
        unit = 1;
    if (v > 5242880.0)
        unit = 2;
    if (v > 1073741824.0)
        unit = 3;

    const QString* const names[] = {&units.bytes, &units.kilo, &units.mega, &units.giga};
    if (unit == 0) {
        if (!std::isfinite(v))
            return failed;
        return QString::number(v, 'g', QLocale::FloatingPointShortest) + QLatin1Char(' ') + *names[0];
    }

    double scaled = v;
    for (int i = 1; i < unit; ++i)
        scaled /= 1024.0;
    const auto rounded = roundToInt32(scaled);
    if (!rounded)
        return failed;
    return QString::number(*rounded / 1024) + QLatin1Char(' ') + *names[unit];
}

} // namespace Platform
