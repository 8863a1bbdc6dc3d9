#include "RecoveryMethod/TimeLeftText.h"

#include "PluralText.h"

namespace TimeLeftText {

QString text(qint64 seconds, const Units& units, const QLocale& locale)
{
    using Platform::PluralText::text;
    if (seconds < 60) {
        const qint64 fives = std::max<qint64>(5, (seconds + 4) / 5 * 5);
        if (fives < 60)
            return text(units.seconds, fives, locale);
        seconds = 60;
    }
    if (seconds < 3600)
        return text(units.minutes, (seconds + 59) / 60, locale);
    qint64 hours = seconds / 3600;
    qint64 minutes = (seconds % 3600 + 59) / 60;
    if (minutes == 60) {
        ++hours;
        minutes = 0;
    }
    const QString shownHours = text(units.hours, hours, locale);
    return minutes == 0 ? shownHours : shownHours + QLatin1Char(' ') + text(units.minutes, minutes, locale);
}

} // namespace TimeLeftText
