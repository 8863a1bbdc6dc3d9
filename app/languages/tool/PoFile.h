#pragma once

#include "LanguageSource.h"

#include <QString>

// A language's texts from a gettext .po file, the translators' source:
//   - the header (msgid "") names the language: "X-Korvalis-Number: 2", "X-Korvalis-Name: Russian",
//     "X-Korvalis-Charset: 204";
//   - every text is one entry whose msgctxt is its section and number ("main:57", "engine:22",
//     "browser:40", "burner:13"), or "banner" for the line on the banner picture;
//   - the text is msgstr; an entry that is untranslated (empty msgstr) or marked fuzzy gives
//     its English msgid, as gettext itself does.
namespace PoFile {

// Reads and checks one .po file; throws LanguageSourceError naming the file and line.
LanguageSource read(const QString& path);
LanguageSource parse(const QString& text, const QString& file);

} // namespace PoFile
