#include "JobWalk.h"

#include "BurnHandOff.h"
#include "FilesAndFoldersList.h"
#include "HistoryPanel.h"
#include "HistoryWriter.h"
#include "JobAssembly.h"
#include "LeftOutText.h"
#include "PathRules.h"
#include "Prompt.h"
#include "RecoveryProcess.h"
#include "ReportDetails.h"
#include "ReportDetailsWindow.h"
#include "ReportsFile.h"
#include "RestartJob.h"
#include "TableEngine.h"
#include "TextIds.h"
#include "UserSettings.h"
#include "Volumes.h"
#include "Wizard.h"
#include "isButton.h"
#include "pages/BurnPageWidget.h"
#include "pages/DestinationPageWidget.h"
#include "pages/DiscPageWidget.h"
#include "pages/HistoryPageWidget.h"
#include "pages/ReportPageWidget.h"
#include "pages/SourcePageWidget.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSettings>

#include <algorithm>

namespace {

const QString LastSourceKey = QStringLiteral("folders/lastSource");
const QString LastDestinationKey = QStringLiteral("folders/lastDestination");

} // namespace

JobWalk::JobWalk(Wizard& window)
    : w(window)
{
}

void JobWalk::connectRuns()
{
    const auto guarded = [this](auto step) { return [this, step] { w.guarded(step); }; };
    QObject::connect(w.m_reportPage, &ReportPageWidget::detailsRequested, &w,
                     guarded([this] { showRunDetails(); }));
    HistoryPanel* history = w.m_historyPage->panel();
    QObject::connect(history, &HistoryPanel::historyCleared, &w, guarded([this] { historyCleared(); }));
    // The engine's events come through the event loop, so the report is shown after the call
    // that ran the copy has returned, never inside it.
    RecoveryProcess* engine = w.m_engine;
    QObject::connect(engine, &RecoveryProcess::ProcessDone, &w, guarded([this] { onProcessDone(); }),
                     Qt::QueuedConnection);
    QObject::connect(engine, &RecoveryProcess::ProcessPaused, &w,
                     guarded([this] { gotoReportPage(true, true); }), Qt::QueuedConnection);
    QObject::connect(engine, &RecoveryProcess::ProcessAborted, &w,
                     guarded([this] { gotoReportPage(true, false); }), Qt::QueuedConnection);

    w.m_burnHandOff = new BurnHandOff(
        *w.m_burnPage->burner(), *w.m_cddvdBurner, w.m_texts,
        BurnHandOff::Host{[this](bool back, bool next, bool exit) { w.SetNavButtons(back, next, exit); },
                          [this](bool stoppedEarly, bool canResume) {
                              w.guarded([=, this] { gotoReportPage(stoppedEarly, canResume); });
                          },
                          [this] { return w.m_sourcePage->files()->Items_Count(); },
                          [this](int i) { return w.m_sourcePage->files()->SelectedItemName(i); },
                          [this] { w.m_burnPage->endBurner(); }},
        &w);
}

void JobWalk::next()
{
    switch (w.m_flow.CurrentPage) {
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
        w.m_burnHandOff->BeginBurn();
        break;
    default:
        break;
    }
}

void JobWalk::preparePage(int index, int mode)
{
    switch (index) {
    case MenuPage:
        w.SetNavButtons(false, true, true);
        break;
    case SourcePage:
        w.m_sourcePage->prepare(QString());
        w.SetNavButtons(true, true, true);
        break;
    case DestinationPage:
        w.m_destinationPage->prepare(QString());
        w.SetNavButtons(true, true, true);
        break;
    case DiscPage:
        w.m_discPage->fillDiscDrives();
        w.m_discPage->showBothTabs(w.m_texts);
        w.SetNavButtons(true, true, true);
        break;
    case ProgressPage:
        w.m_flow.WizardMode = mode;
        w.showStep();
        w.setExitCaption(TextId::Cancel);
        w.SetNavButtons(false, false, true);
        break;
    case ReportPage: {
        // A run of twelve files in two folders with one damaged file, as a user would see one.
        RunTotals totals{14, 1, 2, 15, 48.0 * 1024 * 1024 + 512, 24576};
        totals.folders = 2;
        w.ShowRunSummary(false, true, totals);
        w.m_reportPage->showDestination(QDir::homePath() + QStringLiteral("/Recovered/"));
        w.SetNavButtons(true, false, true);
        break;
    }
    case HistoryPage:
        // The runs of the program folder, when it has a history.
        if (QFile::exists(w.m_historyPage->panel()->historyPath()))
            w.m_historyPage->panel()->LoadHistory();
        w.SetNavButtons(true, false, true);
        break;
    default:
        w.SetNavButtons(true, false, true);
        break;
    }
}

QString JobWalk::lastSourceFolder()
{
    return Platform::userSettings().value(LastSourceKey).toString();
}

QString JobWalk::lastDestinationFolder()
{
    return Platform::userSettings().value(LastDestinationKey).toString();
}

bool JobWalk::restartOffered() const
{
    return RestartJob::load(*w.m_reportEng, ReportsFile::pathIn(w.m_appFolder)).has_value();
}

void JobWalk::prepareDiscPage(bool tempRouteOnly)
{
    w.m_burnHandOff->FillRecorderList(*w.m_discPage->sourceDrives());
    if (tempRouteOnly)
        w.m_discPage->showTempTabOnly(w.m_texts);
    else
        w.m_discPage->showBothTabs(w.m_texts);
}

void JobWalk::NextFromMenu()
{
    PageFlow& flow = w.m_flow;
    flow.SlidePos = 0;
    w.m_back->setEnabled(true);
    if (flow.WizardMode == ModeRecoverToDiscViaTemp)
        flow.WizardMode = ModeRecoverToDisc;
    switch (flow.WizardMode) {
    case ModeRestart: {
        // Runs again exactly what the paused run left, into the folder it was going to.
        const auto job = RestartJob::load(*w.m_reportEng, ReportsFile::pathIn(w.m_appFolder));
        if (!job) {
            w.BuildMainMenu();
            flow.WizardMode = 1 - flow.MenuIndexOffset;
            return;
        }
        startSavedJob(*job);
        return;
    }
    case ModeRecoverToFolder:
    case ModeRecoverToDisc:
        w.m_sourcePage->prepare(lastSourceFolder());
        flow.PageStep = 1;
        break;
    case ModeDiscToDisc:
        prepareDiscPage(false);
        flow.PageStep = 2;
        break;
    case ModeHistory:
        if (!w.m_historyPage->panel()->LoadHistory())
            return;
        w.m_next->setEnabled(false);
        flow.PageStep = 7;
        break;
    default:
        return;
    }
    w.MoveToFrame();
}

void JobWalk::NextFromSource()
{
    PageFlow& flow = w.m_flow;
    FilesAndFoldersList* files = w.m_sourcePage->files();
    w.SetNavButtons(false, false, false);
    bool listed = false;
    try {
        listed = files->CreateListOfSelected();
    } catch (const std::exception&) {
        // The list reached its limit: it cannot stand for the selection.
        w.message(TextId::SelectionNotListed, QMessageBox::Critical);
        w.SetNavButtons(true, true, true);
        return;
    }
    // The list is built whenever anything was selected, so an empty one means nothing was.
    if (!listed || files->Items_Count() <= 0) {
        w.message(TextId::NothingToRecover, QMessageBox::Warning);
        w.SetNavButtons(true, true, true);
        return;
    }

    if (flow.WizardMode == ModeRecoverToDisc) {
        if (BurnHandOff::chooseRoute(w.m_appFolder, w.m_tempPath, w.m_texts[TextId::TempCopyQuestion], &w) ==
            BurnHandOff::Route::ViaTemp) {
            flow.WizardMode = ModeRecoverToDiscViaTemp;
            prepareDiscPage(true);
            w.SetPageButtonCaptions();
            flow.PageStep = 1;
            w.MoveToFrame();
            w.SetNavButtons(true, true, true);
            return;
        }
        flow.PageStep = 4;
        w.SetPageButtonCaptions();
        w.MoveToFrame();
        w.SetNavButtons(true, false, true);
        w.SetPageButtonCaptions();
        primeEngineForDirectBurn();
        if (!w.m_burnHandOff->startDirect(files->CurrentPath()))
            return;
        w.SetNavButtons(true, true, true);
        return;
    }

    flow.PageStep = 2;
    w.m_destinationPage->prepare(lastDestinationFolder());
    w.MoveToFrame();
    w.SetNavButtons(true, true, true);
}

void JobWalk::NextFromDiscPage()
{
    PageFlow& flow = w.m_flow;
    FilesAndFoldersList* files = w.m_sourcePage->files();
    const auto stay = [this](int text, QMessageBox::Icon icon) {
        w.message(text, icon);
        w.SetNavButtons(true, true, true);
    };
    w.m_back->setEnabled(false);
    w.m_next->setEnabled(false);
    QString discRoot;
    if (flow.WizardMode == ModeDiscToDisc) {
        QComboBox* drives = w.m_discPage->sourceDrives();
        if (drives->count() == 0) {
            // Not the disc's fault: there is no drive to read one.
            w.message(TextId::NoDiscDrive, QMessageBox::Information);
            w.SetNavButtons(true, false, true);
            return;
        }
        discRoot = drives->currentData().toString();
        if (discRoot.isEmpty()) // no mounted disc in the chosen drive: there is nothing to list
            return stay(TextId::DiscNotReadable, QMessageBox::Critical);
        files->setCurrentPath(discRoot);
        files->setShowHidden(false);
        bool listed = false;
        try {
            listed = files->CreateFilesList();
        } catch (const std::exception&) {
            listed = false;
        }
        if (!listed)
            return stay(TextId::DiscNotReadable, QMessageBox::Critical);
        if (files->Items_Count() < 1)
            return stay(TextId::NothingToRecover, QMessageBox::Warning);
    }

    const QString destination = JobAssembly::CreateJobTempFolder(w.tempFolderText());
    if (destination.isEmpty()) {
        w.message(TextId::TempFolderFailed, QMessageBox::Critical);
        return stay(TextId::ChooseOtherFolder, QMessageBox::Warning);
    }
    w.m_destinationPage->files()->setCurrentPath(destination);
    if (flow.WizardMode == ModeDiscToDisc && Platform::Volumes::sameVolume(discRoot, destination)) {
        // The copy would go onto the disc it is read from: ask for another temporary folder.
        JobAssembly::DeleteJobTempFolder(w.tempFolderText());
        return stay(TextId::ChooseOtherFolder, QMessageBox::Warning);
    }
    if (!(JobAssembly::DriveFreeSpace(destination) > files->Items_TotalSize()))
        return stay(TextId::NoFreeSpace, QMessageBox::Critical);

    w.SetNavButtons(false, false, false);
    flow.SlidePos = 0;
    flow.PageStep = 2;
    w.SetPageButtonCaptions();
    w.MoveToFrame();
    w.SetNavButtons(false, false, true);
    startSelectionRun(destination);
}

void JobWalk::NextFromDestination()
{
    PageFlow& flow = w.m_flow;
    FilesAndFoldersList* files = w.m_sourcePage->files();
    flow.SlidePos = 0;
    flow.PageStep = 1;
    const QString destination = w.m_destinationPage->destination();
    if (Platform::PathRules::withClosingSlash(files->CurrentPath()) == destination) {
        w.message(TextId::ChooseOtherFolder, QMessageBox::Warning);
        return;
    }
    // The next run opens where this one went.
    QSettings settings = Platform::userSettings();
    settings.setValue(LastSourceKey, files->CurrentPath());
    settings.setValue(LastDestinationKey, destination);
    w.SetNavButtons(false, false, true);
    w.SetPageButtonCaptions();
    w.MoveToFrame();
    w.SetNavButtons(false, false, true);
    startSelectionRun(destination);
}

void JobWalk::startSelectionRun(const QString& destination)
{
    // The source browser's selection, as the walk collected it, into the destination. The names
    // go to the engine packed as the walk keeps them: a list of a million paths as strings would
    // take hundreds of megabytes for a moment.
    FilesAndFoldersList* files = w.m_sourcePage->files();
    m_jobLeftOut = files->LeftOut();
    Platform::PackedTexts names;
    for (int i = 1; i <= files->Items_Count(); ++i)
        names.append(files->SelectedItemName(i));
    startRun(files->CurrentPath(), destination, std::move(names), {}, files->Items_TotalSize());
}

void JobWalk::startRun(const QString& source, const QString& destination, Platform::PackedTexts names,
                       const std::vector<qint64>& startPositions, double jobBytes)
{
    w.showStep();
    w.setExitCaption(TextId::Cancel);
    w.SetNavButtons(false, false, true);
    RecoveryProcess* engine = w.m_engine;
    if (w.m_unloaded || engine->isCopyingProcess())
        return; // the window went while it slid, or a run is on already

    // Destinations are the entries' text after the source root put after the destination root,
    // so both roots must end alike.
    engine->setSourcePath(Platform::PathRules::withClosingSlash(source));
    engine->setDestinationPath(Platform::PathRules::withClosingSlash(destination));
    const int count = std::min(names.size(), RecoveryProcess::MaxItems);
    names.truncate(count);
    engine->setItems_Count(count);
    engine->setFileNames(std::move(names));
    for (int i = 1; i <= count; ++i) {
        engine->setCopiedBytes(i, 0);
        engine->setIsDone(i, false);
        const auto at = static_cast<std::size_t>(i - 1);
        engine->setStartPosition(i, at < startPositions.size() ? startPositions[at] : 0);
    }
    // The engine counts damaged files across its runs; the report is of this run.
    engine->setCorruptedFilesCount(0);
    engine->setJobBytes(jobBytes);
    engine->StartProcess();
}

void JobWalk::primeEngineForDirectBurn()
{
    // Nothing is copied on the direct route; the report reads the selection as the run.
    FilesAndFoldersList* files = w.m_sourcePage->files();
    RecoveryProcess* engine = w.m_engine;
    engine->setItems_Count(files->Items_Count());
    m_jobLeftOut = files->LeftOut();
    engine->setItemsFolders_Count(-1);
    engine->setItemsNotCopied_Count(0);
    engine->setCorruptedFilesCount(0);
    engine->setCurrentFile(engine->Items_Count());
    engine->setTotalCopiedBytes(files->Items_TotalSize());
    engine->setTotalLostBytes(0);
}

void JobWalk::onProcessDone()
{
    PageFlow& flow = w.m_flow;
    if (!PageFlow::burnsAfterCopy(flow.WizardMode) || w.m_closeAfterRun) {
        gotoReportPage(false, true);
        return;
    }
    w.SetPageButtonCaptions();
    flow.PageStep = 1;
    w.MoveToFrame();
    w.SetNavButtons(true, false, true);
    w.SetPageButtonCaptions();
    if (w.m_burnHandOff->startFromCopy(w.m_sourcePage->files()->CurrentPath(),
                                       w.m_destinationPage->files()->CurrentPath(), w.tempFolderText()))
        w.SetNavButtons(true, true, true);
}

void JobWalk::gotoReportPage(bool stoppedEarly, bool canResume)
{
    PageFlow& flow = w.m_flow;
    if (flow.CurrentPage == ProgressPage)
        flow.PageStep = 2;
    else if (flow.CurrentPage == BurnPage)
        flow.PageStep = 1;
    flow.SlidePos = 0;
    w.SetNavButtons(false, false, false);
    RecoveryProcess* engine = w.m_engine;
    RunTotals totals;
    totals.itemsCount = engine->Items_Count();
    totals.itemsNotCopied = engine->ItemsNotCopied_Count();
    totals.corruptedFiles = engine->CorruptedFilesCount();
    totals.currentFile = engine->CurrentFile();
    totals.totalCopiedBytes = engine->TotalCopiedBytes();
    totals.totalLostBytes = engine->TotalLostBytes();
    totals.leftOut = m_jobLeftOut.size();
    totals.folders = engine->ItemsFolders_Count();
    w.ShowRunSummary(stoppedEarly, canResume, totals);
    const bool onBurnPage = flow.CurrentPage == BurnPage;
    if (onBurnPage)
        w.m_reportPage->addBurnCheck(w.m_burnHandOff->burnCheck());
    const bool copyForBurn = PageFlow::burnsAfterCopy(flow.WizardMode);
    w.m_reportPage->showDestination(copyForBurn || onBurnPage ? QString() : engine->DestinationPath());
    // The history keeps the status the report shows.
    recordRun(
        stoppedEarly, canResume,
        RunStatus::of(stoppedEarly, canResume, totals.itemsNotCopied, totals.leftOut, totals.corruptedFiles));
    const bool keepsCopy = flow.WizardMode == ModeRecoverToDiscViaTemp || flow.WizardMode == ModeDiscToDisc;
    if (stoppedEarly && keepsCopy)
        w.m_burnHandOff->keepStoppedCopy(w.tempFolderText());
    else
        JobAssembly::DeleteJobTempFolder(w.tempFolderText());
    if (w.m_closeAfterRun) {
        // The window was closed during the run: now that it is recorded, the program ends.
        w.unload(0);
        return;
    }
    w.MoveToFrame();
    w.SetPageButtonCaptions();
    w.SetNavButtons(true, false, true);
}

void JobWalk::recordRun(bool stoppedEarly, bool canResume, RunStatus::State state)
{
    const PageFlow& flow = w.m_flow;
    HistoryRun run =
        HistoryRun::fromEngine(*w.m_engine, stoppedEarly, canResume, QDateTime::currentDateTime());
    // A copy into the temporary folder is not resumed: that folder is gone with the report page.
    run.state = state;
    if (PageFlow::burnsAfterCopy(flow.WizardMode))
        run.resume.reset();
    if (flow.CurrentPage == BurnPage && flow.WizardMode == ModeRecoverToDisc) {
        // Burned straight from the source: the engine copied nothing, the disc is the destination.
        run.source = w.m_sourcePage->files()->CurrentPath();
        run.destination = QString();
    }
    if (flow.CurrentPage == BurnPage) {
        // The disc (or image file) is where the files went; the history keeps how it read back.
        const QString burnCheck = w.m_burnHandOff->burnCheck();
        if (!burnCheck.isEmpty())
            run.destination =
                w.m_burnHandOff->burnTarget() + QStringLiteral(" (") + burnCheck + QLatin1Char(')');
    }
    for (const LeftOutItem& item : std::as_const(m_jobLeftOut)) {
        HistoryDamage row;
        row.source = item.path;
        row.leftOut = leftOutReason(item, w.m_texts);
        run.leftOut.append(row);
    }
    m_reportedRow =
        HistoryWriter(*w.m_reportEng, ReportsFile::pathIn(w.m_appFolder)).appendOrTell(run, &w, w.m_texts);
    w.m_reportPage->setDetailsAvailable(m_reportedRow > 0 &&
                                        (!run.damaged.isEmpty() || !run.leftOut.isEmpty()));
    // The restart entry follows the history at once, so it never offers a finished run.
    w.BuildMainMenu();
    if (w.m_flow.WizardMode == ModeRestart && w.m_flow.MenuIndexOffset == 0)
        w.m_flow.WizardMode = ModeRecoverToFolder;
}

void JobWalk::showRunDetails()
{
    if (m_reportedRow < 1)
        return;
    const QString reference =
        TableReference::of(ReportsFile::pathIn(w.m_appFolder), m_reportedRow, ReportsFile::DetailsColumn);
    ReportDetailsWindow window(*w.m_reportEng, w.m_texts, &w);
    window.setReportMtx(reference);
    if (!window.loaded()) {
        Prompt::show(
            {QMessageBox::Critical, QStringLiteral("Korvalis"), ReportDetails::corruptedText(reference)}, &w);
        return;
    }
    Prompt::exec(window);
}

void JobWalk::showHistory()
{
    PageFlow& flow = w.m_flow;
    if (flow.CurrentPage != MenuPage || flow.isSliding())
        return;
    const int mode = flow.WizardMode;
    flow.WizardMode = ModeHistory;
    NextFromMenu();
    // The menu's choice stays what it was, for the way back.
    flow.WizardMode = mode;
}

void JobWalk::startSavedJob(const ResumeJob& job)
{
    PageFlow& flow = w.m_flow;
    if (w.m_engine->isCopyingProcess() || flow.isSliding())
        return;
    if (const int problem = RestartJob::problemText(job)) {
        w.message(problem, QMessageBox::Warning);
        return;
    }
    // A run of its own: it ends on the report page whatever the menu's choice was.
    flow.WizardMode = ModeRestart;
    w.SetNavButtons(false, false, false);
    flow.SlidePos = 0;
    flow.PageStep = ProgressPage - flow.CurrentPage;
    w.SetPageButtonCaptions();
    w.MoveToFrame();
    m_jobLeftOut.clear(); // what the first run left out is in its own report
    Platform::PackedTexts names;
    std::vector<qint64> startPositions;
    startPositions.reserve(static_cast<std::size_t>(job.entries.size()));
    for (const ResumeJob::Entry& e : job.entries) {
        names.append(e.entry);
        startPositions.push_back(e.startPosition);
    }
    startRun(job.source, job.destination, std::move(names), startPositions);
}

void JobWalk::historyCleared()
{
    PageFlow& flow = w.m_flow;
    flow.SlidePos = 0;
    flow.PageStep = MenuPage - flow.CurrentPage;
    w.MoveToFrame();
    w.SetPageButtonCaptions();
    w.BuildMainMenu();
    flow.WizardMode = 1 - flow.MenuIndexOffset;
}
