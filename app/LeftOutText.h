#pragma once

#include "LeftOutItem.h"
#include "TextRegister.h"

#include <QString>

// Why the selection walk left an item out, in the user's language, with the system's own
// description of the error when there was one.
QString leftOutReason(const LeftOutItem& item, const TextRegister& texts);
