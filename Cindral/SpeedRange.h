#pragma once

#include <QStringList>

// The write speeds offered for a recorder and its disc, slowest first, each as "<n>x".
namespace SpeedRange {

// haveRecorder: the recorder could be selected. limit1 and limit2: the top speeds of recorder
// and disc ("x"), 0 when unknown. With no recorder or no disc, or no speed known, the single
// item "32x".
// Up to 10x the list goes in steps of 2, above in steps of 4; DVD kinds stop at 8x.
QStringList items(bool haveRecorder, int mediaCode, int limit1, int limit2);

// The number at the start of a speed item ("32x" gives 32); 0 when there is none.
int valueOf(const QString& item);

} // namespace SpeedRange
