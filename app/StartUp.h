#pragma once

#include <QString>

#include <stdexcept>

// A failure while the program starts; its number is shown in the "Load Error #" message.
class LoadError : public std::runtime_error
{
public:
    // The numbers of the failures the start can meet.
    static constexpr int SubscriptOutOfRange = 9; // a saved language without a flag
    static constexpr int InvalidCall = 5;         // a hosted control refused a call
    static constexpr int FileFailure = 75;        // a file of the program folder could not be used

    LoadError(int number, const std::string& what)
        : std::runtime_error(what)
        , m_number(number)
    {
    }
    int number() const { return m_number; }

private:
    int m_number;
};

// The values the program fixes when it starts.
namespace StartUp {

// The program folder: the working directory with a closing "/".
QString appFolderFrom(const QString& workingDirectory);

// The language file inside the program folder.
QString languageFileIn(const QString& appFolder);

// The language number kept in the language file: the leading number of the text, rounded
// (halves to even); nothing, 0, negative or no number gives 1. Values above 4 stay as they are.
int savedLanguageNumber(const QString& storedValue);

// The support address compiled into the program.
QString supportAddress();

// The text of the message for a failed start.
QString loadErrorText(int errorNumber);

// The web page of the product, for language number `language`.
QString homePageAddress(int language);

} // namespace StartUp
