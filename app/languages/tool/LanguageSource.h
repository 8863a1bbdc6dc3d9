#pragma once

#include <QString>

#include <map>
#include <stdexcept>

// One language's texts as read from its source file (english.lang, ...). See README.md for
// the format.
struct LanguageSource
{
    enum class Section
    {
        Main,
        Engine,
        Browser,
        Burner
    };

    QString file;     // where it was read from, for messages
    int number = 0;   // 1 English, 2 Russian, 3 French, 4 Spanish
    QString name;     // "English", ...
    int charset = -1; // Windows character-set code
    QString banner;   // line for the banner picture, may be empty

    std::map<int, QString> main;    // texts 1 to 229
    std::map<int, QString> engine;  // recovery engine texts 1 to 59
    std::map<int, QString> browser; // file browser texts 1 to 100
    std::map<int, QString> burner;  // disc burning texts 0 to 30

    const std::map<int, QString>& texts(Section section) const;
    std::map<int, QString>& texts(Section section);

    // Reads and checks one source file; throws LanguageSourceError naming the file and line.
    static LanguageSource read(const QString& path);
    // Parses source text; file names it in messages.
    static LanguageSource parse(const QString& text, const QString& file);
};

class LanguageSourceError : public std::runtime_error
{
public:
    explicit LanguageSourceError(const QString& message)
        : std::runtime_error(message.toStdString())
    {
    }
};
