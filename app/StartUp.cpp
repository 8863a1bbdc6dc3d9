#include "StartUp.h"

#include "PathRules.h"

#include <QDir>

#include <cmath>
#include <limits>

#ifndef KORVALIS_SUPPORT_EMAIL
#define KORVALIS_SUPPORT_EMAIL "support@korvalis.org"
#endif
#ifndef KORVALIS_HOMEPAGE
#define KORVALIS_HOMEPAGE "https://korvalis.org/?from=app"
#endif

namespace StartUp {

QString appFolderFrom(const QString& workingDirectory)
{
    return Platform::PathRules::withClosingSlash(QDir::fromNativeSeparators(workingDirectory));
}

QString languageFileIn(const QString& appFolder)
{
    return appFolder + QStringLiteral("languages.sir");
}

int savedLanguageNumber(const QString& storedValue)
{
    // The leading number of the text: blanks, an optional sign, digits, an optional fraction.
    const QString s = storedValue.trimmed();
    qsizetype end = 0;
    if (end < s.size() && (s[end] == QLatin1Char('+') || s[end] == QLatin1Char('-')))
        ++end;
    const qsizetype digitsFrom = end;
    while (end < s.size() && s[end].isDigit())
        ++end;
    if (end < s.size() && s[end] == QLatin1Char('.')) {
        ++end;
        while (end < s.size() && s[end].isDigit())
            ++end;
    }
    if (end == digitsFrom)
        return 1;
    bool ok = false;
    const double value = s.left(end).toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return 1;
    const double rounded = std::nearbyint(value);
    if (rounded < 1)
        return 1;
    if (rounded > std::numeric_limits<short>::max())
        return std::numeric_limits<short>::max();
    return static_cast<int>(rounded);
}

QString supportAddress()
{
    return QStringLiteral(KORVALIS_SUPPORT_EMAIL);
}

QString loadErrorText(int errorNumber)
{
    return QStringLiteral("Load Error #") + QString::number(errorNumber) + QLatin1Char('\n') +
           QStringLiteral("Inform us about this problem, please.") + QLatin1Char('\n') + supportAddress();
}

QString homePageAddress(int language)
{
    QString address = QStringLiteral(KORVALIS_HOMEPAGE);
    if (language == 2)
        address += QStringLiteral("&l=1");
    return address;
}

} // namespace StartUp
