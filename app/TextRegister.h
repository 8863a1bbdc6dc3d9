#pragma once

#include "LangTexts.h"

#include <QString>

// The texts of the main program in the current language: entry 0 is the character set as
// decimal text, entries 1 to 269 the captions and messages that every form refers to by number.
class TextRegister
{
public:
    static constexpr int Size = int(std::tuple_size_v<LangTexts>);

    // The text of entry n; an empty text for a number outside 0 to 269.
    QString text(int n) const;
    QString operator[](int n) const { return text(n); }

    // Sets entry n; an entry outside 0 to 269 throws std::out_of_range and changes nothing.
    void setText(int n, const QString& text);

    // The character set held in entry 0.
    int charSet() const;

    const LangTexts& all() const { return m_texts; }
    void setAll(const LangTexts& texts) { m_texts = texts; }

private:
    LangTexts m_texts;
};
