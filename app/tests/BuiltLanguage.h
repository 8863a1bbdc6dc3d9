#pragma once

#include "LanguageFile.h"
#include "TableEngine.h"
#include "TextRegister.h"

#include <QDir>
#include <QFile>

// One language of the language file the build made, loaded as the program loads it.
namespace BuiltLanguage {

inline QString file()
{
    return qEnvironmentVariable("KORVALIS_BUILD_DIR") + QStringLiteral("/app/languages.sir");
}

struct Texts
{
    TextRegister main;
    LanguageTexts controls;
};

// Loads from a copy, since loading saves the language as the chosen one.
inline Texts load(int language)
{
    const QString copy = QDir::temp().filePath(QStringLiteral("korvalis-builtlanguage-%1.sir").arg(language));
    QFile::remove(copy);
    Texts texts;
    if (!QFile::copy(file(), copy))
        return texts;
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    {
        TableEngine engine;
        LanguageFile languages(engine, copy);
        LangTexts all;
        texts.controls = languages.load(language, all);
        texts.main.setAll(all);
        engine.CloseAll();
    }
    QFile::remove(copy);
    return texts;
}

} // namespace BuiltLanguage
