#pragma once

#include "LangTexts.h"

#include <QRgb>
#include <QString>

class Wizard;
struct LanguageTexts;

// The language of the main window: loading one from the language file and putting its texts
// into the register, the window, its pages, the bottom bar and the hosted controls; the captions
// that follow the page in view; the title strip's texts.
class WindowLanguage
{
public:
    explicit WindowLanguage(Wizard& window);

    // At start-up: the language chosen last time, marked on the bar and applied. Throws
    // LoadError when the file holds none the window can show.
    void applySaved();
    // Loads language number `language` (0 or above 4 become 1) and applies it; when the language
    // file cannot be used the user is told and the window unloads.
    void apply(int& language);
    // A flag was chosen (0 to 3): its language, marked on the bar.
    void switchTo(int flagIndex);
    void applyTexts(const LangTexts& texts, const LanguageTexts& controls);

    // Back, Next and Exit as the page in view names them, and the step lines of the pages.
    void setPageButtonCaptions();
    void setExitCaption(int text);
    void redrawTitle(QRgb colour);
    // The banner over the pages, from the pictures of the language file.
    void buildBanner();

private:
    void failure(const QString& text);

    Wizard& w;
};
