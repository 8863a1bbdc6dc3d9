#pragma once

#include <QString>

#include <array>

// The main program's texts: entry 0 holds the character set of the language as decimal text,
// entries 1 to 169 the texts ("text N" is entry N).
using LangTexts = std::array<QString, 170>;
