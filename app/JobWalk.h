#pragma once

#include "HistoryRun.h"
#include "LeftOutItem.h"
#include "PackedTexts.h"

#include <QList>
#include <QString>

#include <vector>

class Wizard;

// What a job does on its way through the main window's pages: the Next step of each page, the
// start of a run (a new one or a saved one), what follows the engine's end, the report and the
// history's record of the run. The window owns one; it moves the pages and keeps the buttons.
class JobWalk
{
public:
    explicit JobWalk(Wizard& window);

    // Connects the engine's events, the burn hand-off and the history to the walk.
    void connectRuns();
    // Next on the page in view.
    void next();
    // Gives a page the contents and button states a user meets there (pictures, tests).
    void preparePage(int index, int mode);

    void NextFromMenu();
    void NextFromSource();
    void NextFromDiscPage();
    void NextFromDestination();
    void onProcessDone();
    void gotoReportPage(bool stoppedEarly, bool canResume);

    // The history: reached from the menu, a run started again from it, the history cleared.
    void showHistory();
    void startSavedJob(const ResumeJob& job);
    void startSelectionRun(const QString& destination);
    void historyCleared();
    void showRunDetails();
    // True while the last run was paused with entries left, which the history keeps.
    bool restartOffered() const;

    // The folders of the last run, kept for the next start of the program.
    static QString lastSourceFolder();
    static QString lastDestinationFolder();

private:
    // Starts a run of the entries `names` from `source` into `destination` on the progress page;
    // entry i starts at byte startPositions[i - 1], or at 0 past the end of that list. jobBytes:
    // the bytes the run copies, when known (0 when not), for its time left.
    void startRun(const QString& source, const QString& destination, Platform::PackedTexts names,
                  const std::vector<qint64>& startPositions, double jobBytes = 0);
    void primeEngineForDirectBurn();
    void recordRun(bool stoppedEarly, bool canResume, RunStatus::State state);
    void prepareDiscPage(bool tempRouteOnly);

    Wizard& w;
    // What the selection walk could not take into the job being run, with the reason.
    QList<LeftOutItem> m_jobLeftOut;
    int m_reportedRow = 0; // the history row of the run on the report page
};
