#include "PluralText.h"

#include <QStringList>

#include <algorithm>

namespace Platform::PluralText {

int formIndex(QLocale::Language language, qint64 count)
{
    const qint64 n = count < 0 ? -count : count;
    switch (language) {
    case QLocale::Russian:
    case QLocale::Ukrainian:
    case QLocale::Belarusian: {
        const qint64 mod10 = n % 10;
        const qint64 mod100 = n % 100;
        if (mod10 == 1 && mod100 != 11)
            return 0;
        if (mod10 >= 2 && mod10 <= 4 && (mod100 < 12 || mod100 > 14))
            return 1;
        return 2;
    }
    case QLocale::French:
        return n <= 1 ? 0 : 1;
    default:
        return n == 1 ? 0 : 1;
    }
}

QString text(const QString& forms, qint64 count, const QLocale& locale)
{
    const QStringList split = forms.split(QLatin1Char('|'));
    const int index = formIndex(locale.language(), count);
    const QString& form = split.at(std::min<qsizetype>(index, split.size() - 1));
    QString shown = form;
    return shown.replace(QLatin1String("%1"), locale.toString(count));
}

} // namespace Platform::PluralText
