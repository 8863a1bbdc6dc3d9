#pragma once

#include <QString>
#include <QStringList>

#include <array>

// The texts of the main program in the current language: entry 0 is the character set as
// decimal text, entries 1 to 150 the captions and messages that every form refers to by number.
class TextRegister
{
public:
    static constexpr int Size = 151;

    // The text of entry n; an empty text for a number outside 0 to 150.
    QString text(int n) const;
    QString operator[](int n) const { return text(n); }

    // Sets entry n; an entry outside 0 to 150 throws std::out_of_range and changes nothing.
    void setText(int n, const QString& text);

    // The character set held in entry 0.
    int charSet() const;

private:
    std::array<QString, Size> m_texts;
};

// What one language supplies to the window and its hosted controls.
struct LanguageTexts
{
    int charSet = 0;
    QStringList main;    // texts 1, 2, ... of the main program
    QStringList engine;  // slots 1 to 39 of the recovery engine
    QStringList browser; // slots 1, 2, ... of the file browsers
    QStringList burner;  // slots 1, 2, ... of the burning control
};
