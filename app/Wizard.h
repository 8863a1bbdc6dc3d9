#pragma once

#include "PageFlow.h"
#include "RunSummary.h"
#include "TextRegister.h"

#include <QMessageBox>
#include <QRgb>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class BurnHandOff;
class CDDVDBurner2;
class DestinationPageWidget;
class DiscPageWidget;
class BurnPageWidget;
class HistoryPageWidget;
class JobWalk;
class LanguageFile;
class MenuPageWidget;
class NavigationBar;
class PageArea;
class PageBanner;
class ProgressPageWidget;
class QLabel;
class QTimer;
class RecoveryProcess;
class ReportPageWidget;
class SourcePageWidget;
class TableEngine;
class TitleStrip;
class WindowClose;
class WindowLanguage;
class WizardPage;
class isButton;
struct LanguageTexts;

// The main window: eight pages shown one at a time under the title strip, the bottom bar with
// Back, Next, Exit and the language flags, the slide between the pages and the keys. What a
// job does on each page is JobWalk's; what a page holds is its own class's.
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
    // True while a copy runs.
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
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class JobWalk;
    friend class WindowClose;
    friend class WindowLanguage;

    void takePages();
    void connectPages();
    void slideTick();
    // Gives the keyboard focus to the page in view.
    void focusPage();
    bool restartOffered();
    void showFolderDialog();
    void showAboutBox();
    void openHomePage();
    void setExitCaption(int text);
    void showStep();

    void clickNextStep();
    void clickBackStep();
    void clickExitStep();
    void clickFlagStep(int index);
    void escape();
    void guarded(const std::function<void()>& step);
    void message(int textNumber, QMessageBox::Icon icon);
    void unload(int exitCode);
    QString tempFolderText() const;

    QString m_appFolder;
    QString m_languageFile;
    QString m_tempPath;
    int m_language = 1;
    PageFlow m_flow;
    // The captions of the navigation buttons last set: pages without captions of their own keep
    // them, in the language chosen on that page too.
    PageFlow::CaptionTexts m_navCaptions{37, 38, 36};
    TextRegister m_texts;

    std::unique_ptr<TableEngine> m_langEng;
    std::unique_ptr<TableEngine> m_reportEng;
    std::unique_ptr<::LanguageFile> m_languages;

    TitleStrip* m_title = nullptr;
    PageArea* m_pageArea = nullptr;
    MenuPageWidget* m_menuPage = nullptr;
    SourcePageWidget* m_sourcePage = nullptr;
    DiscPageWidget* m_discPage = nullptr;
    DestinationPageWidget* m_destinationPage = nullptr;
    ProgressPageWidget* m_progressPage = nullptr;
    BurnPageWidget* m_burnPage = nullptr;
    ReportPageWidget* m_reportPage = nullptr;
    HistoryPageWidget* m_historyPage = nullptr;
    // The tips labels of the pages, by their number.
    std::array<QLabel*, PageCount> m_tips{};

    std::unique_ptr<CDDVDBurner2> m_cddvdBurner; // the window's own recorder: disc checks, erasing
    BurnHandOff* m_burnHandOff = nullptr;
    RecoveryProcess* m_engine = nullptr;
    NavigationBar* m_bar = nullptr;
    isButton* m_back = nullptr;
    isButton* m_next = nullptr;
    isButton* m_exit = nullptr;
    QTimer* m_slideTimer = nullptr;
    PageBanner* m_banner = nullptr;
    std::unique_ptr<JobWalk> m_jobs;
    std::unique_ptr<WindowLanguage> m_languageSwitch;
    std::unique_ptr<WindowClose> m_closing;
    bool m_unloaded = false;
    // The window was closed during a run and the user let the run end: it ends with the run.
    bool m_closeAfterRun = false;
};
