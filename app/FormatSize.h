#pragma once

#include <QString>

// The text of a byte count on the report page, in the history and in the drive list.
QString FormatSize(double bytes);
