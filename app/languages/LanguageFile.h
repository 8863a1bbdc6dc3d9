#pragma once

#include "LangTexts.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <stdexcept>

class TableEngine;

// A language file could not be loaded. message() is the text for the user's error box, for
// example "File not found." + two line breaks + "File: " + the path; the caller shows it with
// the error icon, calls CloseAll on its engine and ends the program.
class LanguageFileError : public std::runtime_error
{
public:
    explicit LanguageFileError(const QString& message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {
    }
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// The texts of one language for the hosted controls, read together with LangTexts. Every list
// is indexed by slot number; entries that the file does not give are missing from the list
// (browser, burner) or empty (engine).
struct LanguageTexts
{
    quint16 charset = 0;      // the character set, also in LangTexts entry 0
    QStringList engineTexts;  // slots 0 to 39; slot 0 unused; the host sends 1 to 39
    QStringList browserTexts; // slots 0 to n; slot 0 unused; the host sends 1 to n
    QStringList burnerTexts;  // slots 0 to n; the host sends 1 to n (slot 0 keeps the control's default)
};

// The language file "languages.sir": the four languages' texts and the saved language number,
// read and written through a table engine (LangEng). It keeps no state of its own, so the
// same object serves start-up and every later language switch.
class LanguageFile
{
public:
    LanguageFile(TableEngine& engine, const QString& path);

    const QString& path() const { return m_path; }

    // The four language names, in language-number order: "English", "Russian", "French",
    // "Spanish" (the flag tooltips; never translated).
    static QStringList languageNames();

    // The saved language number as start-up reads it: the leading number of the stored text,
    // rounded; missing, unreadable or below 1 gives 1. A number above 4 is returned as it is:
    // there is no flag for it and the caller's start-up fails.
    int savedLanguage();

    // Loads a language, the loading half of ApplyLanguage: a language of 0, below 0 or above 4
    // becomes 1 (English) and is written back into language. Fills texts 0 to n - 1 from the
    // n rows of the main table, so a table with fewer rows leaves the later texts as they were;
    // returns the engine, browser and burner texts, and saves the language number in the file.
    // Throws LanguageFileError (and leaves texts unchanged) when the file is missing ("File not
    // found.") or unusable: unreadable, foreign, more than 270 main rows, a character set that is
    // not a number, more than 100 browser or 30 burner texts ("Access denied or file corrupted.").
    LanguageTexts load(int& language, LangTexts& texts);

    // Banner picture 1 (every language but Russian) or 2 (Russian) as PNG data; empty when the
    // file has none. Throws TableError when the file cannot be read.
    QByteArray picture(int index);

    // Stores the language number under the main table, so the choice survives a restart.
    void saveLanguage(int language);

    // The leading number of a text, as the saved language is read: blanks skipped, an optional
    // sign, digits and a decimal part, rounded half to even; 0 when there is none.
    static int leadingNumber(const QString& text);

private:
    [[noreturn]] void fail(bool missing) const;
    QString table(int row) const;

    TableEngine& m_engine;
    QString m_path;
};
