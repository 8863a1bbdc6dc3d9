#include "RecoveryMethod/RecoveryProcess.h"

#include "RecoveryMethod/EngineAnswers.h"
#include "RecoveryMethod/EngineMessages.h"
#include "RecoveryMethod/EngineTexts.h"
#include "RecoveryMethod/IfFileExist.h"
#include "RecoveryMethod/LogList.h"
#include "RecoveryMethod/PosixFileAccess.h"
#include "RecoveryMethod/PromptBridge.h"
#include "RecoveryMethod/RecoveryJob.h"
#include "RecoveryMethod/RecoveryRun.h"
#include "RecoveryMethod/RunFeed.h"
#include "RecoveryMethod/SpeedChart.h"
#include "RecoveryMethod/toAbortProcess.h"

#include "Prompt.h"
#include "SizeText.h"
#include "isButton.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QResizeEvent>
#include <QTimer>

#include <cerrno>
#include <cmath>
#include <stdexcept>
#include <thread>

using namespace EngineAnswers;

namespace {

// Panel geometry in pixels.
constexpr int Margin = 8; // left margin of the log list, and of the counters frame
constexpr int Frame1Height = 162;
constexpr int Frame2Height = 268;
constexpr int RowHeight = 24;
constexpr int ChartLeft = 240; // the speed chart's offset inside Frame1
constexpr int ChartTop = 22;
constexpr int RowA = Frame1Height + 6; // total size, total files
constexpr int RowB = RowA + 26;        // overall progress
constexpr int ValueWidth = 90;         // the right-hand values: entry count, overall percentage
constexpr int TotalStat2Width = 110;
// During a run the panel is repainted at this interval rather than after every step: on a job of
// small files a repaint after each of them would cost more than the copy itself.
constexpr int PanelRefreshMs = 40;

QString captionOf(int slot)
{
    const QString text = EngineTexts::slot(slot);
    return text.isEmpty() ? QString() : text + QLatin1Char(':');
}

QString SizeText(double bytes)
{
    return Platform::sizeText(bytes);
}

} // namespace

RecoveryProcess::RecoveryProcess(QWidget* parent)
    : QWidget(parent)
    , m_job(std::make_shared<RecoveryJob>())
    , m_damage(std::make_shared<DamageRecords>())
    , m_counted(std::make_shared<CountingFileAccess>(std::make_shared<PosixFileAccess>()))
    , m_files(m_counted)
    , m_rescueCounts(std::make_shared<RescueCounts>())
{
    setObjectName(QStringLiteral("RecoveryProcess"));
    buildPanel();
    // The log's lines about entries show the job's paths; they are not kept twice.
    m_list2->log().setEntryNames([job = m_job](int entry) { return job->fileName(entry); });
    applyFonts();
    setMinimumSize(620, 420);
    resize(700, 520);
}

RecoveryProcess::~RecoveryProcess()
{
    // A run left behind in a hung read must not reach this control any more.
    if (m_bridge)
        m_bridge->detach();
}

void RecoveryProcess::buildPanel()
{
    m_list2 = new LogList(this);
    m_list2->setObjectName(QStringLiteral("List2"));

    m_frame2 = new QWidget(this);
    m_frame2->setObjectName(QStringLiteral("Frame2"));

    m_frame1 = new QGroupBox(m_frame2);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    for (int i = 0; i < 5; ++i) {
        m_stat[i] = new QLabel(captionOf(i + 1), m_frame1);
        m_stat[i]->setObjectName(QStringLiteral("Stat(%1)").arg(i));
        m_stat[i]->setGeometry(10, ChartTop + i * RowHeight, 88, 20);
        m_statR[i] = new QLineEdit(m_frame1);
        m_statR[i]->setObjectName(QStringLiteral("StatR(%1)").arg(i));
        m_statR[i]->setReadOnly(true);
        m_statR[i]->setGeometry(100, ChartTop + i * RowHeight - 1, 130, 22);
    }
    m_progressBar1 = new QProgressBar(m_frame1);
    m_progressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar1->setRange(0, 100);
    m_progressBar1->setTextVisible(false);
    m_progressBar1->setGeometry(10, ChartTop + 5 * RowHeight + 2, 220, 12);
    m_speedChart1 = new SpeedChart(m_frame1);
    m_speedChart1->setObjectName(QStringLiteral("SpeedChart1"));
    m_speedChart1->move(ChartLeft, ChartTop);

    for (int i = 0; i < 3; ++i) {
        m_totalStat[i] = new QLabel(captionOf(i + 6), m_frame2);
        m_totalStat[i]->setObjectName(QStringLiteral("TotalStat(%1)").arg(i));
    }
    m_totalStat[0]->setGeometry(0, RowB, 150, 20);
    m_totalStat[1]->setGeometry(0, RowA, 90, 20);
    m_totalStat[2]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_totalStat[2]->setContentsMargins(0, 0, 6, 0);
    m_totalStat[3] = new QLabel(QStringLiteral("0%"), m_frame2);
    m_totalStat[3]->setObjectName(QStringLiteral("TotalStat(3)"));
    m_totalStat[3]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (int i = 0; i < 2; ++i) {
        m_statT[i] = new QLineEdit(m_frame2);
        m_statT[i]->setObjectName(QStringLiteral("StatT(%1)").arg(i));
        m_statT[i]->setReadOnly(true);
    }
    m_statT[1]->setGeometry(90, RowA - 1, 110, 22);
    m_progressBar2 = new QProgressBar(m_frame2);
    m_progressBar2->setObjectName(QStringLiteral("ProgressBar2"));
    m_progressBar2->setRange(0, 100);
    m_progressBar2->setTextVisible(false);

    m_command1 = new isButton(QStringLiteral("Start"), -1, m_frame2);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setGeometry(0, RowB + 46, 88, 26);
    m_command2 = new isButton(QStringLiteral("Stop"), -1, m_frame2);
    m_command2->setObjectName(QStringLiteral("Command2"));
    m_command2->setGeometry(96, RowB + 46, 88, 26);
    m_command2->setEnabled(false);
    connect(m_command1, &isButton::Click, this, [this] { StartProcess(); });
    connect(m_command2, &isButton::Click, this, [this] { TerminateMe(); });

    m_refresh = new QTimer(this);
    m_refresh->setInterval(PanelRefreshMs);
    connect(m_refresh, &QTimer::timeout, this, &RecoveryProcess::refreshPanel);
}

// While held, the panel's fields and lists take every change at once but paint none of them;
// the refresh timer paints them all together. The control itself (which may be a window) keeps
// painting, and dialogs are windows of their own, so both paint as usual.
void RecoveryProcess::holdPanelPainting(bool hold)
{
    m_panelHeld = hold;
    if (hold) {
        m_list2->log().hold();
        m_texts.hold();
        setPanelUpdates(false);
        m_refresh->start();
    } else {
        m_refresh->stop();
        m_texts.release();
        m_list2->log().release();
        setPanelUpdates(true);
        scrollLogDown();
    }
}

void RecoveryProcess::setPanelUpdates(bool enabled)
{
    m_list2->setUpdatesEnabled(enabled);
    m_frame2->setUpdatesEnabled(enabled);
}

void RecoveryProcess::refreshPanel()
{
    applyFeed();
    m_texts.apply();
    m_list2->log().release();
    scrollLogDown();
    setPanelUpdates(true);
    repaint();
    setPanelUpdates(false);
    m_list2->log().hold();
}

// Scrolling lays the list out; during a run that is done once a refresh, not for every line.
void RecoveryProcess::scrollLogDown()
{
    if (!m_logScrollPending)
        return;
    m_logScrollPending = false;
    m_list2->scrollToBottom();
}

void RecoveryProcess::applyFonts()
{
    QFont listFont = m_list2->font();
    listFont.setFamily(EngineTexts::fontName());
    m_list2->setFont(listFont);
    for (isButton* b : {m_command1, m_command2}) {
        b->setFontName(EngineTexts::fontName());
        b->setFontCharSet(EngineTexts::fontCharSet());
    }
}

void RecoveryProcess::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutPanel();
}

// The log list and the counters take the whole width; the counters sit at the bottom and the
// log fills the space above them.
void RecoveryProcess::layoutPanel()
{
    const int w = width() - 2 * Margin;
    const int frame2Top = height() - Frame2Height - Margin;
    m_frame2->setGeometry(Margin, frame2Top, w, Frame2Height);
    m_list2->setGeometry(Margin, Margin, w, std::max(0, frame2Top - Margin));
    m_frame1->setGeometry(0, 0, w, Frame1Height);
    m_progressBar2->setGeometry(0, RowB + 22, w, 16);
    // The overall percentage ends where the bar ends; the files label sits left of it, above.
    m_totalStat[3]->setGeometry(w - ValueWidth, RowB, ValueWidth, 20);
    m_totalStat[2]->setGeometry(w - ValueWidth - TotalStat2Width, RowA, TotalStat2Width, 20);
    m_statT[0]->setGeometry(w - ValueWidth, RowA - 1, ValueWidth, 22);
    m_speedChart1->setGeometry(ChartLeft, ChartTop, std::max(0, w - ChartLeft - ChartTop / 2),
                               Frame1Height - ChartTop - 8);
}

// --- the job ---------------------------------------------------------------------------------

void RecoveryProcess::checkIndex(int index)
{
    if (index < 1 || index > MaxItems)
        throw std::out_of_range("job entry index out of range");
}

QString RecoveryProcess::FileName(int index) const
{
    checkIndex(index);
    return m_job->fileName(index);
}

void RecoveryProcess::setFileName(int index, const QString& entry)
{
    checkIndex(index);
    // The log of the last run keeps showing that run's paths.
    if (!m_isCopyingProcess)
        m_list2->log().keepEntryPaths();
    m_job->setFileName(index, entry);
}

void RecoveryProcess::setFileNames(Platform::PackedTexts entries)
{
    if (entries.size() > MaxItems)
        throw std::length_error("more job entries than the engine takes");
    if (!m_isCopyingProcess)
        m_list2->log().keepEntryPaths();
    m_job->setFileNames(std::move(entries));
}

qint64 RecoveryProcess::CopiedBytes(int index) const
{
    checkIndex(index);
    return m_job->copiedBytes(index);
}

void RecoveryProcess::setCopiedBytes(int index, qint64 bytes)
{
    checkIndex(index);
    m_job->setCopiedBytes(index, bytes);
}

qint64 RecoveryProcess::StartPosition(int index) const
{
    checkIndex(index);
    return m_job->startPosition(index);
}

void RecoveryProcess::setStartPosition(int index, qint64 bytes)
{
    checkIndex(index);
    m_job->setStartPosition(index, bytes);
}

bool RecoveryProcess::isDone(int index) const
{
    checkIndex(index);
    return m_job->isDone(index);
}

void RecoveryProcess::setIsDone(int index, bool done)
{
    checkIndex(index);
    m_job->setIsDone(index, done);
}

void RecoveryProcess::setFileAccess(std::shared_ptr<FileAccess> files)
{
    if (m_isCopyingProcess || !files)
        return;
    m_counted = std::make_shared<CountingFileAccess>(std::move(files));
    m_files = m_counted;
}

// --- texts and answers -----------------------------------------------------------------------

void RecoveryProcess::setLangValue(int index, const QString& text)
{
    EngineTexts::setSlot(index, text);
    if (index >= 1 && index <= 5)
        m_stat[index - 1]->setText(text + QLatin1Char(':'));
    else if (index >= 6 && index <= 8)
        m_totalStat[index - 6]->setText(text + QLatin1Char(':'));
}

int RecoveryProcess::FontCharSet() const
{
    return EngineTexts::fontCharSet();
}

void RecoveryProcess::setFontCharSet(int charSet)
{
    EngineTexts::setFontCharSet(charSet);
    applyFonts();
}

int RecoveryProcess::AbortWindowAnswer() const
{
    return EngineAnswers::abortAnswer();
}

void RecoveryProcess::TerminateMe()
{
    toAbortProcess dialog(this);
    // The run reads and writes nothing while the question is open; it takes the answer after
    // the block in progress.
    const std::shared_ptr<PromptBridge> bridge = m_isCopyingProcess ? m_bridge : nullptr;
    if (bridge)
        bridge->dialogOpened();
    Prompt::exec(dialog);
    if (bridge)
        bridge->dialogClosed();
}

bool RecoveryProcess::ErrorMessages(int erCode)
{
    using namespace Platform::FileErrorCode;
    // The system's description of a representative error, for codes without an engine text.
    int errnoValue = 0;
    switch (erCode) {
    case BadFileName:
        errnoValue = EINVAL;
        break;
    case FileNotFound:
        errnoValue = ENOENT;
        break;
    case DiskFull:
        errnoValue = ENOSPC;
        break;
    case PermissionDenied:
        errnoValue = EACCES;
        break;
    case DiskNotReady:
        errnoValue = ENOMEDIUM;
        break;
    case PathFileAccess:
        errnoValue = EIO;
        break;
    default:
        errnoValue = erCode > OtherBase ? erCode - OtherBase : 0;
        break;
    }
    Platform::FileError error;
    if (errnoValue != 0)
        error = Platform::fileErrorFromErrno(errnoValue);
    error.code = erCode;
    return EngineMessages::errorMessage(error, this);
}

void RecoveryProcess::AddHRec(const QString& a, bool toAdd)
{
    m_texts.show(m_frame1, a);
    if (toAdd)
        m_list2->log().append(a);
    else
        m_list2->log().replaceLast(a);
    m_logScrollPending = true;
    if (!m_panelHeld)
        scrollLogDown();
}

bool RecoveryProcess::RecCorruptedBlocks(int& corruptedFilesCount, qint64 file1Size, int fAttr,
                                         const QString& file, const QString& file2,
                                         const CorBlockTable& corBlock, double copied, const QString& fileDTV)
{
    return m_damage->RecCorruptedBlocks(corruptedFilesCount, file1Size, fAttr, file, file2, corBlock, copied,
                                        fileDTV);
}

// --- the run ---------------------------------------------------------------------------------

void RecoveryProcess::StartProcess()
{
    if (m_isCopyingProcess)
        return; // a run is going on; its own buttons and the host's run inside it

    m_itemsFolders = 0;
    m_itemsNotCopied = 0;
    m_isCopyingProcess = true;
    setOverwriteAnswer(Overwrite::None);
    EngineAnswers::setAbortAnswer(Abort::Continue);
    m_totalCopiedBytes = 0;
    m_totalLostBytes = 0;
    m_texts.show(m_totalStat[3], QStringLiteral("0%"));
    m_progressBar2->setValue(0);
    m_list2->log().clear();
    m_command1->setEnabled(false);
    m_command2->setEnabled(true);
    holdPanelPainting(true);

    if (m_bridge)
        m_bridge->detach();
    m_bridge = std::make_shared<PromptBridge>(this);
    m_feed = std::make_shared<RunFeed>();
    m_rescueCounts = std::make_shared<RescueCounts>();
    RunCounts counts;
    counts.itemsCount = m_itemsCount;
    counts.corruptedFilesCount = m_corruptedFilesCount;
    auto run = std::make_shared<RecoveryRun>(RecoveryRun::Parts{m_job, m_damage, m_files, m_bridge, m_feed,
                                                                m_rescueCounts, static_cast<RunView*>(this)},
                                             m_sourcePath, m_destinationPath, counts);
    runOnWorker(run);
    applyFeed();

    m_isCopyingProcess = false;
    m_command1->setEnabled(true);
    m_command2->setEnabled(false);
    holdPanelPainting(false);

    switch (EngineAnswers::abortAnswer()) {
    case Abort::Pause:
        Q_EMIT ProcessPaused();
        break;
    case Abort::Stop:
        Q_EMIT ProcessAborted();
        break;
    default:
        Q_EMIT ProcessDone();
        break;
    }
}

// Runs the run on a thread of its own and serves the window's events until it ends. When the
// program quits while the run hangs in a read, the run is left to its thread and ends here as
// aborted, with its resume point.
void RecoveryProcess::runOnWorker(const std::shared_ptr<RecoveryRun>& run)
{
    QEventLoop loop;
    auto ended = std::make_shared<std::atomic<bool>>(false);
    std::thread worker([run, ended, bridge = m_bridge, quit = [&loop] { loop.quit(); }] {
        run->run();
        ended->store(true);
        bridge->post(quit);
    });
    while (!ended->load()) {
        if (loop.exec() < 0)
            break; // the application is quitting: event loops no longer run
    }
    if (ended->load()) {
        worker.join();
        m_bridge->detach(); // drops the wake-up if it is still queued: the loop is gone
        takeCounts(run->counts());
        return;
    }
    worker.detach();
    endAbandonedRun(*run);
}

void RecoveryProcess::endAbandonedRun(RecoveryRun& run)
{
    applyFeed();
    const auto [counts, reached] = run.abandon();
    m_bridge->detach();
    EngineAnswers::setAbortAnswer(Abort::Stop);
    takeCounts(counts);
    if (!reached) {
        // The rescue phase was reading: every entry has its result already.
        AddHRec(EngineTexts::slot(EngineTexts::FinishedLine), true);
        return;
    }
    if (m_currentFile >= 1 && m_currentFile <= MaxItems) {
        setCopiedBytes(m_currentFile, *reached);
        setIsDone(m_currentFile, true);
        setStartPosition(m_currentFile, *reached);
    }
    const int last = std::min(m_itemsCount, MaxItems);
    for (int j = m_currentFile + 1; j <= last; ++j) {
        setCopiedBytes(j, 0);
        setIsDone(j, false);
        setStartPosition(j, 0);
    }
    if (m_currentFile < last)
        showOverall(100.0 / (static_cast<double>(m_itemsCount) / static_cast<double>(last)));
    AddHRec(EngineTexts::slot(EngineTexts::FinishedLine), true);
}

void RecoveryProcess::takeCounts(const RunCounts& counts)
{
    m_currentFile = counts.currentFile;
    m_itemsCount = counts.itemsCount;
    m_itemsNotCopied = counts.itemsNotCopied;
    m_itemsFolders = counts.itemsFolders;
    m_corruptedFilesCount = counts.corruptedFilesCount;
    m_totalCopiedBytes = counts.totalCopiedBytes;
    m_totalLostBytes = counts.totalLostBytes;
}

// Shows what the run did since the last refresh.
void RecoveryProcess::applyFeed()
{
    if (!m_feed)
        return;
    for (const RunFeed::Step& step : m_feed->take())
        step();
}

void RecoveryProcess::showOverall(double percent)
{
    const int shown = static_cast<int>(percent);
    m_texts.show(m_totalStat[3], QString::number(shown) + QLatin1Char('%'));
    m_progressBar2->setValue(shown);
}

// --- what the run shows and asks -------------------------------------------------------------

void RecoveryProcess::logLine(const QString& line, bool add)
{
    AddHRec(line, add);
}

void RecoveryProcess::logEntryLine(int entry, const QString& line, bool add)
{
    QString shown = line;
    shown.replace(LogModel::EntryMark, m_job->fileName(entry));
    m_texts.show(m_frame1, shown);
    if (add)
        m_list2->log().append(line, entry);
    else
        m_list2->log().replaceLast(line, entry);
    m_logScrollPending = true;
    if (!m_panelHeld)
        scrollLogDown();
}

void RecoveryProcess::entryEnded(const RunPosition& at)
{
    m_texts.show(m_statT[0], QString::number(at.currentFile) + QStringLiteral(" /") + QLatin1Char(' ') +
                                 QString::number(at.itemsCount));
    m_texts.show(m_statT[1], SizeText(at.totalCopiedBytes));
    showOverall(100.0 / (static_cast<double>(at.lastEntry) / static_cast<double>(at.currentFile)));
}

void RecoveryProcess::overallShown(double percent)
{
    showOverall(percent);
}

bool RecoveryProcess::askRetry(const Platform::FileError& error)
{
    return EngineMessages::errorMessage(error, this);
}

bool RecoveryProcess::askRetryMissingSource(const QString& file)
{
    return EngineMessages::missingSource(file, this);
}

bool RecoveryProcess::askMediumGone()
{
    return EngineMessages::mediumGone(this);
}

bool RecoveryProcess::askOverwrite(const QString& destination)
{
    IfFileExist dialog(this);
    dialog.setExFile(destination);
    Prompt::exec(dialog);
    return dialog.clickedIndex() == 0;
}

void RecoveryProcess::destinationNotOpened(int systemError)
{
    EngineMessages::unableToContinue(this, systemError);
}

void RecoveryProcess::folderNotCreated()
{
    EngineMessages::folderNotCreated(this);
}

void RecoveryProcess::fileStarted(qint64 fileSize)
{
    m_texts.show(m_statR[0], QStringLiteral("0b / 0b"));
    m_texts.show(m_statR[1], QString());
    m_texts.show(m_statR[2], QStringLiteral("0b/s"));
    m_progressBar1->setRange(0, 100);
    m_progressBar1->setValue(0);
    m_speedChart1->StartFile(fileSize);
}

void RecoveryProcess::percentChanged(const CopyProgress& p, const RunPosition& at)
{
    const int percent = static_cast<int>(p.filePercent);
    m_texts.show(m_statR[0], SizeText(static_cast<double>(p.currentFileBytes)) + QStringLiteral(" / ") +
                                 SizeText(static_cast<double>(p.fileSize)));
    if (p.lost > 0)
        m_texts.show(m_statR[1], SizeText(static_cast<double>(p.lost)));
    m_texts.show(m_statR[4], QString::number(p.blockSize) + QStringLiteral(" b"));

    const double overallRatio =
        (static_cast<double>(at.itemsCount) + 1.0) /
        (static_cast<double>(at.currentFile) + static_cast<double>(p.filePercent) / 100.0);
    if (p.currentFileBytes > 0)
        m_speedChart1->AddSample(static_cast<double>(p.currentFileBytes));
    m_progressBar1->setValue(percent);
    m_texts.show(m_statR[2], SizeText(m_speedChart1->Speed()) + QStringLiteral("/s"));
    m_texts.show(m_statR[3], QString::number(percent) + QLatin1Char('%'));
    m_texts.show(m_statT[1], SizeText(at.totalCopiedBytes + static_cast<double>(p.currentFileBytes)));
    showOverall(100.0 / overallRatio);
}

void RecoveryProcess::blockUnreadable(const CopyProgress& p)
{
    if (p.currentFileBytes > 0)
        m_speedChart1->AddSample(static_cast<double>(p.currentFileBytes));
    m_texts.show(m_statR[2], SizeText(m_speedChart1->Speed()) + QStringLiteral("/s"));
}

void RecoveryProcess::blockAdapted(const CopyProgress& p)
{
    m_texts.show(m_statR[1], SizeText(static_cast<double>(p.lost)));
    m_texts.show(m_statR[4], QString::number(p.blockSize) + QStringLiteral("b"));
}

void RecoveryProcess::rescueProgress(const QString& file, qint64 lost, qint64 fileSize)
{
    m_texts.show(m_statR[0], SizeText(static_cast<double>(fileSize - lost)) + QStringLiteral(" / ") +
                                 SizeText(static_cast<double>(fileSize)));
    m_texts.show(m_statR[1], SizeText(static_cast<double>(lost)));
    m_texts.show(m_frame1, file);
}
