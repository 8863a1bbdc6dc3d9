#include "PageArea.h"

#include "ClickableLabel.h"
#include "DrivesList.h"
#include "FilesAndFoldersList.h"
#include "K3Cindral.h"
#include "LanguageFile.h"
#include "PageBanner.h"
#include "RecoveryProcess.h"
#include "TextIds.h"
#include "TextRegister.h"
#include "pages/BurnPageWidget.h"
#include "pages/DestinationPageWidget.h"
#include "pages/DiscPageWidget.h"
#include "pages/HistoryPageWidget.h"
#include "pages/MenuPageWidget.h"
#include "pages/ProgressPageWidget.h"
#include "pages/ReportPageWidget.h"
#include "pages/SourcePageWidget.h"

#include <QLabel>
#include <QLayout>
#include <QToolButton>

PageArea::PageArea(TableEngine& reportEng, const TextRegister& texts, const QString& appFolder,
                   QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("PageArea"));
    m_menu = new MenuPageWidget(this);
    m_source = new SourcePageWidget(this);
    m_disc = new DiscPageWidget(this);
    m_destination = new DestinationPageWidget(this);
    m_progress = new ProgressPageWidget(this);
    m_burn = new BurnPageWidget(this);
    m_report = new ReportPageWidget(this);
    m_history = new HistoryPageWidget(reportEng, texts, appFolder, this);
    m_pages = {m_menu, m_source, m_disc, m_destination, m_progress, m_burn, m_report, m_history};
    for (WizardPage* p : m_pages)
        p->hide();
}

void PageArea::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    for (WizardPage* p : m_pages)
        p->setGeometry(p->x(), 0, width(), height());
}

void PageArea::showOnly(int index)
{
    for (WizardPage* p : m_pages)
        p->setVisible(p->pageNumber() == index);
    WizardPage* shown = page(index);
    shown->setGeometry(0, 0, width(), height());
    shown->raise();
}

void PageArea::beginSlide(int from, int to, int targetLeft)
{
    for (WizardPage* p : m_pages)
        p->setVisible(p->pageNumber() == from || p->pageNumber() == to);
    page(from)->setEnabled(false);
    WizardPage* target = page(to);
    target->setGeometry(targetLeft, 0, width(), height());
    target->show();
    target->raise();
}

void PageArea::placeSlide(int from, int fromLeft, int to, int toLeft)
{
    page(from)->move(fromLeft, 0);
    page(to)->move(toLeft, 0);
}

void PageArea::endSlide(int left)
{
    // The page left behind is hidden, not just pushed aside.
    page(left)->hide();
    page(left)->setEnabled(true);
}

bool PageArea::focusPage(int index)
{
    // The first control of the page that takes the Tab key.
    WizardPage* p = page(index);
    for (QWidget* w = p->nextInFocusChain(); w && w != p; w = w->nextInFocusChain()) {
        if (p->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled()) {
            w->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return false;
}

void PageArea::applyTexts(const TextRegister& texts, const LanguageTexts& controls)
{
    for (WizardPage* p : m_pages) {
        p->tips()->setProperty("Charset", texts.charSet());
        p->applyTexts(texts);
    }
    RecoveryProcess* engine = m_progress->engine();
    engine->setFontCharSet(texts.charSet());
    for (int i = 1; i < controls.engineTexts.size(); ++i)
        engine->setLangValue(i, controls.engineTexts[i]);
    m_progress->nameEngineParts(texts);
    for (DrivesList* drives : {m_source->drives(), m_destination->drives()}) {
        drives->setText(DrivesList::Text::NotMounted, texts[TextId::DriveNotMounted]);
        drives->setText(DrivesList::Text::NotReady, texts[TextId::DriveNotReady]);
        drives->setText(DrivesList::Text::MountNotAllowed, texts[TextId::MountNotAllowed]);
        drives->setText(DrivesList::Text::MountUnreadable, texts[TextId::MountUnreadable]);
        drives->setText(DrivesList::Text::MountFailed, texts[TextId::MountFailed]);
        for (int type = 1; type <= 6; ++type) // the drive type names, texts 300 to 305
            drives->setLang(type, texts[299 + type]);
    }
    for (FilesAndFoldersList* browser : {m_source->files(), m_destination->files()}) {
        for (qsizetype i = 1; i < controls.browserTexts.size(); ++i)
            browser->setLangValue(static_cast<int>(i), controls.browserTexts[i]);
        // The picture buttons of the browser are read out by what their tooltips say.
        for (QToolButton* b : browser->findChildren<QToolButton*>()) {
            if (b->text().isEmpty())
                b->setAccessibleName(b->toolTip());
        }
    }
    if (K3Cindral* burner = m_burn->burner()) {
        for (qsizetype i = 1; i < controls.burnerTexts.size(); ++i)
            burner->setLangValue(static_cast<int>(i), controls.burnerTexts[i]);
    }
}

void PageArea::attachBanner(PageBanner& banner)
{
    for (int p : {DiscPage, ProgressPage, BurnPage, ReportPage}) {
        QWidget* band = page(p)->bannerBand();
        ClickableLabel* box = banner.createBox(p, band, QRect(0, 0, PageBanner::Width, PageBanner::Height));
        box->setFixedSize(PageBanner::Width, PageBanner::Height);
        band->layout()->addWidget(box);
        band->layout()->setAlignment(box, Qt::AlignHCenter);
        band->setFixedHeight(PageBanner::Height + 4);
        band->show();
    }
}
