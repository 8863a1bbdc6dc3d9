#pragma once

#include "LeftOutItem.h"
#include "PageFlow.h"
#include "RunSummary.h"
#include "TextRegister.h"

#include <QList>
#include <QMessageBox>
#include <QRgb>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class BurnHandOff;
class CDDVDBurner2;
class ClickableLabel;
class DrivesList;
class FilesAndFoldersList;
class HistoryPanel;
class K3Cindral;
class LanguageFile;
class PageBanner;
class RecoveryProcess;
class TableEngine;
struct ResumeJob;
struct LanguageTexts;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QTabBar;
class QTimer;
class QTreeWidget;
class TitleStrip;
class isButton;

// The main window: eight pages shown one at a time under the title strip, the bottom bar with
// Back, Next, Exit and the language flags, and the walk through the pages for every task.
class Wizard : public QWidget
{
    Q_OBJECT

public:
    explicit Wizard(const QString& appFolder, QWidget* parent = nullptr);
    ~Wizard() override;

    // The start-up sequence before the window is shown. Throws LoadError; false when the language
    // file could not be used (the user was told) and the program is to end.
    bool load();

    // Loads language number `language` (0 or above 4 become 1) and applies it; when the language
    // file cannot be used the user is told and the program ends.
    void ApplyLanguage(int& language);

    // Switches from CurrentPage to CurrentPage + PageStep with the slide; returns when the slide
    // has ended. A switch asked for while one slides is refused (false).
    bool MoveToFrame();
    void GotoReportPage(bool stoppedEarly, bool canResume);
    void ReDrawTitle(QRgb colour);
    void SetNavButtons(bool back, bool next, bool exit);
    void SetPageButtonCaptions();
    void BuildMainMenu();

    // Puts the texts of one language into the register, the window and its hosted controls.
    void applyTexts(const LangTexts& texts, const LanguageTexts& controls);
    void ShowRunSummary(bool stoppedEarly, bool canResume, const RunTotals& totals);

    // The bottom-bar handlers, also driven by tests.
    void clickNext();
    void clickBack();
    void clickExit();
    void clickFlag(int index);
    void clickMenuEntry(int position);

    PageFlow& flow() { return m_flow; }
    const PageFlow& flow() const { return m_flow; }
    const TextRegister& texts() const { return m_texts; }
    int currentLanguage() const { return m_language; }
    QString AppFolder() const { return m_appFolder; }
    QString LanguageFile() const { return m_languageFile; }
    QString TempPath() const { return m_tempPath; }
    void setTempPath(const QString& path);
    bool isUnloaded() const { return m_unloaded; }
    // True while a copy runs: the program then ends without waiting for it.
    bool isBusy() const;
    QWidget* page(int index) const;
    // Shows a page at once, without the walk that leads there (pictures of the pages, tests).
    void showPage(int index, int mode);
    // Shows a page with the contents and button states a user meets there.
    void preparePageForPicture(int index, int mode);

Q_SIGNALS:
    // The window was unloaded: the program is to end now.
    void unloaded(int exitCode);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildTitleAndBar();
    void buildMenuPage();
    void buildSourcePage();
    void buildDiscPage();
    void buildDestinationPage();
    void buildProgressPage();
    void buildBurnPage();
    void buildReportPage();
    void buildHistoryPage();
    QFrame* buildTipsPanel(int page, int tipsIndex);

    void slideTick();
    void placeFlagsArrow(int language);
    void SetUpHistoryList();
    bool restartOffered();
    void FillDriveInfoList();
    void fillDiscDrives();
    void selectDiscTab(int tab);
    void showFolderDialog();
    void showAboutBox();
    void openHomePage();

    void NextFromMenu();
    void NextFromSource();
    void NextFromDiscPage();
    void NextFromDestination();
    bool LoadHistory();
    void StartRecoveryJob(const QString& destination);
    void primeEngineForDirectBurn();
    void stopCopy();
    void leaveUnburnedCopy();
    void onProcessDone();

    void checkDiscAccess();
    RunTotals engineTotals() const;
    void clickNextStep();
    void clickBackStep();
    void clickExitStep();
    void clickFlagStep(int index);
    void guarded(const std::function<void()>& step);
    void message(int textNumber, QMessageBox::Icon icon);
    void unload(int exitCode);

    void endProgram(int exitCode);
    void languageFailure(const QString& text);

    // The history of runs, the restart entry and the page banner.
    void buildBanner();
    void recordRun(bool stoppedEarly, bool canResume);
    // The details window of the run just reported: its damaged files and what it left out.
    void showRunDetails();
    void showHistory();
    void startSavedJob(const ResumeJob& job);
    void historyCleared();

    QString m_appFolder;
    QString m_languageFile;
    QString m_tempPath;
    int m_language = 1;
    PageFlow m_flow;
    TextRegister m_texts;

    std::unique_ptr<TableEngine> m_langEng;
    std::unique_ptr<TableEngine> m_reportEng;
    std::unique_ptr<::LanguageFile> m_languages;

    std::array<QFrame*, PageCount> m_pages{};
    DrivesList* m_drivesList1 = nullptr;
    DrivesList* m_drivesList2 = nullptr;
    FilesAndFoldersList* m_filesList1 = nullptr;
    FilesAndFoldersList* m_filesList2 = nullptr;
    K3Cindral* m_burner = nullptr;
    std::unique_ptr<CDDVDBurner2> m_cddvdBurner; // the window's own recorder: disc checks, erasing
    BurnHandOff* m_burnHandOff = nullptr;
    RecoveryProcess* m_engine = nullptr;
    std::array<QLabel*, 8> m_tips{};
    TitleStrip* m_title = nullptr;
    QFrame* m_bar = nullptr;
    isButton* m_back = nullptr;
    isButton* m_next = nullptr;
    isButton* m_exit = nullptr;
    std::array<ClickableLabel*, 4> m_flags{};
    QLabel* m_flagsArrow = nullptr;
    QTimer* m_slideTimer = nullptr;

    QListWidget* m_mainMenu = nullptr;
    ClickableLabel* m_designC = nullptr;
    std::array<QLabel*, 2> m_label5{};

    QTabBar* m_cdRipTabs = nullptr;
    std::array<QFrame*, 2> m_cdRipFrames{};
    QComboBox* m_sourceDrives = nullptr;
    QLineEdit* m_tempFolder = nullptr;
    isButton* m_command2 = nullptr;
    QTreeWidget* m_driveList = nullptr;
    std::array<QLabel*, 4> m_label6{};

    QGroupBox* m_burnSettings = nullptr;

    std::array<QLineEdit*, 12> m_reportValues{};
    std::array<QLabel*, 8> m_label3{};
    isButton* m_runDetails = nullptr; // "Details" of the run on the report page
    int m_reportedRow = 0;            // the history row of the run on the report page
    // What the selection walk could not take into the job being run, with the reason.
    QList<LeftOutItem> m_jobLeftOut;
    QLabel* m_reportNote = nullptr;
    QFrame* m_resumeFrame = nullptr;

    QTreeWidget* m_history = nullptr;
    HistoryPanel* m_historyPanel = nullptr;
    isButton* m_historyCommand = nullptr;
    PageBanner* m_banner = nullptr;
    bool m_unloaded = false;
};
