#pragma once

#include <QLocale>
#include <QString>

namespace Platform {

// Texts that name a count in a language's plural forms. A text holds its forms separated by
// "|" in the order of the language's rule (the rules of the Unicode CLDR for whole numbers):
//   English, Spanish: one (1) | other
//   French:           one (0 and 1) | other
//   Russian:          one (1, 21, 101...) | few (2-4, 22-24...) | many (0, 5-20, 25-30, 11-14...)
// A text with fewer forms than the rule uses its last form for the forms it lacks.
namespace PluralText {

// The form index a count takes in language (0 for the first form).
int formIndex(QLocale::Language language, qint64 count);

// The form of forms for count, with "%1" replaced by the count written in the locale's digits.
QString text(const QString& forms, qint64 count, const QLocale& locale = QLocale());

} // namespace PluralText

} // namespace Platform
