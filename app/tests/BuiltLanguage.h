#pragma once

#include "LanguageFile.h"
#include "TableEngine.h"
#include "TextRegister.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// One language of the language file the build made, loaded as the program loads it.
namespace BuiltLanguage {

inline QString file()
{
    return qEnvironmentVariable("KORVALIS_BUILD_DIR") + QStringLiteral("/app/languages.sir");
}

// Puts a copy of the language file into a program folder, writable as the program wants it.
inline bool copyInto(const QString& folder)
{
    const QString copy = QDir(folder).filePath(QStringLiteral("languages.sir"));
    return QFile::copy(file(), copy) && QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
}

struct Texts
{
    TextRegister main;
    LanguageTexts controls;
};

// Loads from a copy, since loading saves the language as the chosen one. The copy is in a folder
// of its own: test programs that run at the same time must not share it.
inline Texts load(int language)
{
    const QTemporaryDir folder;
    const QString copy = folder.filePath(QStringLiteral("languages.sir"));
    Texts texts;
    if (!folder.isValid() || !copyInto(folder.path()))
        return texts;
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
