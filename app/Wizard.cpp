#include "Wizard.h"

#include "BurnHandOff.h"
#include "CDDVDBurner2.h"
#include "ClickableLabel.h"
#include "DiscAccess.h"
#include "DrivesList.h"
#include "FilesAndFoldersList.h"
#include "FlagPainter.h"
#include "HistoryPanel.h"
#include "HistoryWriter.h"
#include "JobAssembly.h"
#include "K3Cindral.h"
#include "LanguageFile.h"
#include "LeftOutText.h"
#include "PageBanner.h"
#include "PathRules.h"
#include "Prompt.h"
#include "RecoveryProcess.h"
#include "ReportDetails.h"
#include "ReportDetailsWindow.h"
#include "ReportsFile.h"
#include "RestartJob.h"
#include "SelFolderForm.h"
#include "StartUp.h"
#include "SystemPaths.h"
#include "TableEngine.h"
#include "TitleStrip.h"
#include "Twips.h"
#include "Volumes.h"
#include "frmAbout.h"
#include "isButton.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

using Platform::twipsToPixels;

namespace {

// The window's layout, in twips.
constexpr int PageWidth = 9495;
constexpr int PageHeight = 6135;
constexpr int PageTop = 480;
constexpr int BarTop = 6720;
constexpr int BarHeight = 615;
constexpr int WindowHeight = BarTop + BarHeight;
constexpr int TipsHeight = 660;

// Which Tips label each page carries.
constexpr std::array<int, PageCount> TipsOfPage = {4, 0, 5, 1, 3, 6, 2, 7};

QString pageName(int index)
{
    return QStringLiteral("mainframe(%1)").arg(index);
}

QString indexed(const char* name, int index)
{
    return QLatin1String(name) + QStringLiteral("(%1)").arg(index);
}

QString padded(const QString& caption)
{
    return QStringLiteral("  ") + caption;
}

QIcon menuIcon(const QStyle* style, int icon)
{
    switch (icon) {
    case 1:
        return style->standardIcon(QStyle::SP_DriveCDIcon);
    case 2:
        return style->standardIcon(QStyle::SP_DriveDVDIcon);
    case 3:
        return style->standardIcon(QStyle::SP_DirOpenIcon);
    case 5:
        return style->standardIcon(QStyle::SP_BrowserReload);
    default:
        return {};
    }
}

void setCharSet(QWidget* widget, int charSet)
{
    // Text is Unicode; the code is kept so that the controls can hand it on as they got it.
    widget->setProperty("Charset", charSet);
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
    setFixedSize(twipsToPixels(PageWidth), twipsToPixels(WindowHeight));

    for (int i = 0; i < PageCount; ++i) {
        auto* frame = new QFrame(this);
        frame->setObjectName(pageName(i));
        frame->setGeometry(0, twipsToPixels(PageTop), twipsToPixels(PageWidth), twipsToPixels(PageHeight));
        frame->setAutoFillBackground(true);
        frame->hide();
        m_pages[static_cast<size_t>(i)] = frame;
        buildTipsPanel(i, TipsOfPage[static_cast<size_t>(i)]);
    }
    buildTitleAndBar();
    buildMenuPage();
    buildSourcePage();
    buildDiscPage();
    buildDestinationPage();
    buildProgressPage();
    buildBurnPage();
    buildReportPage();
    buildHistoryPage();
    m_banner = new PageBanner(this);
    m_banner->setStateSource([this] { return m_flow.CurrentPage; }, [this] { return m_language; });

    m_slideTimer = new QTimer(this);
    m_slideTimer->setObjectName(QStringLiteral("Timer1"));
    connect(m_slideTimer, &QTimer::timeout, this, &Wizard::slideTick);

    m_pages[MenuPage]->show();
    m_pages[MenuPage]->raise();
    SetNavButtons(false, true, true);
}

Wizard::~Wizard() = default;

QWidget* Wizard::page(int index) const
{
    return m_pages.at(static_cast<size_t>(index));
}

// ---------------------------------------------------------------------------------------------
// Building the window

void Wizard::buildTitleAndBar()
{
    m_title = new TitleStrip(this);
    m_title->setObjectName(QStringLiteral("TitlePicture"));
    m_title->setGeometry(0, 0, twipsToPixels(PageWidth), twipsToPixels(PageTop));
    connect(m_title, &TitleStrip::clicked, this, &Wizard::openHomePage);

    m_bar = new QFrame(this);
    m_bar->setObjectName(QStringLiteral("Frame4"));
    m_bar->setGeometry(0, twipsToPixels(BarTop), twipsToPixels(PageWidth), twipsToPixels(BarHeight));
    m_bar->setFrameShape(QFrame::StyledPanel);
    m_bar->setAutoFillBackground(true);

    const QSize flagSize(30, 20);
    for (int i = 0; i < 4; ++i) {
        auto* flag = new ClickableLabel(m_bar);
        flag->setObjectName(indexed("Flags", i));
        flag->setPixmap(FlagPainter::flag(i + 1, flagSize));
        flag->setGeometry(10 + i * 38, 4, flagSize.width(), flagSize.height());
        flag->setCursor(Qt::PointingHandCursor);
        connect(flag, &ClickableLabel::clicked, this, [this, i] { clickFlag(i); });
        m_flags[static_cast<size_t>(i)] = flag;
    }
    m_flagsArrow = new QLabel(m_bar);
    m_flagsArrow->setObjectName(QStringLiteral("FlagsArrow"));
    m_flagsArrow->setPixmap(FlagPainter::marker(QSize(10, 8)));
    m_flagsArrow->setGeometry(10, 27, 10, 8);

    const int buttonWidth = 100;
    const int buttonHeight = 27;
    const int top = (twipsToPixels(BarHeight) - buttonHeight) / 2;
    const int right = twipsToPixels(PageWidth) - 8;
    m_exit = new isButton(m_bar);
    m_exit->setObjectName(QStringLiteral("Command12"));
    m_exit->setGeometry(right - buttonWidth, top, buttonWidth, buttonHeight);
    m_next = new isButton(m_bar);
    m_next->setObjectName(QStringLiteral("Command11"));
    m_next->setGeometry(right - 2 * buttonWidth - 16, top, buttonWidth, buttonHeight);
    m_back = new isButton(m_bar);
    m_back->setObjectName(QStringLiteral("Command10"));
    m_back->setGeometry(right - 3 * buttonWidth - 20, top, buttonWidth, buttonHeight);
    connect(m_back, &isButton::Click, this, &Wizard::clickBack);
    connect(m_next, &isButton::Click, this, &Wizard::clickNext);
    connect(m_exit, &isButton::Click, this, &Wizard::clickExit);
}

QFrame* Wizard::buildTipsPanel(int page, int tipsIndex)
{
    QFrame* owner = m_pages[static_cast<size_t>(page)];
    auto* panel = new QFrame(owner);
    panel->setObjectName(indexed("TipsFrame", page));
    panel->setGeometry(0, 0, twipsToPixels(PageWidth), twipsToPixels(TipsHeight));
    panel->setFrameShape(QFrame::NoFrame);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, QColor(236, 240, 250));
    panel->setPalette(palette);

    auto* image = new QLabel(panel);
    image->setObjectName(indexed("Image1", page));
    image->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(28, 28));
    image->setGeometry(8, 7, 28, 28);

    auto* tips = new QLabel(panel);
    tips->setObjectName(indexed("Tips", tipsIndex));
    tips->setWordWrap(true);
    tips->setGeometry(44, 2, twipsToPixels(PageWidth) - 52, twipsToPixels(TipsHeight) - 4);
    QFont font = tips->font();
    font.setBold(true);
    tips->setFont(font);
    m_tips[static_cast<size_t>(tipsIndex)] = tips;
    return panel;
}

void Wizard::buildMenuPage()
{
    QFrame* page = m_pages[MenuPage];
    const int top = twipsToPixels(TipsHeight) + 8;
    const int width = twipsToPixels(PageWidth);

    // The heading, the description under it, then the tasks.
    m_label5[0] = new QLabel(page);
    m_label5[0]->setObjectName(QStringLiteral("Label5(0)"));
    m_label5[0]->setGeometry(20, top, width - 40, 24);
    QFont heading = m_label5[0]->font();
    heading.setBold(true);
    heading.setPointSize(heading.pointSize() + 2);
    m_label5[0]->setFont(heading);

    m_label5[1] = new QLabel(page);
    m_label5[1]->setObjectName(QStringLiteral("Label5(1)"));
    m_label5[1]->setWordWrap(true);
    m_label5[1]->setGeometry(20, top + 26, width - 40, 62);
    m_label5[1]->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_mainMenu = new QListWidget(page);
    m_mainMenu->setObjectName(QStringLiteral("MainMenu"));
    m_mainMenu->setGeometry(20, top + 92, width - 40, 200);
    m_mainMenu->setIconSize(QSize(32, 32));
    m_mainMenu->setSpacing(4);
    QFont menuFont = m_mainMenu->font();
    menuFont.setPointSize(menuFont.pointSize() + 2);
    m_mainMenu->setFont(menuFont);
    connect(m_mainMenu, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { clickMenuEntry(m_mainMenu->row(item) + 1); });
    connect(m_mainMenu, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            m_flow.WizardMode = m_flow.modeForMenuPosition(row + 1);
    });
    connect(m_mainMenu, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        clickMenuEntry(m_mainMenu->row(item) + 1);
        if (m_flow.CurrentPage == MenuPage && !m_flow.isSliding())
            guarded([this] { NextFromMenu(); });
    });

    m_designC = new ClickableLabel(page);
    m_designC->setObjectName(QStringLiteral("DesignC"));
    m_designC->setText(QStringLiteral("Korvalis \u00a9 2026"));
    m_designC->setCursor(Qt::PointingHandCursor);
    m_designC->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_designC->setGeometry(width - 220, twipsToPixels(PageHeight) - 24, 200, 20);
    connect(m_designC, &ClickableLabel::clicked, this, &Wizard::showAboutBox);
}

void Wizard::buildSourcePage()
{
    QFrame* page = m_pages[SourcePage];
    const int top = twipsToPixels(TipsHeight) + 6;
    const int width = twipsToPixels(PageWidth);
    const int height = twipsToPixels(PageHeight) - top - 8;
    m_drivesList1 = new DrivesList(page);
    m_drivesList1->setObjectName(QStringLiteral("DrivesList1"));
    m_drivesList1->setRememberedAs(QStringLiteral("source"));
    m_drivesList1->setGeometry(10, top, 200, height);
    m_filesList1 = new FilesAndFoldersList(page);
    m_filesList1->setObjectName(QStringLiteral("FilesAndFoldersList1"));
    m_filesList1->setGeometry(218, top, width - 228, height);
    connect(m_drivesList1, &DrivesList::DriveChanged, this,
            [this] { guarded([this] { m_filesList1->setCurrentPath(m_drivesList1->CurrentDriveName()); }); });
}

void Wizard::buildDiscPage()
{
    QFrame* page = m_pages[DiscPage];
    const int top = twipsToPixels(TipsHeight) + 6;
    const int width = twipsToPixels(PageWidth);

    m_cdRipTabs = new QTabBar(page);
    m_cdRipTabs->setObjectName(QStringLiteral("CDRipTabStrip"));
    m_cdRipTabs->setGeometry(10, top, width - 20, 26);
    m_cdRipTabs->setDrawBase(true);
    connect(m_cdRipTabs, &QTabBar::tabBarClicked, this, [this](int tab) {
        if (m_flow.WizardMode == ModeRecoverToDiscViaTemp)
            return;
        selectDiscTab(tab);
    });

    const QRect frameRect(10, top + 26, width - 20, twipsToPixels(PageHeight) - top - 34);
    for (int i = 0; i < 2; ++i) {
        auto* frame = new QFrame(page);
        frame->setObjectName(indexed("CDRipFrame", i));
        frame->setFrameShape(QFrame::StyledPanel);
        frame->setGeometry(frameRect);
        m_cdRipFrames[static_cast<size_t>(i)] = frame;
    }
    for (int i = 0; i < 4; ++i) {
        m_label6[static_cast<size_t>(i)] = new QLabel(m_cdRipFrames[i == 0 || i == 2 ? 0 : 1]);
        m_label6[static_cast<size_t>(i)]->setObjectName(indexed("Label6", i));
        m_label6[static_cast<size_t>(i)]->setWordWrap(true);
    }

    // The disc drive to copy from.
    auto* drives = new QVBoxLayout(m_cdRipFrames[0]);
    m_sourceDrives = new QComboBox(m_cdRipFrames[0]);
    m_sourceDrives->setObjectName(QStringLiteral("SourceDrives"));
    m_sourceDrives->setIconSize(QSize(24, 24));
    drives->addWidget(m_label6[0]);
    drives->addWidget(m_label6[2]);
    drives->addWidget(m_sourceDrives);
    drives->addStretch();

    // The temporary folder and the machine's drives.
    auto* temp = new QGridLayout(m_cdRipFrames[1]);
    m_tempFolder = new QLineEdit(m_cdRipFrames[1]);
    m_tempFolder->setObjectName(QStringLiteral("TempFolder(0)"));
    m_tempFolder->setReadOnly(true);
    m_command2 = new isButton(m_cdRipFrames[1]);
    m_command2->setObjectName(QStringLiteral("Command2"));
    connect(m_command2, &isButton::Click, this, &Wizard::showFolderDialog);
    m_driveList = new QTreeWidget(m_cdRipFrames[1]);
    m_driveList->setObjectName(QStringLiteral("DriveList(0)"));
    m_driveList->setRootIsDecorated(false);
    temp->addWidget(m_label6[3], 0, 0, 1, 2);
    temp->addWidget(m_tempFolder, 1, 0);
    temp->addWidget(m_command2, 1, 1);
    temp->addWidget(m_label6[1], 2, 0, 1, 2);
    temp->addWidget(m_driveList, 3, 0, 1, 2);
    m_cdRipFrames[1]->hide();
}

void Wizard::buildDestinationPage()
{
    QFrame* page = m_pages[DestinationPage];
    const int top = twipsToPixels(TipsHeight) + 6;
    const int width = twipsToPixels(PageWidth);
    const int height = twipsToPixels(PageHeight) - top - 8;
    m_drivesList2 = new DrivesList(page);
    m_drivesList2->setObjectName(QStringLiteral("DrivesList2"));
    m_drivesList2->setMountReadOnly(false); // recovered files are written there
    m_drivesList2->setRememberedAs(QStringLiteral("destination"));
    m_drivesList2->setGeometry(10, top, 200, height);
    m_filesList2 = new FilesAndFoldersList(page);
    m_filesList2->setObjectName(QStringLiteral("FilesAndFoldersList2"));
    m_filesList2->setGeometry(218, top, width - 228, height);
    connect(m_drivesList2, &DrivesList::DriveChanged, this,
            [this] { guarded([this] { m_filesList2->setCurrentPath(m_drivesList2->CurrentDriveName()); }); });
}

void Wizard::buildProgressPage()
{
    QFrame* page = m_pages[ProgressPage];
    const int top = twipsToPixels(TipsHeight) + 6;
    m_engine = new RecoveryProcess(page);
    m_engine->setObjectName(QStringLiteral("RecoveryProcess1"));
    m_engine->setGeometry(10, top, twipsToPixels(PageWidth) - 20, twipsToPixels(PageHeight) - top - 8);
    // The engine raises its events from inside StartProcess; the walk goes on from there.
    connect(m_engine, &RecoveryProcess::ProcessDone, this, [this] { guarded([this] { onProcessDone(); }); });
    connect(m_engine, &RecoveryProcess::ProcessPaused, this,
            [this] { guarded([this] { GotoReportPage(true, true); }); });
    connect(m_engine, &RecoveryProcess::ProcessAborted, this,
            [this] { guarded([this] { GotoReportPage(true, false); }); });
}

void Wizard::buildBurnPage()
{
    QFrame* page = m_pages[BurnPage];
    const int top = twipsToPixels(TipsHeight) + 6;
    m_burnSettings = new QGroupBox(page);
    m_burnSettings->setObjectName(QStringLiteral("BurnSettings"));
    m_burnSettings->setGeometry(10, top, twipsToPixels(PageWidth) - 20, twipsToPixels(PageHeight) - top - 8);
    auto* layout = new QVBoxLayout(m_burnSettings);
    m_burner = new K3Cindral(m_burnSettings);
    m_burner->setObjectName(QStringLiteral("K3Cindral1"));
    layout->addWidget(m_burner);
    m_cddvdBurner = CDDVDBurner2::create();
    m_burnHandOff = new BurnHandOff(
        *m_burner, *m_cddvdBurner, m_texts,
        BurnHandOff::Host{[this](bool back, bool next, bool exit) { SetNavButtons(back, next, exit); },
                          [this](bool stoppedEarly, bool canResume) {
                              guarded([=, this] { GotoReportPage(stoppedEarly, canResume); });
                          },
                          [this] { return m_filesList1->Items_Count(); },
                          [this](int i) { return m_filesList1->SelectedItemName(i); },
                          [this] { delete std::exchange(m_burner, nullptr); }},
        this);
}

void Wizard::buildReportPage()
{
    QFrame* page = m_pages[ReportPage];
    const int top = twipsToPixels(TipsHeight) + 10;
    const int width = twipsToPixels(PageWidth);

    auto* body = new QFrame(page);
    body->setObjectName(QStringLiteral("ReportPageDiv(0)"));
    body->setGeometry(20, top, width - 40, 230);
    auto* grid = new QGridLayout(body);
    grid->setColumnStretch(1, 1);

    const auto value = [this](QWidget* owner, int item) {
        auto* edit = new QLineEdit(owner);
        edit->setObjectName(indexed("ConfermReportValue", item));
        edit->setReadOnly(true);
        edit->setFrame(false);
        m_reportValues[static_cast<size_t>(item)] = edit;
        return edit;
    };
    const auto label = [this](QWidget* owner, int index) {
        auto* l = new QLabel(owner);
        l->setObjectName(indexed("Label3", index));
        m_label3[static_cast<size_t>(index)] = l;
        return l;
    };
    // Each row: the label, then the value it names.
    const std::array<std::pair<int, int>, 7> rows = {
        {{4, 2}, {0, 0}, {5, 10}, {7, 11}, {1, 1}, {2, 4}, {3, 5}}};
    for (size_t row = 0; row < rows.size(); ++row) {
        grid->addWidget(label(body, rows[row].first), static_cast<int>(row), 0);
        grid->addWidget(value(body, rows[row].second), static_cast<int>(row), 1);
    }
    // Beside the items left out: the list of them, and of the damaged files.
    m_runDetails = new isButton(body);
    m_runDetails->setObjectName(QStringLiteral("RunDetails"));
    m_runDetails->setMinimumSize(110, 25);
    m_runDetails->setEnabled(false);
    connect(m_runDetails, &isButton::Click, this, [this] { guarded([this] { showRunDetails(); }); });
    grid->addWidget(m_runDetails, 3, 2);
    QFont outcome = m_reportValues[2]->font();
    outcome.setBold(true);
    m_reportValues[2]->setFont(outcome);

    // What is left of a paused run.
    m_resumeFrame = new QFrame(page);
    m_resumeFrame->setObjectName(QStringLiteral("ReportPageDiv(2)"));
    m_resumeFrame->setFrameShape(QFrame::StyledPanel);
    m_resumeFrame->setGeometry(20, top + 236, width - 40, 110);
    auto* resume = new QGridLayout(m_resumeFrame);
    resume->setColumnStretch(1, 1);
    resume->addWidget(label(m_resumeFrame, 6), 0, 0);
    resume->addWidget(value(m_resumeFrame, 9), 0, 1);
    auto* note = new QLabel(m_resumeFrame);
    note->setObjectName(QStringLiteral("ConfermReportValue(8)"));
    note->setWordWrap(true);
    m_reportNote = note;
    resume->addWidget(note, 1, 0, 1, 2);
    m_resumeFrame->hide();
}

void Wizard::buildHistoryPage()
{
    QFrame* page = m_pages[HistoryPage];
    const int top = twipsToPixels(TipsHeight) + 6;
    m_historyPanel = new ::HistoryPanel(*m_reportEng, m_texts, m_appFolder, page);
    m_historyPanel->setGeometry(10, top, twipsToPixels(PageWidth) - 20, twipsToPixels(PageHeight) - top - 8);
    m_history = m_historyPanel->list();
    connect(m_historyPanel, &HistoryPanel::historyCleared, this,
            [this] { guarded([this] { historyCleared(); }); });
    connect(m_historyPanel, &HistoryPanel::refreshRequested, this,
            [this](const ResumeJob& job) { guarded([this, job] { startSavedJob(job); }); });

    // The history is reached from the menu page.
    m_historyCommand = new isButton(m_pages[MenuPage]);
    m_historyCommand->setObjectName(QStringLiteral("HistoryCommand"));
    m_historyCommand->setGeometry(20, twipsToPixels(PageHeight) - 50, 260, 27);
    connect(m_historyCommand, &isButton::Click, this, [this] { guarded([this] { showHistory(); }); });
}

// ---------------------------------------------------------------------------------------------
// Start-up and unload

bool Wizard::load()
{
    setTempPath(Platform::tempPath());

    const QStringList names = ::LanguageFile::languageNames();
    for (int i = 0; i < 4; ++i)
        m_flags[static_cast<size_t>(i)]->setToolTip(names.value(i));

    m_pages[MenuPage]->show();
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
    SetUpHistoryList();
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
    Prompt::show(
        {QMessageBox::Warning, QStringLiteral("Korvalis"), m_texts[112] + QStringLiteral("\n\n") + missing},
        this);
}

void Wizard::closeEvent(QCloseEvent* event)
{
    if (!m_unloaded) {
        if (!m_burnHandOff->mayQuit()) {
            event->ignore();
            return;
        }
        if (m_flow.CurrentPage == BurnPage)
            leaveUnburnedCopy();
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
    if (m_burner)
        m_burner->DisableMe();
    m_reportEng->CloseAll();
    m_langEng->CloseAll();
    hide();
    Q_EMIT unloaded(exitCode);
}

void Wizard::endProgram(int exitCode)
{
    unload(exitCode);
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
    for (int i = 0; i < PageCount; ++i)
        m_pages[static_cast<size_t>(i)]->setVisible(i == index);
    QFrame* shown = m_pages.at(static_cast<size_t>(index));
    shown->move(0, shown->y());
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
        m_drivesList1->setShowRemovables(true);
        m_drivesList1->ShowDevices();
        m_filesList1->setAllowCreateFolders(false);
        m_filesList1->setAllowMultySelect(true);
        m_filesList1->setCurrentPath(m_drivesList1->CurrentDriveName());
        SetNavButtons(true, true, true);
        break;
    case DestinationPage:
        m_drivesList2->setShowRemovables(false);
        m_drivesList2->ShowDevices();
        m_filesList2->setAllowCreateFolders(true);
        m_filesList2->setAllowMultySelect(false);
        m_filesList2->setCurrentPath(m_drivesList2->CurrentDriveName());
        SetNavButtons(true, true, true);
        break;
    case DiscPage:
        fillDiscDrives();
        while (m_cdRipTabs->count() > 0)
            m_cdRipTabs->removeTab(0);
        m_cdRipTabs->addTab(m_texts[19]);
        m_cdRipTabs->addTab(m_texts[20]);
        m_cdRipTabs->setCurrentIndex(0);
        selectDiscTab(0);
        SetNavButtons(true, true, true);
        break;
    case ProgressPage:
        m_tips[3]->setText(m_texts[39] + QLatin1Char(' ') +
                           QString::number(PageFlow::recoveryStepNumber(mode)) + QStringLiteral(".   ") +
                           m_texts[41]);
        m_exit->setCaption(padded(m_texts[35]));
        SetNavButtons(false, false, true);
        break;
    case ReportPage:
        // A run of twelve entries with one damaged file, as a user would see one.
        ShowRunSummary(false, true, RunTotals{12, 1, 2, 13, 48.0 * 1024 * 1024 + 512, 24576});
        SetNavButtons(true, false, true);
        break;
    default:
        SetNavButtons(true, false, true);
        break;
    }
}

void Wizard::setTempPath(const QString& path)
{
    m_tempPath = path;
    m_tempFolder->setText(path);
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
    endProgram(1);
}

void Wizard::applyTexts(const LangTexts& texts, const LanguageTexts& controls)
{
    m_texts.setAll(texts);
    const int charSet = controls.charset;
    m_texts.setText(0, QString::number(charSet));

    setWindowTitle(m_texts[1] + QLatin1Char(' ') + m_texts[2] + QLatin1Char(' ') + m_texts[3]);

    for (isButton* b : {m_back, m_next, m_exit, m_command2})
        b->setFontCharSet(charSet);
    m_command2->setFontName(QStringLiteral("Tahoma"));
    setCharSet(m_cdRipTabs, charSet);
    BuildMainMenu();
    m_historyCommand->setFontCharSet(charSet);
    m_historyCommand->setCaption(m_texts[144]);
    m_historyPanel->applyTexts();
    m_tips[7]->setText(m_texts[145]);
    m_banner->setToolTip(m_texts[12]);
    m_command2->setCaption(m_texts[31]);
    ReDrawTitle(PageFlow::restingTitleColour());
    setCharSet(m_burnSettings, charSet);
    for (QLabel* l : m_label5)
        setCharSet(l, charSet);
    for (QLabel* l : m_label6)
        setCharSet(l, charSet);
    for (QLabel* l : m_label3)
        setCharSet(l, charSet);
    for (int i : {0, 1, 2, 4, 5})
        setCharSet(m_tips[static_cast<size_t>(i)], charSet);
    for (int i : {0, 1, 2, 4, 5, 9, 10, 11})
        setCharSet(m_reportValues[static_cast<size_t>(i)], charSet);
    setCharSet(m_reportNote, charSet);

    m_label5[1]->setText(m_texts[5]);
    m_label5[0]->setText(m_texts[6]);
    m_tips[4]->setText(m_texts[7]);
    m_tips[1]->setText(m_texts[13]);
    m_tips[0]->setText(m_texts[39] + QStringLiteral(" 2.   ") + m_texts[40]);
    m_label6[2]->setText(m_texts[21]);
    m_label6[3]->setText(m_texts[28]);
    m_label6[1]->setText(m_texts[29]);
    m_label6[0]->setText(m_texts[30]);
    m_label3[0]->setText(m_texts[53]);
    m_label3[1]->setText(m_texts[55]);
    m_label3[2]->setText(m_texts[54]);
    m_label3[3]->setText(m_texts[136]);
    m_label3[4]->setText(m_texts[138]);
    m_label3[5]->setText(m_texts[140]);
    m_label3[6]->setText(m_texts[139]);
    m_label3[7]->setText(m_texts[153]);
    m_runDetails->setCaption(m_texts[141]);
    m_burnSettings->setTitle(m_texts[130]);

    // The report page's defaults until a run rewrites them.
    m_tips[2]->setText(m_texts[51]);
    m_reportValues[2]->setText(m_texts[137]);
    m_reportNote->setText(m_texts[52]);

    SetPageButtonCaptions();

    // The hosted controls.
    m_engine->setFontCharSet(charSet);
    for (int i = 1; i < controls.engineTexts.size(); ++i)
        m_engine->setLangValue(i, controls.engineTexts[i]);
    m_drivesList1->setFontCharSet(charSet);
    m_drivesList2->setFontCharSet(charSet);
    m_drivesList1->setLang(0, m_texts[21] + QLatin1Char(':'));
    m_drivesList2->setLang(0, m_texts[86] + QLatin1Char(':'));
    for (DrivesList* drives : {m_drivesList1, m_drivesList2}) {
        drives->setText(DrivesList::Text::NotMounted, m_texts[220]);
        drives->setText(DrivesList::Text::NotReady, m_texts[221]);
        drives->setText(DrivesList::Text::MountNotAllowed, m_texts[222]);
        drives->setText(DrivesList::Text::MountUnreadable, m_texts[223]);
        drives->setText(DrivesList::Text::MountFailed, m_texts[224]);
    }
    for (FilesAndFoldersList* browser : {m_filesList1, m_filesList2}) {
        browser->setFontCharSet(charSet);
        for (qsizetype i = 1; i < controls.browserTexts.size(); ++i)
            browser->setLangValue(static_cast<int>(i), controls.browserTexts[i]);
    }
    m_burner->setFontCharSet(charSet);
    for (qsizetype i = 1; i < controls.burnerTexts.size(); ++i)
        m_burner->setLangValue(static_cast<int>(i), controls.burnerTexts[i]);
}

void Wizard::ReDrawTitle(QRgb colour)
{
    m_title->draw(m_texts[1], m_texts[11], colour);
}

void Wizard::SetPageButtonCaptions()
{
    if (const auto captions = PageFlow::captionTexts(m_flow.CurrentPage)) {
        m_back->setCaption(padded(m_texts[(*captions)[0]]));
        m_next->setCaption(padded(m_texts[(*captions)[1]]));
        m_exit->setCaption(padded(m_texts[(*captions)[2]]));
    }
    for (const PageFlow::StepLabel& label : PageFlow::stepLabels(m_flow.WizardMode))
        m_tips[static_cast<size_t>(label.tipsIndex)]->setText(m_texts[39] + QLatin1Char(' ') +
                                                              QString::number(label.step) +
                                                              QStringLiteral(".   ") + m_texts[label.text]);
}

bool Wizard::restartOffered()
{
    // Offered while the last run was paused with entries left, which the history keeps.
    return RestartJob::load(*m_reportEng, ReportsFile::pathIn(m_appFolder)).has_value();
}

void Wizard::BuildMainMenu()
{
    const bool restart = restartOffered();
    m_mainMenu->clear();
    setCharSet(m_mainMenu, m_texts.charSet());
    const auto add = [this](int text, int icon) {
        auto* item = new QListWidgetItem(menuIcon(style(), icon), m_texts[text], m_mainMenu);
        item->setForeground(Qt::black);
    };
    if (restart)
        add(126, 5);
    add(8, 3);
    add(9, 1);
    add(10, 2);
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
    for (int i = MenuPage; i <= DiscPage; ++i)
        m_pages[static_cast<size_t>(i)]->setVisible(i == from);
    int startLeft = 0;
    if (!m_flow.beginSlide(&startLeft))
        return false;
    QFrame* target = m_pages[static_cast<size_t>(m_flow.targetPage())];
    m_banner->ShowBanner(m_flow.targetPage(), m_language);
    target->move(twipsToPixels(startLeft), target->y());
    target->show();
    target->raise();
    m_bar->raise();

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
    QFrame* old = m_pages[static_cast<size_t>(m_flow.CurrentPage)];
    QFrame* target = m_pages[static_cast<size_t>(m_flow.targetPage())];
    m_title->draw(m_texts[1], m_texts[11], frame.titleColour);
    old->move(twipsToPixels(frame.oldPageLeft), old->y());
    target->move(twipsToPixels(frame.targetPageLeft), target->y());
    if (!frame.finished)
        return;
    m_slideTimer->stop();
    const PageFlow::NavStates states = m_flow.finishSlide();
    if (states.back)
        m_back->setEnabled(*states.back);
    if (states.next)
        m_next->setEnabled(*states.next);
    ReDrawTitle(PageFlow::restingTitleColour());
}

// ---------------------------------------------------------------------------------------------
// Buttons, menu and flags

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
        NextFromMenu();
        break;
    case SourcePage:
        NextFromSource();
        break;
    case DiscPage:
        NextFromDiscPage();
        break;
    case DestinationPage:
        NextFromDestination();
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
        m_burner->DisableMe();
        leaveUnburnedCopy();
    } else if (m_flow.CurrentPage == ReportPage) {
        JobAssembly::DeleteJobTempFolder(m_tempFolder->text());
    }
    m_flow.PageStep = *step;
    MoveToFrame();
    SetPageButtonCaptions();
    if (m_flow.CurrentPage == MenuPage && m_mainMenu->currentRow() >= 0)
        m_flow.WizardMode = m_flow.modeForMenuPosition(m_mainMenu->currentRow() + 1);
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
        JobAssembly::DeleteJobTempFolder(m_tempFolder->text());
    unload(0);
}

void Wizard::leaveUnburnedCopy()
{
    // Leaving the burn page before anything was burned: the temporary copy may be all that is
    // left of files from a failing medium, so it goes only when the user agrees. A kept copy is
    // moved beside the job folder, which the next burn task empties.
    m_burnHandOff->releaseTempCopy(m_tempFolder->text());
}

void Wizard::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && m_mainMenu)
        m_mainMenu->update();
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
    if (position < 1 || position > m_mainMenu->count())
        return;
    m_mainMenu->setCurrentRow(position - 1);
    m_flow.WizardMode = m_flow.modeForMenuPosition(position);
}

void Wizard::placeFlagsArrow(int language)
{
    const ClickableLabel* flag = m_flags[static_cast<size_t>(language - 1)];
    m_flagsArrow->move(flag->x(), m_flagsArrow->y());
}

// ---------------------------------------------------------------------------------------------
// The Next steps

void Wizard::NextFromMenu()
{
    m_flow.SlidePos = 0;
    m_back->setEnabled(true);
    if (m_flow.WizardMode == ModeRecoverToDiscViaTemp)
        m_flow.WizardMode = ModeRecoverToDisc;
    switch (m_flow.WizardMode) {
    case ModeRestart: {
        // Runs again exactly what the paused run left, into the folder it was going to.
        const auto job = RestartJob::load(*m_reportEng, ReportsFile::pathIn(m_appFolder));
        if (!job) {
            BuildMainMenu();
            m_flow.WizardMode = 1 - m_flow.MenuIndexOffset;
            return;
        }
        startSavedJob(*job);
        return;
    }
    case ModeRecoverToFolder:
    case ModeRecoverToDisc:
        m_drivesList1->setShowRemovables(true);
        m_drivesList1->ShowDevices();
        m_filesList1->setAllowCreateFolders(false);
        m_filesList1->setAllowMultySelect(true);
        m_filesList1->setCurrentPath(m_drivesList1->CurrentDriveName());
        m_flow.PageStep = 1;
        break;
    case ModeDiscToDisc:
        m_burnHandOff->FillRecorderList(*m_sourceDrives);
        while (m_cdRipTabs->count() > 0)
            m_cdRipTabs->removeTab(0);
        m_cdRipTabs->addTab(m_texts[19]);
        m_cdRipTabs->addTab(m_texts[20]);
        m_cdRipFrames[1]->hide();
        m_cdRipFrames[0]->show();
        m_cdRipTabs->setCurrentIndex(0);
        m_flow.PageStep = 2;
        break;
    case ModeHistory:
        if (!LoadHistory())
            return;
        m_next->setEnabled(false);
        m_flow.PageStep = 7;
        break;
    default:
        return;
    }
    MoveToFrame();
}

void Wizard::NextFromSource()
{
    SetNavButtons(false, false, false);
    bool listed = false;
    try {
        listed = m_filesList1->CreateListOfSelected();
    } catch (const std::exception&) {
        // The list reached its limit: it cannot stand for the selection.
        message(32, QMessageBox::Critical);
        SetNavButtons(true, true, true);
        return;
    }
    // The list is built whenever anything was selected, so an empty one means nothing was.
    if (!listed || m_filesList1->Items_Count() <= 0) {
        message(33, QMessageBox::Warning);
        SetNavButtons(true, true, true);
        return;
    }

    if (m_flow.WizardMode == ModeRecoverToDisc) {
        bool viaTemporaryFolder = false;
        if (!Platform::Volumes::sameVolume(m_appFolder, m_tempPath)) {
            viaTemporaryFolder =
                Prompt::show(
                    {QMessageBox::Question, QStringLiteral("Korvalis"),
                     QStringLiteral("Do you want to copy files into a temporary folder before burning?"),
                     QMessageBox::Yes | QMessageBox::No},
                    this) == QMessageBox::Yes;
        }
        if (viaTemporaryFolder) {
            m_flow.WizardMode = ModeRecoverToDiscViaTemp;
            m_burnHandOff->FillRecorderList(*m_sourceDrives);
            while (m_cdRipTabs->count() > 0)
                m_cdRipTabs->removeTab(0);
            m_cdRipTabs->addTab(m_texts[20]);
            FillDriveInfoList();
            m_cdRipTabs->setCurrentIndex(0);
            SetPageButtonCaptions();
            m_flow.PageStep = 1;
            MoveToFrame();
            SetNavButtons(true, true, true);
            m_cdRipFrames[0]->hide();
            m_cdRipFrames[1]->show();
            return;
        }
        m_flow.PageStep = 4;
        SetPageButtonCaptions();
        MoveToFrame();
        SetNavButtons(true, false, true);
        SetPageButtonCaptions();
        primeEngineForDirectBurn();
        if (!m_burnHandOff->startDirect(m_filesList1->CurrentPath()))
            return;
        SetNavButtons(true, true, true);
        return;
    }

    m_flow.PageStep = 2;
    m_drivesList2->setShowRemovables(false);
    m_drivesList2->ShowDevices();
    m_filesList2->setAllowCreateFolders(true);
    m_filesList2->setAllowMultySelect(false);
    m_filesList2->setCurrentPath(m_drivesList2->CurrentDriveName());
    MoveToFrame();
    SetNavButtons(true, true, true);
}

void Wizard::NextFromDiscPage()
{
    m_back->setEnabled(false);
    m_next->setEnabled(false);
    QString discRoot;
    if (m_flow.WizardMode == ModeDiscToDisc) {
        if (m_sourceDrives->count() == 0) {
            // Not the disc's fault: there is no drive to read one.
            message(190, QMessageBox::Information);
            SetNavButtons(true, false, true);
            return;
        }
        discRoot = m_sourceDrives->currentData().toString();
        if (discRoot.isEmpty()) {
            // No mounted disc in the chosen drive: there is nothing to list.
            message(66, QMessageBox::Critical);
            SetNavButtons(true, true, true);
            return;
        }
        m_filesList1->setCurrentPath(discRoot);
        m_filesList1->setShowHidden(false);
        bool listed = false;
        try {
            listed = m_filesList1->CreateFilesList();
        } catch (const std::exception&) {
            listed = false;
        }
        if (!listed) {
            message(66, QMessageBox::Critical);
            SetNavButtons(true, true, true);
            return;
        }
        if (m_filesList1->Items_Count() < 1) {
            message(33, QMessageBox::Warning);
            SetNavButtons(true, true, true);
            return;
        }
    }

    const QString destination = JobAssembly::CreateJobTempFolder(m_tempFolder->text());
    if (destination.isEmpty()) {
        message(26, QMessageBox::Critical);
        message(25, QMessageBox::Warning);
        SetNavButtons(true, true, true);
        return;
    }
    m_filesList2->setCurrentPath(destination);

    if (m_flow.WizardMode == ModeDiscToDisc && Platform::Volumes::sameVolume(discRoot, destination)) {
        // The copy would go onto the disc it is read from: ask for another temporary folder.
        JobAssembly::DeleteJobTempFolder(m_tempFolder->text());
        message(25, QMessageBox::Warning);
        SetNavButtons(true, true, true);
        return;
    }
    if (!(JobAssembly::DriveFreeSpace(destination) > m_filesList1->Items_TotalSize())) {
        message(67, QMessageBox::Critical);
        SetNavButtons(true, true, true);
        return;
    }

    SetNavButtons(false, false, false);
    m_flow.SlidePos = 0;
    m_flow.PageStep = 2;
    SetPageButtonCaptions();
    MoveToFrame();
    SetNavButtons(false, false, true);
    StartRecoveryJob(destination);
}

void Wizard::NextFromDestination()
{
    m_flow.SlidePos = 0;
    m_flow.PageStep = 1;
    if (m_filesList1->CurrentPath() == m_filesList2->CurrentPath()) {
        message(25, QMessageBox::Warning);
        return;
    }
    SetNavButtons(false, false, true);
    SetPageButtonCaptions();
    MoveToFrame();
    SetNavButtons(false, false, true);
    StartRecoveryJob(m_filesList2->CurrentPath());
}

void Wizard::StartRecoveryJob(const QString& destination)
{
    m_tips[3]->setText(m_texts[39] + QLatin1Char(' ') +
                       QString::number(PageFlow::recoveryStepNumber(m_flow.WizardMode)) +
                       QStringLiteral(".   ") + m_texts[41]);
    m_exit->setCaption(padded(m_texts[35]));
    SetNavButtons(false, false, true);
    if (m_unloaded || m_engine->isCopyingProcess())
        return; // the window went while it slid, or a run is on already

    // Destinations are the entries' text after the source root put after the destination root,
    // so both roots must end alike.
    m_engine->setSourcePath(Platform::PathRules::withClosingSlash(m_filesList1->CurrentPath()));
    m_engine->setDestinationPath(Platform::PathRules::withClosingSlash(destination));
    m_engine->setItems_Count(m_filesList1->Items_Count());
    m_jobLeftOut = m_filesList1->LeftOut();
    const int n = m_engine->Items_Count();
    for (int i = 1; i <= n; ++i) {
        m_engine->setFileName(i, m_filesList1->SelectedItemName(i));
        m_engine->setCopiedBytes(i, 0);
        m_engine->setIsDone(i, false);
        m_engine->setStartPosition(i, 0);
    }
    // The engine counts damaged files across its runs; the report is of this run.
    m_engine->setCorruptedFilesCount(0);
    m_engine->StartProcess();
}

void Wizard::primeEngineForDirectBurn()
{
    // Nothing is copied on the direct route; the report reads the selection as the run.
    m_engine->setItems_Count(m_filesList1->Items_Count());
    m_jobLeftOut = m_filesList1->LeftOut();
    m_engine->setItemsFolders_Count(-1);
    m_engine->setItemsNotCopied_Count(0);
    m_engine->setCorruptedFilesCount(0);
    m_engine->setCurrentFile(m_engine->Items_Count());
    m_engine->setTotalCopiedBytes(m_filesList1->Items_TotalSize());
    m_engine->setTotalLostBytes(0);
}

void Wizard::onProcessDone()
{
    if (!PageFlow::burnsAfterCopy(m_flow.WizardMode)) {
        GotoReportPage(false, true);
        return;
    }
    SetPageButtonCaptions();
    m_flow.PageStep = 1;
    MoveToFrame();
    SetNavButtons(true, false, true);
    SetPageButtonCaptions();
    if (m_burnHandOff->startFromCopy(m_filesList1->CurrentPath(), m_filesList2->CurrentPath(),
                                     m_tempFolder->text()))
        SetNavButtons(true, true, true);
}

bool Wizard::LoadHistory()
{
    return m_historyPanel->LoadHistory();
}

void Wizard::GotoReportPage(bool stoppedEarly, bool canResume)
{
    if (m_flow.CurrentPage == ProgressPage)
        m_flow.PageStep = 2;
    else if (m_flow.CurrentPage == BurnPage)
        m_flow.PageStep = 1;
    m_flow.SlidePos = 0;
    SetNavButtons(false, false, false);
    ShowRunSummary(stoppedEarly, canResume, engineTotals());
    const QString burnCheck = m_flow.CurrentPage == BurnPage ? m_burnHandOff->burnCheck() : QString();
    m_reportValues[2]->setToolTip(QString());
    if (!burnCheck.isEmpty()) {
        // The outcome line names how the disc read back; the whole of it also in its tooltip.
        m_reportValues[2]->setText(m_reportValues[2]->text() + QStringLiteral(" \u2014 ") + burnCheck);
        m_reportValues[2]->setToolTip(m_reportValues[2]->text());
    }
    recordRun(stoppedEarly, canResume);
    const bool copyForBurn =
        m_flow.WizardMode == ModeRecoverToDiscViaTemp || m_flow.WizardMode == ModeDiscToDisc;
    if (stoppedEarly && copyForBurn)
        m_burnHandOff->keepStoppedCopy(m_tempFolder->text());
    else
        JobAssembly::DeleteJobTempFolder(m_tempFolder->text());
    MoveToFrame();
    SetPageButtonCaptions();
    SetNavButtons(true, false, true);
}

void Wizard::ShowRunSummary(bool stoppedEarly, bool canResume, const RunTotals& totals)
{
    const RunSummary s = summariseRun(totals, stoppedEarly, canResume, m_texts);
    m_reportValues[0]->setText(s.copied);
    m_reportValues[10]->setText(s.notCopied);
    m_reportValues[11]->setText(s.leftOut);
    m_reportValues[1]->setText(s.corrupted);
    m_reportValues[4]->setText(s.copiedBytes);
    m_reportValues[5]->setText(s.lostBytes);
    m_reportValues[2]->setText(s.outcome);
    m_resumeFrame->setVisible(s.resumeFrameVisible);
    if (s.resumeFrameVisible)
        m_reportValues[9]->setText(s.filesLeft);
    QPalette palette = m_tips[2]->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgb(s.headlineColour));
    m_tips[2]->setPalette(palette);
    m_tips[2]->setText(s.headline);
}

// ---------------------------------------------------------------------------------------------
// The disc page and the small dialogs

void Wizard::fillDiscDrives()
{
    m_sourceDrives->clear();
    const QIcon icon = style()->standardIcon(QStyle::SP_DriveCDIcon);
    for (const Platform::Volume& v : Platform::Volumes::mounts()) {
        if (v.type != Platform::DriveType::Optical)
            continue;
        const QString root = v.ready ? v.root : QString();
        QString text = v.ready ? v.root : v.device.isEmpty() ? v.root : v.device;
        if (!v.label.isEmpty())
            text += QStringLiteral(" - ") + v.label;
        m_sourceDrives->addItem(icon, text, root);
    }
    if (m_sourceDrives->count() > 0)
        m_sourceDrives->setCurrentIndex(0);
}

void Wizard::selectDiscTab(int tab)
{
    if (tab == 0) {
        m_cdRipFrames[0]->show();
        m_cdRipFrames[1]->hide();
    } else if (tab == 1) {
        FillDriveInfoList();
        m_cdRipFrames[0]->hide();
        m_cdRipFrames[1]->show();
    }
}

void Wizard::FillDriveInfoList()
{
    m_driveList->clear();
    const auto columns = JobAssembly::driveInfoColumns();
    QStringList titles;
    for (const auto& c : columns)
        titles.append(c.title);
    m_driveList->setColumnCount(static_cast<int>(columns.size()));
    m_driveList->setHeaderLabels(titles);
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].widthTwips > 0)
            m_driveList->setColumnWidth(i, twipsToPixels(columns[i].widthTwips));
    }
    for (const JobAssembly::DriveInfoRow& row : JobAssembly::driveInfoRows())
        new QTreeWidgetItem(m_driveList,
                            {row.drive, row.type, row.fileSystem, row.label, row.size, row.freeSpace});
}

void Wizard::SetUpHistoryList()
{
    m_historyPanel->SetUpHistoryList();
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

RunTotals Wizard::engineTotals() const
{
    RunTotals totals;
    totals.itemsCount = m_engine->Items_Count();
    totals.itemsNotCopied = m_engine->ItemsNotCopied_Count();
    totals.corruptedFiles = m_engine->CorruptedFilesCount();
    totals.currentFile = m_engine->CurrentFile();
    totals.totalCopiedBytes = m_engine->TotalCopiedBytes();
    totals.totalLostBytes = m_engine->TotalLostBytes();
    totals.leftOut = m_jobLeftOut.size();
    return totals;
}

// ---------------------------------------------------------------------------------------------
// The history of runs, the restart entry and the page banner

void Wizard::buildBanner()
{
    m_banner->ShowBanner(MenuPage, m_language);
    const bool loaded =
        m_banner->LoadPictures([this](int row) { return m_languages->picture(row); }, m_appFolder);
    if (!loaded)
        return;
    for (int page : {DiscPage, ProgressPage, BurnPage, ReportPage})
        m_banner->createBottomBox(page, m_pages[static_cast<size_t>(page)]);
    m_banner->setToolTip(m_texts[12]);
    m_banner->start();
}

void Wizard::recordRun(bool stoppedEarly, bool canResume)
{
    HistoryRun run = HistoryRun::fromEngine(*m_engine, stoppedEarly, canResume, QDateTime::currentDateTime());
    // A copy into the temporary folder is not resumed: that folder is gone with the report page.
    if (PageFlow::burnsAfterCopy(m_flow.WizardMode))
        run.resume.reset();
    if (m_flow.CurrentPage == BurnPage && m_flow.WizardMode == ModeRecoverToDisc) {
        // Burned straight from the source: the engine copied nothing, the disc is the destination.
        run.source = m_filesList1->CurrentPath();
        run.destination = QString();
    }
    if (m_flow.CurrentPage == BurnPage) {
        // The disc (or image file) is where the files went; the history keeps how it read back.
        const QString burnCheck = m_burnHandOff->burnCheck();
        if (!burnCheck.isEmpty())
            run.destination =
                m_burnHandOff->burnTarget() + QStringLiteral(" (") + burnCheck + QLatin1Char(')');
    }
    for (const LeftOutItem& item : std::as_const(m_jobLeftOut)) {
        HistoryDamage row;
        row.source = item.path;
        row.leftOut = leftOutReason(item, m_texts);
        run.leftOut.append(row);
    }
    m_reportedRow = HistoryWriter(*m_reportEng, ReportsFile::pathIn(m_appFolder)).appendOrTell(run, this);
    m_runDetails->setEnabled(m_reportedRow > 0 && (!run.damaged.isEmpty() || !run.leftOut.isEmpty()));
    // The restart entry follows the history at once, so it never offers a finished run.
    BuildMainMenu();
    if (m_flow.WizardMode == ModeRestart && m_flow.MenuIndexOffset == 0)
        m_flow.WizardMode = ModeRecoverToFolder;
}

void Wizard::showRunDetails()
{
    if (m_reportedRow < 1)
        return;
    const QString reference =
        TableReference::of(ReportsFile::pathIn(m_appFolder), m_reportedRow, ReportsFile::DetailsColumn);
    ReportDetailsWindow window(*m_reportEng, m_texts, this);
    window.setReportMtx(reference);
    if (!window.loaded()) {
        Prompt::show(
            {QMessageBox::Critical, QStringLiteral("Korvalis"), ReportDetails::corruptedText(reference)},
            this);
        return;
    }
    Prompt::exec(window);
}

void Wizard::showHistory()
{
    if (m_flow.CurrentPage != MenuPage || m_flow.isSliding())
        return;
    const int mode = m_flow.WizardMode;
    m_flow.WizardMode = ModeHistory;
    NextFromMenu();
    // The menu's choice stays what it was, for the way back.
    m_flow.WizardMode = mode;
}

void Wizard::startSavedJob(const ResumeJob& job)
{
    if (m_engine->isCopyingProcess() || m_flow.isSliding())
        return;
    if (const int problem = RestartJob::problemText(job)) {
        message(problem, QMessageBox::Warning);
        return;
    }
    // A run of its own: it ends on the report page whatever the menu's choice was.
    m_flow.WizardMode = ModeRestart;
    SetNavButtons(false, false, false);
    m_flow.SlidePos = 0;
    m_flow.PageStep = ProgressPage - m_flow.CurrentPage;
    SetPageButtonCaptions();
    MoveToFrame();
    m_tips[3]->setText(m_texts[39] + QLatin1Char(' ') +
                       QString::number(PageFlow::recoveryStepNumber(m_flow.WizardMode)) +
                       QStringLiteral(".   ") + m_texts[41]);
    m_exit->setCaption(padded(m_texts[35]));
    SetNavButtons(false, false, true);

    m_jobLeftOut.clear(); // what the first run left out is in its own report
    m_engine->setSourcePath(job.source);
    m_engine->setDestinationPath(job.destination);
    m_engine->setItems_Count(static_cast<int>(job.entries.size()));
    for (int i = 1; i <= job.entries.size(); ++i) {
        const ResumeJob::Entry& e = job.entries[i - 1];
        m_engine->setFileName(i, e.entry);
        m_engine->setCopiedBytes(i, 0);
        m_engine->setIsDone(i, false);
        m_engine->setStartPosition(i, e.startPosition);
    }
    m_engine->setCorruptedFilesCount(0);
    m_engine->StartProcess();
}

void Wizard::historyCleared()
{
    m_flow.SlidePos = 0;
    m_flow.PageStep = MenuPage - m_flow.CurrentPage;
    MoveToFrame();
    SetPageButtonCaptions();
    BuildMainMenu();
    m_flow.WizardMode = 1 - m_flow.MenuIndexOffset;
}
