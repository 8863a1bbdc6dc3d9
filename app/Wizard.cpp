#include "Wizard.h"

#include "BurnHandOff.h"
#include "CDDVDBurner2.h"
#include "DiscAccess.h"
#include "EngineAnswers.h"
#include "FormatSize.h"
#include "HistoryPanel.h"
#include "JobAssembly.h"
#include "JobWalk.h"
#include "K3Cindral.h"
#include "LanguageFile.h"
#include "NavigationBar.h"
#include "PageArea.h"
#include "PageBanner.h"
#include "Prompt.h"
#include "QtTranslations.h"
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
#include <QDir>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSessionManager>
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
    m_pageArea = new PageArea(*m_reportEng, m_texts, m_appFolder, this);
    column->addWidget(m_pageArea, 1);
    takePages();
    m_bar = new NavigationBar(twipsToPixels(BarHeight), this);
    column->addWidget(m_bar);
    m_back = m_bar->back();
    m_next = m_bar->next();
    m_exit = m_bar->exit();
    connect(m_back, &isButton::Click, this, &Wizard::clickBack);
    connect(m_next, &isButton::Click, this, &Wizard::clickNext);
    connect(m_exit, &isButton::Click, this, &Wizard::clickExit);
    connect(m_bar, &NavigationBar::flagClicked, this, &Wizard::clickFlag);

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
    return m_pageArea->page(index);
}

// ---------------------------------------------------------------------------------------------
// Building the window

void Wizard::takePages()
{
    m_menuPage = m_pageArea->menu();
    m_sourcePage = m_pageArea->source();
    m_discPage = m_pageArea->disc();
    m_destinationPage = m_pageArea->destination();
    m_progressPage = m_pageArea->progress();
    m_burnPage = m_pageArea->burn();
    m_reportPage = m_pageArea->report();
    m_historyPage = m_pageArea->history();
    const std::array<int, PageCount> tipsOfPage = {4, 0, 5, 1, 3, 6, 2, 7};
    for (int p = 0; p < PageCount; ++p)
        m_tips[static_cast<size_t>(tipsOfPage[static_cast<size_t>(p)])] = m_pageArea->page(p)->tips();
    m_engine = m_progressPage->engine();
    m_cddvdBurner = CDDVDBurner2::create();
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
    m_jobs->connectRuns();
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
    m_bar->markLanguage(language);
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
    m_pageArea->attachBanner(*m_banner);
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
    m_pageArea->showOnly(index);
    m_flow.CurrentPage = index;
    m_flow.WizardMode = mode;
    m_banner->ShowBanner(index, m_language);
    SetPageButtonCaptions();
}

void Wizard::preparePageForPicture(int index, int mode)
{
    showPage(index, mode);
    m_jobs->preparePage(index, mode);
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
        QtTranslations::apply(language);
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
    SetSizeUnits(m_texts);
    setWindowTitle(m_texts[TextId::ProgramName] + QLatin1Char(' ') + m_texts[TextId::VersionWord] +
                   QLatin1Char(' ') + m_texts[TextId::VersionNumber]);
    m_bar->setCharSet(charSet);
    m_pageArea->applyTexts(m_texts, controls);
    BuildMainMenu();
    m_banner->setToolTip(m_texts[TextId::BannerTip]);
    m_title->setAccessibleName(m_texts[TextId::ProgramName]);
    m_title->setAccessibleDescription(m_texts[TextId::BannerTip]);
    m_bar->nameFlags(::LanguageFile::languageNames());
    ReDrawTitle(PageFlow::restingTitleColour());
    SetPageButtonCaptions();
}

void Wizard::ReDrawTitle(QRgb colour)
{
    m_title->draw(m_texts[TextId::ProgramName], m_texts[TextId::Subtitle], colour);
}

void Wizard::SetPageButtonCaptions()
{
    if (const auto captions = PageFlow::captionTexts(m_flow.CurrentPage))
        m_navCaptions = *captions;
    m_back->setCaption(padded(m_texts[m_navCaptions[0]]));
    m_next->setCaption(padded(m_texts[m_navCaptions[1]]));
    m_exit->setCaption(padded(m_texts[m_navCaptions[2]]));
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
    m_pageArea->beginSlide(from, m_flow.targetPage(), twipsToPixels(startLeft));
    m_banner->ShowBanner(m_flow.targetPage(), m_language);
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
    m_title->draw(m_texts[TextId::ProgramName], m_texts[TextId::Subtitle], frame.titleColour);
    m_pageArea->placeSlide(m_flow.CurrentPage, twipsToPixels(frame.oldPageLeft), m_flow.targetPage(),
                           twipsToPixels(frame.targetPageLeft));
    if (!frame.finished)
        return;
    m_slideTimer->stop();
    const int left = m_flow.CurrentPage;
    const PageFlow::NavStates states = m_flow.finishSlide();
    m_pageArea->endSlide(left);
    if (states.back)
        m_back->setEnabled(*states.back);
    if (states.next)
        m_next->setEnabled(*states.next);
    ReDrawTitle(PageFlow::restingTitleColour());
    focusPage();
}

void Wizard::focusPage()
{
    if (!isVisible())
        return;
    if (m_flow.CurrentPage == MenuPage) {
        const int mode =
            m_flow.WizardMode == ModeRecoverToDiscViaTemp ? ModeRecoverToDisc : m_flow.WizardMode;
        if (m_menuPage->selectedPosition() < 1 && mode + m_flow.MenuIndexOffset >= 1)
            m_menuPage->selectPosition(mode + m_flow.MenuIndexOffset);
        m_menuPage->menu()->setFocus(Qt::OtherFocusReason);
    } else if (!m_pageArea->focusPage(m_flow.CurrentPage)) {
        (m_next->isEnabled() ? m_next : m_exit)->setFocus(Qt::OtherFocusReason);
    }
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
    m_jobs->next();
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
        m_bar->markLanguage(index + 1);
}

void Wizard::clickMenuEntry(int position)
{
    QListWidget* menu = m_menuPage->menu();
    if (position < 1 || position > menu->count())
        return;
    m_menuPage->selectPosition(position);
    m_flow.WizardMode = m_flow.modeForMenuPosition(position);
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
             m_texts[TextId::StepFailed] + QStringLiteral("\n\n") + QString::fromLocal8Bit(e.what())},
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
