#include "WindowLanguage.h"

#include "FormatSize.h"
#include "LanguageFile.h"
#include "NavigationBar.h"
#include "PageArea.h"
#include "PageBanner.h"
#include "Prompt.h"
#include "QtTranslations.h"
#include "StartUp.h"
#include "TableEngine.h"
#include "TextIds.h"
#include "TitleStrip.h"
#include "Wizard.h"
#include "isButton.h"

#include <QLabel>

namespace {

QString padded(const QString& caption)
{
    return QStringLiteral("  ") + caption;
}

} // namespace

WindowLanguage::WindowLanguage(Wizard& window)
    : w(window)
{
}

void WindowLanguage::applySaved()
{
    int language = 1;
    try {
        language = w.m_languages->savedLanguage();
    } catch (const std::exception& e) {
        throw LoadError(LoadError::FileFailure, e.what());
    }
    if (language > 4)
        throw LoadError(LoadError::SubscriptOutOfRange, "the saved language has no flag");
    w.m_bar->markLanguage(language);
    apply(language);
}

void WindowLanguage::apply(int& language)
{
    if (language < 1 || language > 4)
        language = 1;
    w.m_language = language;
    LangTexts texts = w.m_texts.all();
    try {
        const LanguageTexts controls = w.m_languages->load(language, texts);
        QtTranslations::apply(language);
        applyTexts(texts, controls);
    } catch (const LanguageFileError& e) {
        failure(e.message());
    } catch (const std::exception&) {
        // A control refused a text of the file (too many of them, for one): the file is unusable.
        failure(QStringLiteral("Access denied or file corrupted.\n\nFile: ") + w.m_languageFile);
    }
}

void WindowLanguage::switchTo(int flagIndex)
{
    if (flagIndex < 0 || flagIndex > 3)
        return;
    int language = flagIndex + 1;
    apply(language);
    if (!w.m_unloaded)
        w.m_bar->markLanguage(flagIndex + 1);
}

void WindowLanguage::failure(const QString& text)
{
    Prompt::show({QMessageBox::Critical, QStringLiteral("Korvalis"), text}, &w);
    w.m_langEng->CloseAll();
    w.unload(1);
}

void WindowLanguage::applyTexts(const LangTexts& loaded, const LanguageTexts& controls)
{
    TextRegister& texts = w.m_texts;
    texts.setAll(loaded);
    const int charSet = controls.charset;
    texts.setText(TextId::CharSet, QString::number(charSet));
    SetSizeUnits(texts);
    w.setWindowTitle(texts[TextId::ProgramName] + QLatin1Char(' ') + texts[TextId::VersionWord] +
                     QLatin1Char(' ') + texts[TextId::VersionNumber]);
    w.m_bar->setCharSet(charSet);
    w.m_pageArea->applyTexts(texts, controls);
    w.BuildMainMenu();
    w.m_banner->setToolTip(texts[TextId::BannerTip]);
    w.m_title->setAccessibleName(texts[TextId::ProgramName]);
    w.m_title->setAccessibleDescription(texts[TextId::BannerTip]);
    w.m_bar->nameFlags(::LanguageFile::languageNames());
    redrawTitle(PageFlow::restingTitleColour());
    setPageButtonCaptions();
}

void WindowLanguage::redrawTitle(QRgb colour)
{
    w.m_title->draw(w.m_texts[TextId::ProgramName], w.m_texts[TextId::Subtitle], colour);
}

void WindowLanguage::setPageButtonCaptions()
{
    const TextRegister& texts = w.m_texts;
    if (const auto captions = PageFlow::captionTexts(w.m_flow.CurrentPage))
        w.m_navCaptions = *captions;
    w.m_back->setCaption(padded(texts[w.m_navCaptions[0]]));
    w.m_next->setCaption(padded(texts[w.m_navCaptions[1]]));
    w.m_exit->setCaption(padded(texts[w.m_navCaptions[2]]));
    for (const PageFlow::StepLabel& label : PageFlow::stepLabels(w.m_flow.WizardMode))
        w.m_tips[static_cast<size_t>(label.tipsIndex)]->setText(texts[TextId::Step] + QLatin1Char(' ') +
                                                                QString::number(label.step) +
                                                                QStringLiteral(".   ") + texts[label.text]);
    for (isButton* b : {w.m_back, w.m_next, w.m_exit})
        b->setAccessibleName(b->Caption().trimmed());
}

void WindowLanguage::setExitCaption(int text)
{
    w.m_exit->setCaption(padded(w.m_texts[text]));
    w.m_exit->setAccessibleName(w.m_texts[text]);
}

void WindowLanguage::buildBanner()
{
    w.m_banner->ShowBanner(MenuPage, w.m_language);
    if (!w.m_banner->LoadPictures([this](int row) { return w.m_languages->picture(row); }, w.m_appFolder))
        return;
    w.m_pageArea->attachBanner(*w.m_banner);
    w.m_banner->setToolTip(w.m_texts[TextId::BannerTip]);
    w.m_banner->start();
}
