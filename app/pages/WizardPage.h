#pragma once

#include <QFrame>

class QLabel;
class QVBoxLayout;
class QWidget;
class TextRegister;

// One page of the main window: the tips panel along its top, its own controls under it, and a
// band at the bottom for the page banner. Pages take whatever room the window gives them.
class WizardPage : public QFrame
{
    Q_OBJECT

public:
    // `page` is the page's number (its name is "mainframe(page)"); `tipsIndex` numbers its tips
    // label among the window's ("Tips(tipsIndex)").
    WizardPage(int page, int tipsIndex, QWidget* parent = nullptr);

    int pageNumber() const { return m_page; }
    QLabel* tips() const { return m_tips; }
    // Where the page banner's box goes; empty and of no height until a box is put in it.
    QWidget* bannerBand() const { return m_bannerBand; }

    // Sets the page's own texts in the current language.
    virtual void applyTexts(const TextRegister& texts);

protected:
    // Names the list and the path line of a hosted file browser for screen readers.
    static void nameBrowserParts(QWidget* browser, const QString& list, const QString& pathLine);

    // The layout under the tips panel that a page fills with its controls.
    QVBoxLayout* body() const { return m_body; }

private:
    int m_page;
    QLabel* m_tips = nullptr;
    QVBoxLayout* m_body = nullptr;
    QWidget* m_bannerBand = nullptr;
};
