#pragma once

#include <QList>
#include <QRgb>

#include <array>
#include <optional>

// The pages of the main window, by their index in mainframe(0) .. mainframe(7).
enum Page : int
{
    MenuPage = 0,
    SourcePage = 1,
    DiscPage = 2,
    DestinationPage = 3,
    ProgressPage = 4,
    BurnPage = 5,
    ReportPage = 6,
    HistoryPage = 7,
    PageCount = 8,
};

// The task chosen on the main menu.
enum WizardModes : int
{
    ModeRestart = 0,
    ModeRecoverToFolder = 1,
    ModeDiscToDisc = 2,
    ModeRecoverToDisc = 3,
    ModeHistory = 4,
    ModeRecoverToDiscViaTemp = 6,
};

// The window's page state and the rules of the walk through the pages, without any widget:
// the slide between two pages, where Back leads, which texts the page buttons carry.
class PageFlow
{
public:
    // Lengths of the slide, in twips.
    static constexpr int SlideDistance = 640;
    static constexpr int SlideStep = 100;
    static constexpr int SlideTickMs = 50;

    // One tick of the slide: where the two pages stand and the colour of the title strip.
    struct SlideFrame
    {
        int oldPageLeft = 0;    // twips
        int targetPageLeft = 0; // twips
        QRgb titleColour = 0;
        bool finished = false;
    };

    // Enabled states of Back, Next and Exit; an empty optional leaves that button as it is.
    struct NavStates
    {
        std::optional<bool> back;
        std::optional<bool> next;
        std::optional<bool> exit;
    };

    // Text numbers of the captions of Back, Next and Exit on a page; nullopt leaves them.
    using CaptionTexts = std::array<int, 3>;

    // A step label: which Tips label gets "<text 39> <step>.   <text>".
    struct StepLabel
    {
        int tipsIndex = 0;
        int step = 0;
        int text = 0;
    };

    int CurrentPage = MenuPage;
    int PageStep = 0;
    int SlidePos = 0;
    int WizardMode = ModeRecoverToFolder;
    int MenuIndexOffset = 0;

    int targetPage() const { return CurrentPage + PageStep; }
    bool isSliding() const { return m_sliding; }

    // Starts a slide by PageStep from CurrentPage; false (and nothing changes) while one runs or
    // when the target is not a page. Returns the first left position of the target page.
    bool beginSlide(int* targetStartLeft = nullptr);

    // Advances the running slide by one tick.
    SlideFrame tick();

    // Ends the slide: CurrentPage moves to the target; returns the button states of arrival.
    NavStates finishSlide();

    // The mode that the main-menu entry at position (1-based) selects.
    int modeForMenuPosition(int position) const { return position - MenuIndexOffset; }

    // The step Back takes from CurrentPage in the current mode; nullopt where Back has no way.
    std::optional<int> backStep() const;

    // Captions of the page buttons after a page change.
    static std::optional<CaptionTexts> captionTexts(int page);

    // The step each kind of page is, the same on every road that shows it: what to recover,
    // where to copy it, the copy, the burn. A road that has no page of a step skips its number
    // (a disc burned straight from the source goes from step 1 to step 4).
    enum Step : int
    {
        ChooseStep = 1,
        WhereStep = 2,
        RecoverStep = 3,
        BurnStep = 4,
    };

    // Step labels written for a mode (others leave them).
    static QList<StepLabel> stepLabels(int mode);

    // The step number shown on the progress page.
    static int recoveryStepNumber(int mode);

    // True for the modes whose copy goes to the temporary folder and on to the burn page.
    static bool burnsAfterCopy(int mode);

    // The title colour for a slide offset; components above 255 count as 255.
    static QRgb titleColourFor(int slidePos);

    static constexpr QRgb restingTitleColour() { return qRgb(0, 0, 150); }

private:
    bool m_sliding = false;
};
