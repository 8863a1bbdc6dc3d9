#pragma once

#include <QLocale>
#include <QString>

// The time a run still needs, in words of the user's language: "40 seconds", "12 minutes",
// "2 hours 5 minutes". Each unit is a text of plural forms ("%1 second|%1 seconds", see
// Platform::PluralText). The figure is rounded up, and coarsely, so that it does not flicker at
// every refresh: seconds to fives below a minute, whole minutes below an hour, then hours and
// minutes.
namespace TimeLeftText {

struct Units
{
    QString seconds;
    QString minutes;
    QString hours;
};

QString text(qint64 seconds, const Units& units, const QLocale& locale = QLocale());

} // namespace TimeLeftText
