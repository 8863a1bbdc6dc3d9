#include "Wizard.h"

#include "BurnHandOff.h"
#include "CDDVDBurner2.h"
#include "ClickableLabel.h"
#include "DiscAccess.h"
#include "DrivesList.h"
#include "EngineAnswers.h"
#include "FilesAndFoldersList.h"
#include "FlagPainter.h"
#include "HistoryPanel.h"
#include "JobAssembly.h"
#include "JobWalk.h"
#include "K3Cindral.h"
#include "LanguageFile.h"
#include "PageBanner.h"
#include "Prompt.h"
#include "RecoveryProcess.h"
#include "SelFolderForm.h"
#include "StartUp.h"
#include "SystemPaths.h"
#include "TableEngine.h"
#include "TextIds.h"
#include "TitleStrip.h"
#include "Twips.h"
#include "frmAbout.h"
#include "isButton.h"
#include "pages/BurnPageWidget.h"
#include "pages/DestinationPageWidget.h"
#include "pages/DiscPageWidget.h"
#include "pages/HistoryPageWidget.h"
#include "pages/MenuPageWidget.h"
#include "pages/ProgressPageWidget.h"
#include "pages/ReportPageWidget.h"
#include "pages/SourcePageWidget.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSessionManager>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

using Platform::twipsToPixels;

namespace {

// The window's smallest size, in twips: the size it was designed at.
constexpr int WindowWidth = 9495;
constexpr int TitleHeight = 480;
constexpr int PageHeight = 6135;
constexpr int BarHeight = 615;
constexpr int WindowHeight = TitleHeight + PageHeight + 105 + BarHeight;

QString padded(const QString& caption)
{
    return QStringLiteral("  ") + caption;
}

// Holds the pages one over the other, each as large as the area; the slide moves them sideways.
class PageArea : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        for (QWidget* page : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            page->setGeometry(page->x(), 0, width(), height());
    }
};

} // namespace

Wizard::Wizard(const QString& appFolder, QWidget* parent)
    : QWidget(parent)
    , m_appFolder(appFolder)
    , m_languageFile(StartUp::languageFileIn(appFolder))
    , m_langEng(std::make_unique<TableEngine>())
    , m_reportEng(std::make_unique<TableEngine>())
    , m_languages(std::make_unique<::LanguageFile>(*m_langEng, m_languageFile))
{
    setObjectName(QStringLiteral("Wizard"));
    setMinimumSize(twipsToPixels(WindowWidth), twipsToPixels(WindowHeight));
    resize(minimumSize());

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_title = new TitleStrip(this);
    m_title->setObjectName(QStringLiteral("TitlePicture"));
    m_title->setFixedHeight(twipsToPixels(TitleHeight));
    connect(m_title, &TitleStrip::clicked, this, &Wizard::openHomePage);
    column->addWidget(m_title);
    m_pageArea = new PageArea(this);
    m_pageArea->setObjectName(QStringLiteral("PageArea"));
    column->addWidget(m_pageArea, 1);
    buildPages();
    buildBar();
    column->addWidget(m_bar);

    m_banner = new PageBanner(this);
    m_banner->setStateSource([this] { return m_flow.CurrentPage; }, [this] { return m_language; });
    m_slideTimer = new QTimer(this);
    m_slideTimer->setObjectName(QStringLiteral("Timer1"));
    connect(m_slideTimer, &QTimer::timeout, this, &Wizard::slideTick);
    m_jobs = std::make_unique<JobWalk>(*this);
    connectPages();

    // The session ending acts like closing the window: a run is asked about and recorded.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
        if (isBusy() && !manager.allowsInteraction())
            EngineAnswers::setAbortAnswer(EngineAnswers::Abort::Pause);
        else if (isBusy())
            close();
    });

    showPage(MenuPage, m_flow.WizardMode);
    SetNavButtons(false, true, true);
}

Wizard::~Wizard() = default;

QWidget* Wizard::page(int index) const
{
    return m_pages.at(static_cast<size_t>(index));
}

// ---------------------------------------------------------------------------------------------
// Building the window

void Wizard::buildPages()
{
    m_menuPage = new MenuPageWidget(m_pageArea);
    m_sourcePage = new SourcePageWidget(m_pageArea);
    m_discPage = new DiscPageWidget(m_pageArea);
    m_destinationPage = new DestinationPageWidget(m_pageArea);
    m_progressPage = new ProgressPageWidget(m_pageArea);
    m_burnPage = new BurnPageWidget(m_pageArea);
    m_reportPage = new ReportPageWidget(m_pageArea);
    m_historyPage = new HistoryPageWidget(*m_reportEng, m_texts, m_appFolder, m_pageArea);
    m_pages = {m_menuPage,     m_sourcePage, m_discPage,   m_destinationPage,
               m_progressPage, m_burnPage,   m_reportPage, m_historyPage};
    const std::array<int, PageCount> tipsOfPage = {4, 0, 5, 1, 3, 6, 2, 7};
    for (WizardPage* p : m_pages) {
        p->hide();
        m_tips[static_cast<size_t>(tipsOfPage[static_cast<size_t>(p->pageNumber())])] = p->tips();
    }
    m_engine = m_progressPage->engine();
    m_cddvdBurner = CDDVDBurner2::create();
}

void Wizard::buildBar()
{
    m_bar = new QFrame(this);
    m_bar->setObjectName(QStringLiteral("Frame4"));
    static_cast<QFrame*>(m_bar)->setFrameShape(QFrame::StyledPanel);
    m_bar->setAutoFillBackground(true);
    m_bar->setFixedHeight(twipsToPixels(BarHeight));
    auto* row = new QHBoxLayout(m_bar);
    row->setContentsMargins(10, 0, 8, 0);

    // The buttons come first in the keyboard's order, the flags after them.
    m_back = new isButton(m_bar);
    m_back->setObjectName(QStringLiteral("Command10"));
    m_next = new isButton(m_bar);
    m_next->setObjectName(QStringLiteral("Command11"));
    m_exit = new isButton(m_bar);
    m_exit->setObjectName(QStringLiteral("Command12"));
    for (isButton* b : {m_back, m_next, m_exit}) {
        b->setMinimumSize(100, 27);
        b->setAutoDefault(false);
    }
    connect(m_back, &isButton::Click, this, &Wizard::clickBack);
    connect(m_next, &isButton::Click, this, &Wizard::clickNext);
    connect(m_exit, &isButton::Click, this, &Wizard::clickExit);

    auto* flags = new QWidget(m_bar);
    flags->setObjectName(QStringLiteral("FlagsBox"));
    const QSize flagSize(30, 20);
    flags->setFixedSize(4 * 38, 38);
    for (int i = 0; i < 4; ++i) {
        auto* flag = new ClickableLabel(flags);
        flag->setObjectName(QStringLiteral("Flags(%1)").arg(i));
        flag->setPixmap(FlagPainter::flag(i + 1, flagSize));
        flag->setGeometry(i * 38, 4, flagSize.width() + 4, flagSize.height() + 4);
        flag->setAlignment(Qt::AlignCenter);
        flag->setCursor(Qt::PointingHandCursor);
        flag->setFocusPolicy(Qt::StrongFocus);
        connect(flag, &ClickableLabel::clicked, this, [this, i] { clickFlag(i); });
        m_flags[static_cast<size_t>(i)] = flag;
    }
    m_flagsArrow = new QLabel(flags);
    m_flagsArrow->setObjectName(QStringLiteral("FlagsArrow"));
    m_flagsArrow->setPixmap(FlagPainter::marker(QSize(10, 8)));
    m_flagsArrow->setGeometry(0, 29, 10, 8);

    row->addWidget(flags);
    row->addStretch(1);
    row->addWidget(m_back);
    row->addWidget(m_next);
    row->addSpacing(16);
    row->addWidget(m_exit);
    setTabOrder(m_back, m_next);
    setTabOrder(m_next, m_exit);
    setTabOrder(m_exit, m_flags[0]);
    for (size_t i = 1; i < m_flags.size(); ++i)
        setTabOrder(m_flags[i - 1], m_flags[i]);
}

void Wizard::connectPages()
{
    connect(m_menuPage, &MenuPageWidget::entryChosen, this, [this](int position) {
        if (m_flow.CurrentPage == MenuPage)
            m_flow.WizardMode = m_flow.modeForMenuPosition(position);
    });
    connect(m_menuPage, &MenuPageWidget::entryActivated, this, [this](int position) {
        clickMenuEntry(position);
        if (m_flow.CurrentPage == MenuPage && !m_flow.isSliding())
            guarded([this] { m_jobs->NextFromMenu(); });
    });
    connect(m_menuPage, &MenuPageWidget::historyRequested, this,
            [this] { guarded([this] { m_jobs->showHistory(); }); });
    connect(m_menuPage, &MenuPageWidget::aboutRequested, this, &Wizard::showAboutBox);
    connect(m_discPage, &DiscPageWidget::tabClicked, this, [this](int tab) {
        if (m_flow.WizardMode != ModeRecoverToDiscViaTemp && (tab == 0 || tab == 1))
            m_discPage->showFrame(static_cast<DiscPageWidget::Tab>(tab));
    });
    connect(m_discPage, &DiscPageWidget::folderDialogRequested, this, &Wizard::showFolderDialog);
    connect(m_reportPage, &ReportPageWidget::detailsRequested, this,
            [this] { guarded([this] { m_jobs->showRunDetails(); }); });
    HistoryPanel* history = m_historyPage->panel();
    connect(history, &HistoryPanel::historyCleared, this,
            [this] { guarded([this] { m_jobs->historyCleared(); }); });
    connect(history, &HistoryPanel::refreshRequested, this,
            [this](const ResumeJob& job) { guarded([this, job] { m_jobs->startSavedJob(job); }); });

    // The engine's events come through the event loop, so the report is shown after the call
    // that ran the copy has returned, never inside it.
    connect(
        m_engine, &RecoveryProcess::ProcessDone, this,
        [this] { guarded([this] { m_jobs->onProcessDone(); }); }, Qt::QueuedConnection);
    connect(
        m_engine, &RecoveryProcess::ProcessPaused, this,
        [this] { guarded([this] { GotoReportPage(true, true); }); }, Qt::QueuedConnection);
    connect(
        m_engine, &RecoveryProcess::ProcessAborted, this,
        [this] { guarded([this] { GotoReportPage(true, false); }); }, Qt::QueuedConnection);

    m_burnHandOff = new BurnHandOff(
        *m_burnPage->burner(), *m_cddvdBurner, m_texts,
        BurnHandOff::Host{[this](bool back, bool next, bool exit) { SetNavButtons(back, next, exit); },
                          [this](bool stoppedEarly, bool canResume) {
                              guarded([=, this] { GotoReportPage(stoppedEarly, canResume); });
                          },
                          [this] { return m_sourcePage->files()->Items_Count(); },
                          [this](int i) { return m_sourcePage->files()->SelectedItemName(i); },
                          [this] { m_burnPage->endBurner(); }},
        this);
}

// ---------------------------------------------------------------------------------------------
// Start-up and unload

bool Wizard::load()
{
    setTempPath(Platform::tempPath());
    m_flow.CurrentPage = MenuPage;
    int language = 1;
    try {
        language = m_languages->savedLanguage();
    } catch (const std::exception& e) {
        throw LoadError(LoadError::FileFailure, e.what());
    }
    if (language > 4)
        throw LoadError(LoadError::SubscriptOutOfRange, "the saved language has no flag");
    placeFlagsArrow(language);
    ApplyLanguage(language);
    if (m_unloaded)
        return false;
    checkDiscAccess();
    m_historyPage->panel()->SetUpHistoryList();
    buildBanner();
    m_flow.WizardMode = 1 - m_flow.MenuIndexOffset;
    return true;
}

void Wizard::checkDiscAccess()
{
    // Burning needs the optical drives opened by this user; say what is missing, in the chosen
    // language, and go on: copying to a folder works without them.
    const QString missing = DiscAccess::missingAccess(DiscAccess::opticalDevices());
    if (missing.isEmpty())
        return;
    Prompt::show({QMessageBox::Warning, QStringLiteral("Korvalis"),
                  m_texts[TextId::NoRecorderAccess] + QStringLiteral("\n\n") + missing},
                 this);
}

void Wizard::buildBanner()
{
    m_banner->ShowBanner(MenuPage, m_language);
    if (!m_banner->LoadPictures([this](int row) { return m_languages->picture(row); }, m_appFolder))
        return;
    for (int p : {DiscPage, ProgressPage, BurnPage, ReportPage}) {
        QWidget* band = m_pages[static_cast<size_t>(p)]->bannerBand();
        ClickableLabel* box =
            m_banner->createBox(p, band, QRect(0, 0, PageBanner::Width, PageBanner::Height));
        box->setFixedSize(PageBanner::Width, PageBanner::Height);
        band->layout()->addWidget(box);
        band->layout()->setAlignment(box, Qt::AlignHCenter);
        band->setFixedHeight(PageBanner::Height + 4);
        band->show();
    }
    m_banner->setToolTip(m_texts[TextId::BannerTip]);
    m_banner->start();
}

void Wizard::closeEvent(QCloseEvent* event)
{
    if (!m_unloaded && isBusy()) {
        // Closing during a copy is Exit: the run is asked about, and ends (with the window) only
        // as the user answers, recorded with what is left of it.
        event->ignore();
        stopCopy();
        const int answer = EngineAnswers::abortAnswer();
        m_closeAfterRun = answer == EngineAnswers::Abort::Pause || answer == EngineAnswers::Abort::Stop;
        return;
    }
    if (!m_unloaded) {
        if (!m_burnHandOff->mayQuit()) {
            event->ignore();
            return;
        }
        if (m_flow.CurrentPage == BurnPage)
            leaveUnburnedCopy();
        else if (m_flow.CurrentPage != ProgressPage)
            JobAssembly::DeleteJobTempFolder(tempFolderText());
    }
    event->accept();
    unload(0);
}

void Wizard::unload(int exitCode)
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_slideTimer->stop();
    if (K3Cindral* burner = m_burnPage->burner())
        burner->DisableMe();
    m_reportEng->CloseAll();
    m_langEng->CloseAll();
    hide();
    Q_EMIT unloaded(exitCode);
}

bool Wizard::isBusy() const
{
    return m_engine->isCopyingProcess();
}

void Wizard::stopCopy()
{
    m_engine->TerminateMe();
}

void Wizard::showPage(int index, int mode)
{
    for (WizardPage* p : m_pages)
        p->setVisible(p->pageNumber() == index);
    QWidget* shown = page(index);
    shown->setGeometry(0, 0, m_pageArea->width(), m_pageArea->height());
    shown->raise();
    m_flow.CurrentPage = index;
    m_flow.WizardMode = mode;
    m_banner->ShowBanner(index, m_language);
    SetPageButtonCaptions();
}

void Wizard::preparePageForPicture(int index, int mode)
{
    showPage(index, mode);
    switch (index) {
    case MenuPage:
        SetNavButtons(false, true, true);
        break;
    case SourcePage:
        m_sourcePage->prepare(QString());
        SetNavButtons(true, true, true);
        break;
    case DestinationPage:
        m_destinationPage->prepare(QString());
        SetNavButtons(true, true, true);
        break;
    case DiscPage:
        m_discPage->fillDiscDrives();
        m_discPage->showBothTabs(m_texts);
        SetNavButtons(true, true, true);
        break;
    case ProgressPage:
        showStep();
        setExitCaption(TextId::Cancel);
        SetNavButtons(false, false, true);
        break;
    case ReportPage: {
        // A run of twelve files in two folders with one damaged file, as a user would see one.
        RunTotals totals{14, 1, 2, 15, 48.0 * 1024 * 1024 + 512, 24576};
        totals.folders = 2;
        ShowRunSummary(false, true, totals);
        m_reportPage->showDestination(QDir::homePath() + QStringLiteral("/Recovered/"));
        SetNavButtons(true, false, true);
        break;
    }
    default:
        SetNavButtons(true, false, true);
        break;
    }
    focusPage();
}

void Wizard::setTempPath(const QString& path)
{
    m_tempPath = path;
    m_discPage->tempFolder()->setText(path);
}

QString Wizard::tempFolderText() const
{
    return m_discPage->tempFolder()->text();
}

// ---------------------------------------------------------------------------------------------
// Texts

void Wizard::ApplyLanguage(int& language)
{
    if (language < 1 || language > 4)
        language = 1;
    m_language = language;
    LangTexts texts = m_texts.all();
    try {
        const LanguageTexts controls = m_languages->load(language, texts);
        applyTexts(texts, controls);
    } catch (const LanguageFileError& e) {
        languageFailure(e.message());
    } catch (const std::exception&) {
        // A control refused a text of the file (too many of them, for one): the file is unusable.
        languageFailure(QStringLiteral("Access denied or file corrupted.\n\nFile: ") + m_languageFile);
    }
}

void Wizard::languageFailure(const QString& text)
{
    Prompt::show({QMessageBox::Critical, QStringLiteral("Korvalis"), text}, this);
    m_langEng->CloseAll();
    unload(1);
}

void Wizard::applyTexts(const LangTexts& texts, const LanguageTexts& controls)
{
    m_texts.setAll(texts);
    const int charSet = controls.charset;
    m_texts.setText(TextId::CharSet, QString::number(charSet));
    setWindowTitle(m_texts[TextId::ProgramName] + QLatin1Char(' ') + m_texts[TextId::VersionWord] +
                   QLatin1Char(' ') + m_texts[TextId::VersionNumber]);
    for (isButton* b : {m_back, m_next, m_exit})
        b->setFontCharSet(charSet);
    for (WizardPage* p : m_pages) {
        p->tips()->setProperty("Charset", charSet);
        p->applyTexts(m_texts);
    }
    BuildMainMenu();
    m_banner->setToolTip(m_texts[TextId::BannerTip]);
    m_title->setAccessibleName(m_texts[TextId::ProgramName]);
    m_title->setAccessibleDescription(m_texts[TextId::BannerTip]);
    const QStringList names = ::LanguageFile::languageNames();
    for (size_t i = 0; i < m_flags.size(); ++i) {
        m_flags[i]->setToolTip(names.value(static_cast<qsizetype>(i)));
        m_flags[i]->setAccessibleName(names.value(static_cast<qsizetype>(i)));
    }
    ReDrawTitle(PageFlow::restingTitleColour());
    SetPageButtonCaptions();

    // The hosted controls.
    m_engine->setFontCharSet(charSet);
    for (int i = 1; i < controls.engineTexts.size(); ++i)
        m_engine->setLangValue(i, controls.engineTexts[i]);
    for (DrivesList* drives : {m_sourcePage->drives(), m_destinationPage->drives()}) {
        drives->setText(DrivesList::Text::NotMounted, m_texts[TextId::DriveNotMounted]);
        drives->setText(DrivesList::Text::NotReady, m_texts[TextId::DriveNotReady]);
        drives->setText(DrivesList::Text::MountNotAllowed, m_texts[TextId::MountNotAllowed]);
        drives->setText(DrivesList::Text::MountUnreadable, m_texts[TextId::MountUnreadable]);
        drives->setText(DrivesList::Text::MountFailed, m_texts[TextId::MountFailed]);
    }
    for (FilesAndFoldersList* browser : {m_sourcePage->files(), m_destinationPage->files()}) {
        for (qsizetype i = 1; i < controls.browserTexts.size(); ++i)
            browser->setLangValue(static_cast<int>(i), controls.browserTexts[i]);
    }
    if (K3Cindral* burner = m_burnPage->burner()) {
        for (qsizetype i = 1; i < controls.burnerTexts.size(); ++i)
            burner->setLangValue(static_cast<int>(i), controls.burnerTexts[i]);
    }
}

void Wizard::ReDrawTitle(QRgb colour)
{
    m_title->draw(m_texts[TextId::ProgramName], m_texts[TextId::Subtitle], colour);
}

void Wizard::SetPageButtonCaptions()
{
    if (const auto captions = PageFlow::captionTexts(m_flow.CurrentPage)) {
        m_back->setCaption(padded(m_texts[(*captions)[0]]));
        m_next->setCaption(padded(m_texts[(*captions)[1]]));
        m_exit->setCaption(padded(m_texts[(*captions)[2]]));
    }
    for (const PageFlow::StepLabel& label : PageFlow::stepLabels(m_flow.WizardMode))
        m_tips[static_cast<size_t>(label.tipsIndex)]->setText(m_texts[TextId::Step] + QLatin1Char(' ') +
                                                              QString::number(label.step) +
                                                              QStringLiteral(".   ") + m_texts[label.text]);
    for (isButton* b : {m_back, m_next, m_exit})
        b->setAccessibleName(b->Caption().trimmed());
}

void Wizard::showStep()
{
    m_progressPage->showStep(m_texts, PageFlow::recoveryStepNumber(m_flow.WizardMode));
}

void Wizard::setExitCaption(int text)
{
    m_exit->setCaption(padded(m_texts[text]));
    m_exit->setAccessibleName(m_texts[text]);
}

bool Wizard::restartOffered()
{
    return m_jobs->restartOffered();
}

void Wizard::BuildMainMenu()
{
    const bool restart = restartOffered();
    m_menuPage->setEntries(m_texts, restart);
    m_flow.MenuIndexOffset = restart ? 1 : 0;
}

void Wizard::SetNavButtons(bool back, bool next, bool exit)
{
    m_back->setEnabled(back);
    m_next->setEnabled(next);
    m_exit->setEnabled(exit);
}

// ---------------------------------------------------------------------------------------------
// The page switch

bool Wizard::MoveToFrame()
{
    const int from = m_flow.CurrentPage;
    int startLeft = 0;
    if (!m_flow.beginSlide(&startLeft))
        return false;
    // Only the two pages of the slide are shown; the one being left takes no keys meanwhile.
    WizardPage* old = m_pages[static_cast<size_t>(from)];
    WizardPage* target = m_pages[static_cast<size_t>(m_flow.targetPage())];
    for (WizardPage* p : m_pages)
        p->setVisible(p == old || p == target);
    old->setEnabled(false);
    m_banner->ShowBanner(m_flow.targetPage(), m_language);
    target->setGeometry(twipsToPixels(startLeft), 0, m_pageArea->width(), m_pageArea->height());
    target->show();
    target->raise();

    QEventLoop wait;
    connect(m_slideTimer, &QTimer::timeout, &wait, [this, &wait] {
        if (!m_flow.isSliding())
            wait.quit();
    });
    connect(this, &Wizard::unloaded, &wait, &QEventLoop::quit); // closed while sliding
    m_slideTimer->start(PageFlow::SlideTickMs);
    wait.exec();
    return true;
}

void Wizard::slideTick()
{
    const PageFlow::SlideFrame frame = m_flow.tick();
    QWidget* old = page(m_flow.CurrentPage);
    QWidget* target = page(m_flow.targetPage());
    m_title->draw(m_texts[TextId::ProgramName], m_texts[TextId::Subtitle], frame.titleColour);
    old->move(twipsToPixels(frame.oldPageLeft), 0);
    target->move(twipsToPixels(frame.targetPageLeft), 0);
    if (frame.finished)
        endSlide();
}

void Wizard::endSlide()
{
    m_slideTimer->stop();
    QWidget* old = page(m_flow.CurrentPage);
    const PageFlow::NavStates states = m_flow.finishSlide();
    // The page left behind is hidden, so that neither the keys nor a screen reader reach it.
    old->hide();
    old->setEnabled(true);
    if (states.back)
        m_back->setEnabled(*states.back);
    if (states.next)
        m_next->setEnabled(*states.next);
    ReDrawTitle(PageFlow::restingTitleColour());
    focusPage();
}

void Wizard::focusPage()
{
    if (!isActiveWindow() && !isVisible())
        return;
    if (m_flow.CurrentPage == MenuPage) {
        int mode = m_flow.WizardMode == ModeRecoverToDiscViaTemp ? ModeRecoverToDisc : m_flow.WizardMode;
        const int position = mode + m_flow.MenuIndexOffset;
        if (m_menuPage->selectedPosition() < 1 && position >= 1)
            m_menuPage->selectPosition(position);
        m_menuPage->menu()->setFocus(Qt::OtherFocusReason);
        return;
    }
    // The first control of the page that takes the Tab key, else Next.
    QWidget* p = page(m_flow.CurrentPage);
    for (QWidget* w = p->nextInFocusChain(); w && w != p; w = w->nextInFocusChain()) {
        if (!p->isAncestorOf(w))
            continue;
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled()) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
    if (m_next->isEnabled())
        m_next->setFocus(Qt::OtherFocusReason);
    else if (m_exit->isEnabled())
        m_exit->setFocus(Qt::OtherFocusReason);
}

// ---------------------------------------------------------------------------------------------
// Buttons, keys, menu and flags

void Wizard::clickNext()
{
    guarded([this] { clickNextStep(); });
}

void Wizard::clickNextStep()
{
    if (!m_next->isEnabled() || m_flow.isSliding())
        return;
    switch (m_flow.CurrentPage) {
    case MenuPage:
        m_jobs->NextFromMenu();
        break;
    case SourcePage:
        m_jobs->NextFromSource();
        break;
    case DiscPage:
        m_jobs->NextFromDiscPage();
        break;
    case DestinationPage:
        m_jobs->NextFromDestination();
        break;
    case BurnPage:
        m_burnHandOff->BeginBurn();
        break;
    default:
        break;
    }
}

void Wizard::clickBack()
{
    guarded([this] { clickBackStep(); });
}

void Wizard::clickBackStep()
{
    if (!m_back->isEnabled() || m_flow.isSliding())
        return;
    const auto step = m_flow.backStep();
    if (!step)
        return;
    m_flow.SlidePos = 0;
    m_next->setEnabled(true);
    if (m_flow.CurrentPage == BurnPage) {
        if (K3Cindral* burner = m_burnPage->burner())
            burner->DisableMe();
        leaveUnburnedCopy();
    } else if (m_flow.CurrentPage == ReportPage) {
        JobAssembly::DeleteJobTempFolder(tempFolderText());
    }
    m_flow.PageStep = *step;
    MoveToFrame();
    SetPageButtonCaptions();
    if (m_flow.CurrentPage == MenuPage && m_menuPage->selectedPosition() >= 1)
        m_flow.WizardMode = m_flow.modeForMenuPosition(m_menuPage->selectedPosition());
}

void Wizard::clickExit()
{
    guarded([this] { clickExitStep(); });
}

void Wizard::clickExitStep()
{
    if (!m_exit->isEnabled())
        return;
    if (isBusy()) {
        stopCopy();
        return;
    }
    if (!m_burnHandOff->mayQuit())
        return;
    if (m_flow.CurrentPage == BurnPage)
        leaveUnburnedCopy();
    else
        JobAssembly::DeleteJobTempFolder(tempFolderText());
    unload(0);
}

void Wizard::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto* button = qobject_cast<QAbstractButton*>(focusWidget())) {
            // Enter on a focused button is that button, as Space is.
            if (button->isEnabled())
                button->click();
        } else if (m_next->isEnabled() && !m_flow.isSliding()) {
            clickNext();
        }
        event->accept();
        return;
    case Qt::Key_Escape:
        escape();
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void Wizard::escape()
{
    if (m_flow.isSliding())
        return;
    if (m_back->isEnabled()) {
        clickBack();
        return;
    }
    if (!m_exit->isEnabled())
        return;
    if (isBusy()) {
        clickExit(); // asks how to end the run
        return;
    }
    const auto answer = Prompt::show({QMessageBox::Question, QStringLiteral("Korvalis"),
                                      m_texts[TextId::AskLeave], QMessageBox::Yes | QMessageBox::No},
                                     this);
    if (answer == QMessageBox::Yes)
        clickExit();
}

void Wizard::leaveUnburnedCopy()
{
    // Leaving the burn page before anything was burned: the temporary copy may be all that is
    // left of files from a failing medium, so it goes only when the user agrees.
    m_burnHandOff->releaseTempCopy(tempFolderText());
}

void Wizard::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && m_menuPage)
        m_menuPage->menu()->update();
}

void Wizard::clickFlag(int index)
{
    guarded([this, index] { clickFlagStep(index); });
}

void Wizard::clickFlagStep(int index)
{
    if (index < 0 || index > 3)
        return;
    int language = index + 1;
    ApplyLanguage(language);
    if (!m_unloaded)
        placeFlagsArrow(index + 1);
}

void Wizard::clickMenuEntry(int position)
{
    QListWidget* menu = m_menuPage->menu();
    if (position < 1 || position > menu->count())
        return;
    m_menuPage->selectPosition(position);
    m_flow.WizardMode = m_flow.modeForMenuPosition(position);
}

void Wizard::placeFlagsArrow(int language)
{
    const ClickableLabel* flag = m_flags[static_cast<size_t>(language - 1)];
    m_flagsArrow->move(flag->x(), m_flagsArrow->y());
}

void Wizard::showFolderDialog()
{
    SelFolderForm dialog(m_texts, this);
    Prompt::exec(dialog);
    if (const auto chosen = dialog.chosenFolder())
        setTempPath(*chosen);
}

void Wizard::showAboutBox()
{
    frmAbout about(m_texts, this);
    Prompt::exec(about);
}

void Wizard::openHomePage()
{
    Platform::openUrl(StartUp::homePageAddress(m_language));
}

void Wizard::guarded(const std::function<void()>& step)
{
    // A hosted control that refuses a call must not take the window down with it: say what
    // failed and give the buttons back, so the user can go back or leave.
    try {
        step();
    } catch (const std::exception& e) {
        Prompt::show(
            {QMessageBox::Critical, QStringLiteral("Korvalis"),
             QStringLiteral("This step could not be completed:\n\n") + QString::fromLocal8Bit(e.what())},
            this);
        SetNavButtons(m_flow.backStep().has_value(), m_next->isEnabled(), true);
    }
}

void Wizard::message(int textNumber, QMessageBox::Icon icon)
{
    Prompt::show({icon, QStringLiteral("Korvalis"), m_texts[textNumber]}, this);
}

void Wizard::GotoReportPage(bool stoppedEarly, bool canResume)
{
    m_jobs->gotoReportPage(stoppedEarly, canResume);
}

void Wizard::ShowRunSummary(bool stoppedEarly, bool canResume, const RunTotals& totals)
{
    m_reportPage->showSummary(summariseRun(totals, stoppedEarly, canResume, m_texts));
}
