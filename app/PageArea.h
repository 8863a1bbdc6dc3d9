#pragma once

#include "PageFlow.h"

#include <QWidget>

#include <array>

class BurnPageWidget;
class DestinationPageWidget;
class DiscPageWidget;
class HistoryPageWidget;
class MenuPageWidget;
class PageBanner;
class ProgressPageWidget;
class ReportPageWidget;
class SourcePageWidget;
class TableEngine;
class TextRegister;
class WizardPage;
struct LanguageTexts;

// The eight pages of the main window, one over the other and each as large as the area, and
// where they stand during a slide. Only the pages of a slide are shown while it runs, and only
// the page in view otherwise, so that neither the keys nor a screen reader reach another.
class PageArea : public QWidget
{
    Q_OBJECT

public:
    PageArea(TableEngine& reportEng, const TextRegister& texts, const QString& appFolder,
             QWidget* parent = nullptr);

    WizardPage* page(int index) const { return m_pages.at(static_cast<size_t>(index)); }
    MenuPageWidget* menu() const { return m_menu; }
    SourcePageWidget* source() const { return m_source; }
    DiscPageWidget* disc() const { return m_disc; }
    DestinationPageWidget* destination() const { return m_destination; }
    ProgressPageWidget* progress() const { return m_progress; }
    BurnPageWidget* burn() const { return m_burn; }
    ReportPageWidget* report() const { return m_report; }
    HistoryPageWidget* history() const { return m_history; }

    void showOnly(int index);
    // The slide from page `from` to page `to`: both shown, the one left taking no keys.
    void beginSlide(int from, int to, int targetLeft);
    void placeSlide(int from, int fromLeft, int to, int toLeft);
    void endSlide(int left);
    // Gives the keyboard focus to the first control of a page; false when it has none.
    bool focusPage(int index);

    void applyTexts(const TextRegister& texts, const LanguageTexts& controls);
    // Puts the banner's box into the bottom band of the pages that carry one.
    void attachBanner(PageBanner& banner);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::array<WizardPage*, PageCount> m_pages{};
    MenuPageWidget* m_menu = nullptr;
    SourcePageWidget* m_source = nullptr;
    DiscPageWidget* m_disc = nullptr;
    DestinationPageWidget* m_destination = nullptr;
    ProgressPageWidget* m_progress = nullptr;
    BurnPageWidget* m_burn = nullptr;
    ReportPageWidget* m_report = nullptr;
    HistoryPageWidget* m_history = nullptr;
};
