#pragma once

#include <QLocale>

// Qt's own texts (the standard buttons of message boxes and button boxes, the file dialog, the
// context menus of text fields) and the locale that writes dates, times and numbers, following
// the program's language. Qt's translations come from the system (Debian: qt6-translations-l10n).
class QtTranslations
{
public:
    // The locale of a language number (1 English, 2 Russian, 3 French, 4 Spanish): the system's
    // own locale when it speaks that language (so its country's date order is kept), else the
    // language's main one. Any other number gives English.
    static QLocale localeOf(int language);

    // Makes language the application's: installs Qt's translation for it in place of the one
    // before and makes its locale the default. English needs no translation. Returns false when
    // the translation of another language is not installed (Qt's texts then stay English).
    static bool apply(int language);
};
