#pragma once

#include <QString>

#include <array>

// The main program's texts: entry 0 holds the character set of the language as decimal text,
// entries 1 to 269 the texts ("text N" is entry N). Texts 1 to 150 are the program's first ones.
using LangTexts = std::array<QString, 270>;
