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
#include "RecoveryMethod/TimeLeftText.h"
#include "RecoveryMethod/toAbortProcess.h"

#include "Prompt.h"
#include "SizeText.h"
#include "isButton.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QResizeEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <cerrno>
#include <cmath>
#include <stdexcept>
#include <thread>

using namespace EngineAnswers;

namespace {

constexpr int Margin = 8; // around the log list and the counters
// During a run the panel is repainted at this interval rather than after every step: on a job of
// small files a repaint after each of them would cost more than the copy itself. Ten times a
// second reads as live; at 25 the log's and labels' text layout took a fifth of a core, which a
// busy desktop takes from the copy.
constexpr int PanelRefreshMs = 100;
// The speed and the time left change on screen at this interval, slow enough to be read.
constexpr qint64 SpeedShownMs = 500;

// Engine texts of the panel's own.
constexpr int StartSlot = 74;
constexpr int StopSlot = 75;
constexpr int TimeLeftSlot = 76;
constexpr int PerSecondSlot = 77; // "%1/s", %1 a size

QString captionOf(int slot)
{
    const QString text = EngineTexts::slot(slot);
    return text.isEmpty() ? QString() : text + QLatin1Char(':');
}

QString SizeText(double bytes)
{
    return Platform::sizeText(bytes);
}

QString speedText(double bytesPerSecond)
{
    QString pattern = EngineTexts::slot(PerSecondSlot);
    if (!pattern.contains(QLatin1String("%1")))
        pattern = QStringLiteral("%1/s");
    return pattern.arg(SizeText(bytesPerSecond));
}

// The entries done of the run's entries, as the panel's files field shows them.
QString entriesText(int done, int count)
{
    return QString::number(done) + QStringLiteral(" / ") + QString::number(count);
}

QString buttonCaption(int slot, const char* fallback)
{
    const QString text = EngineTexts::slot(slot);
    return text.isEmpty() ? QLatin1String(fallback) : text;
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
    m_clock.start();
    m_now = [this] { return m_clock.elapsed(); };
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
    const auto valueField = [](QWidget* parent, const QString& name) {
        auto* field = new QLineEdit(parent);
        field->setObjectName(name);
        field->setReadOnly(true);
        field->setFocusPolicy(Qt::NoFocus);
        return field;
    };
    const auto caption = [](QWidget* parent, const QString& name, const QString& text) {
        auto* label = new QLabel(text, parent);
        label->setObjectName(name);
        // The gap to the field after it: the grids put no spacing between columns, so that the
        // overall percentage meets the files label above it.
        label->setContentsMargins(0, 0, 6, 0);
        return label;
    };

    m_list2 = new LogList(this);
    m_list2->setObjectName(QStringLiteral("List2"));

    m_frame2 = new QWidget(this);
    m_frame2->setObjectName(QStringLiteral("Frame2"));

    // The current file: its fields on the left, the run's speed chart on the right.
    m_frame1 = new QGroupBox(m_frame2);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    // Its title is the latest log line, a path of any length: it is cut to the box's width
    // rather than widening the box.
    m_frame1->setMinimumWidth(200);
    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(0);
    fields->setVerticalSpacing(0);
    for (int i = 0; i < 5; ++i) {
        m_stat[i] = caption(m_frame1, QStringLiteral("Stat(%1)").arg(i), captionOf(i + 1));
        m_statR[i] = valueField(m_frame1, QStringLiteral("StatR(%1)").arg(i));
        fields->addWidget(m_stat[i], i, 0);
        fields->addWidget(m_statR[i], i, 1);
    }
    m_progressBar1 = new QProgressBar(m_frame1);
    m_progressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar1->setRange(0, 100);
    m_progressBar1->setTextVisible(false);
    m_progressBar1->setFixedHeight(10);
    fields->addWidget(m_progressBar1, 5, 0, 1, 2);
    fields->setRowStretch(6, 1);
    m_speedChart1 = new SpeedChart(m_frame1);
    m_speedChart1->setObjectName(QStringLiteral("SpeedChart1"));

    // The control's own buttons under the chart, where they take no height of their own.
    m_command1 = new isButton(buttonCaption(StartSlot, "Start"), -1, m_frame1);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command2 = new isButton(buttonCaption(StopSlot, "Stop"), -1, m_frame1);
    m_command2->setObjectName(QStringLiteral("Command2"));
    m_command2->setEnabled(false);
    connect(m_command1, &isButton::Click, this, [this] { StartProcess(); });
    connect(m_command2, &isButton::Click, this, [this] { TerminateMe(); });
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addStretch(1);
    buttons->addWidget(m_command1);
    buttons->addWidget(m_command2);
    auto* chartColumn = new QVBoxLayout;
    chartColumn->setSpacing(4);
    chartColumn->addWidget(m_speedChart1, 1);
    chartColumn->addLayout(buttons);

    auto* frame1Row = new QHBoxLayout(m_frame1);
    frame1Row->setContentsMargins(8, 2, 8, 4);
    frame1Row->setSpacing(10);
    frame1Row->addLayout(fields);
    frame1Row->addLayout(chartColumn, 1);

    // The whole run: total copied and entries, the time left and the overall percentage over
    // the overall bar.
    for (int i = 0; i < 3; ++i)
        m_totalStat[i] = caption(m_frame2, QStringLiteral("TotalStat(%1)").arg(i), captionOf(i + 6));
    m_totalStat[2]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_totalStat[3] = new QLabel(QStringLiteral("0%"), m_frame2);
    m_totalStat[3]->setObjectName(QStringLiteral("TotalStat(3)"));
    m_totalStat[3]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (int i = 0; i < 2; ++i)
        m_statT[i] = valueField(m_frame2, QStringLiteral("StatT(%1)").arg(i));
    m_timeLeftLabel = caption(m_frame2, QStringLiteral("TimeLeftLabel"), captionOf(TimeLeftSlot));
    m_timeLeft = valueField(m_frame2, QStringLiteral("TimeLeft"));
    m_progressBar2 = new QProgressBar(m_frame2);
    m_progressBar2->setObjectName(QStringLiteral("ProgressBar2"));
    m_progressBar2->setRange(0, 100);
    m_progressBar2->setTextVisible(false);
    m_progressBar2->setFixedHeight(16);

    auto* totals = new QGridLayout;
    totals->setHorizontalSpacing(0);
    totals->setVerticalSpacing(2);
    totals->addWidget(m_totalStat[1], 0, 0);
    totals->addWidget(m_statT[1], 0, 1);
    totals->addWidget(m_totalStat[2], 0, 3);
    totals->addWidget(m_statT[0], 0, 4);
    totals->addWidget(m_totalStat[0], 1, 0);
    auto* timeLeft = new QHBoxLayout;
    timeLeft->setSpacing(0);
    timeLeft->addSpacing(12);
    timeLeft->addWidget(m_timeLeftLabel);
    timeLeft->addWidget(m_timeLeft);
    timeLeft->addStretch(1);
    totals->addLayout(timeLeft, 1, 1, 1, 3);
    totals->addWidget(m_totalStat[3], 1, 4);
    totals->addWidget(m_progressBar2, 2, 0, 1, 5);
    totals->setColumnStretch(2, 1);

    auto* frame2Column = new QVBoxLayout(m_frame2);
    frame2Column->setContentsMargins(0, 4, 0, 0);
    frame2Column->setSpacing(4);
    frame2Column->addWidget(m_frame1);
    frame2Column->addLayout(totals);

    // The log takes the height the counters leave.
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(Margin, Margin, Margin, Margin);
    column->setSpacing(0);
    column->addWidget(m_list2, 1);
    column->addWidget(m_frame2);
    sizeFields();

    m_refresh = new QTimer(this);
    m_refresh->setInterval(PanelRefreshMs);
    connect(m_refresh, &QTimer::timeout, this, &RecoveryProcess::refreshPanel);
}

// While held, the panel's fields and log take every change at once and show none of them; the
// refresh timer shows them together. Only what changed is painted then: a full repaint of the
// panel at every refresh cost more processor time than the copy of a large file.
void RecoveryProcess::holdPanelPainting(bool hold)
{
    m_panelHeld = hold;
    if (hold) {
        m_list2->log().hold();
        m_texts.hold();
        m_refresh->start();
    } else {
        m_refresh->stop();
        m_texts.release();
        m_list2->log().release();
        scrollLogDown();
    }
}

void RecoveryProcess::refreshPanel()
{
    applyFeed();
    measureSpeed(false);
    m_texts.apply();
    m_list2->log().release();
    scrollLogDown();
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
    fitChartMargin();
    PanelTexts::fitTitle(m_frame1);
}

void RecoveryProcess::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (m_list2 && (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)) {
        sizeFields();
        fitChartMargin();
    }
}

// The value fields are as wide as the longest value they show, in the current font and units.
void RecoveryProcess::sizeFields()
{
    // At the window's smallest size the counters take most of the height; the log keeps a line
    // (the latest is also the title of the counters' frame).
    m_list2->setMinimumHeight(m_list2->fontMetrics().lineSpacing() + 8);
    const QFontMetrics metrics = m_statR[0]->fontMetrics();
    const auto fit = [&metrics](QLineEdit* field, const QStringList& samples) {
        int widest = 0;
        for (const QString& sample : samples)
            widest = std::max(widest, metrics.horizontalAdvance(sample));
        // The frame and the text's margins of a line edit.
        field->setMinimumWidth(widest + 14);
    };
    // The widest size a field shows: four digits of megabytes, just under a gigabyte.
    const QString size = SizeText(1023.0 * 1024 * 1024);
    // The per-file fields line up in one column as wide as the widest of them.
    for (QLineEdit* field : m_statR)
        fit(field, {size + QStringLiteral(" / ") + size, speedText(1023.0 * 1024 * 1024)});
    fit(m_statT[0], {QStringLiteral("99999 / 99999")});
    fit(m_statT[1], {size});
    fit(m_timeLeft, {QStringLiteral("\u2014"), timeLeftText(45), timeLeftText(59 * 60),
                     timeLeftText(23 * 3600 + 59 * 60)});
}

// The speed chart ends half its top offset from the frame's right edge, as the fields begin
// from its left one.
void RecoveryProcess::fitChartMargin()
{
    QLayout* row = m_frame1->layout();
    const QMargins margins = row->contentsMargins();
    const int top = m_frame1->contentsMargins().top() + margins.top();
    const int right = std::max(0, top / 2 - m_frame1->contentsMargins().right());
    if (margins.right() != right)
        row->setContentsMargins(margins.left(), margins.top(), right, margins.bottom());
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
    else if (index == StartSlot)
        m_command1->setCaption(buttonCaption(StartSlot, "Start"));
    else if (index == StopSlot)
        m_command2->setCaption(buttonCaption(StopSlot, "Stop"));
    else if (index == TimeLeftSlot)
        m_timeLeftLabel->setText(captionOf(TimeLeftSlot));
    else if (index == PerSecondSlot)
        sizeFields();
}

void RecoveryProcess::setTimeUnits(const TimeLeftText::Units& units)
{
    m_timeUnits = units;
    sizeFields();
}

void RecoveryProcess::setClock(std::function<qint64()> now)
{
    if (now)
        m_now = std::move(now);
}

QString RecoveryProcess::timeLeftText(qint64 seconds) const
{
    if (m_timeUnits.seconds.isEmpty() || m_timeUnits.minutes.isEmpty() || m_timeUnits.hours.isEmpty())
        return TimeLeftText::text(seconds,
                                  {QStringLiteral("%1 s"), QStringLiteral("%1 min"), QStringLiteral("%1 h")});
    return TimeLeftText::text(seconds, m_timeUnits);
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
    m_feed = std::make_shared<RunFeed>();
    clearPanel();
    m_list2->log().clear();
    m_command1->setEnabled(false);
    m_command2->setEnabled(true);
    holdPanelPainting(true);

    if (m_bridge)
        m_bridge->detach();
    m_bridge = std::make_shared<PromptBridge>(this);
    m_rescueCounts = std::make_shared<RescueCounts>();
    RunCounts counts;
    counts.itemsCount = m_itemsCount;
    counts.corruptedFilesCount = m_corruptedFilesCount;
    auto run = std::make_shared<RecoveryRun>(RecoveryRun::Parts{m_job, m_damage, m_files, m_bridge, m_feed,
                                                                m_rescueCounts, static_cast<RunView*>(this)},
                                             m_sourcePath, m_destinationPath, counts);
    runOnWorker(run);
    applyFeed();
    measureSpeed(true);

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
    m_overallShare = percent / 100.0;
    const int shown = static_cast<int>(percent);
    m_texts.show(m_totalStat[3], QString::number(shown) + QLatin1Char('%'));
    m_texts.showValue(m_progressBar2, shown);
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
    m_texts.show(m_statT[0], entriesText(at.currentFile, at.itemsCount));
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

// Nothing of an earlier run stays on the panel: its counters, bars, chart, speed and the file
// it ended on.
void RecoveryProcess::clearPanel()
{
    for (QLineEdit* field : m_statR)
        m_texts.show(field, QString());
    m_texts.show(m_statT[0], entriesText(0, std::max(0, m_itemsCount)));
    m_texts.show(m_statT[1], SizeText(0));
    m_texts.show(m_totalStat[3], QStringLiteral("0%"));
    m_texts.show(m_timeLeft, QStringLiteral("\u2014"));
    m_texts.show(m_frame1, QString());
    m_texts.showValue(m_progressBar1, 0);
    m_texts.showValue(m_progressBar2, 0);
    m_speedChart1->startRun();
    m_rescueFile.clear();
    m_rescueLost = 0;
    m_rescueMoved = 0;
    m_overallShare = 0;
    m_speed.restart(m_now());
    m_speedShownMs = m_now();
}

// The run's speed over its last seconds, and the time left at that speed; shown twice a second
// and once more when the run has ended.
void RecoveryProcess::measureSpeed(bool runEnded)
{
    if (!m_feed)
        return;
    const qint64 now = m_now();
    m_speed.add(now, m_feed->moved() + m_rescueMoved);
    if (!runEnded && now - m_speedShownMs < SpeedShownMs)
        return;
    m_speedShownMs = now;
    const double speed = m_speed.bytesPerSecond();
    m_speedChart1->addReading(speed);
    m_texts.show(m_statR[2], speedText(speed));
    qint64 left = -1;
    if (!runEnded) {
        left = m_jobBytes > 0 ? m_speed.secondsLeft(m_jobBytes - static_cast<double>(m_speed.movedBytes()))
                              : m_speed.secondsLeftByShare(m_overallShare);
    }
    m_texts.show(m_timeLeft, left < 0 ? QStringLiteral("\u2014") : timeLeftText(left));
}

void RecoveryProcess::fileStarted(qint64 fileSize, qint64 startFrom)
{
    // A resumed file shows where the earlier run left it.
    const int percent =
        fileSize > 0
            ? static_cast<int>(100.0 * static_cast<double>(startFrom) / static_cast<double>(fileSize))
            : 0;
    m_texts.show(m_statR[0], SizeText(static_cast<double>(startFrom)) + QStringLiteral(" / ") +
                                 SizeText(static_cast<double>(fileSize)));
    m_texts.show(m_statR[1], QString());
    m_texts.show(m_statR[3], QString::number(percent) + QLatin1Char('%'));
    m_texts.showValue(m_progressBar1, percent);
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
    m_texts.showValue(m_progressBar1, percent);
    m_texts.show(m_statR[3], QString::number(percent) + QLatin1Char('%'));
    m_texts.show(m_statT[1], SizeText(at.totalCopiedBytes + static_cast<double>(p.currentFileBytes)));
    showOverall(100.0 / overallRatio);
}

void RecoveryProcess::blockUnreadable(const CopyProgress&)
{
    // The speed follows the bytes moved; an unreadable block moves none.
}

void RecoveryProcess::blockAdapted(const CopyProgress& p)
{
    m_texts.show(m_statR[1], SizeText(static_cast<double>(p.lost)));
    m_texts.show(m_statR[4], QString::number(p.blockSize) + QStringLiteral("b"));
}

void RecoveryProcess::rescueProgress(const QString& file, qint64 lost, qint64 fileSize)
{
    // What the rescue reads back of a file is data moved too.
    if (file == m_rescueFile && lost < m_rescueLost)
        m_rescueMoved += m_rescueLost - lost;
    m_rescueFile = file;
    m_rescueLost = lost;
    m_texts.show(m_statR[0], SizeText(static_cast<double>(fileSize - lost)) + QStringLiteral(" / ") +
                                 SizeText(static_cast<double>(fileSize)));
    m_texts.show(m_statR[1], SizeText(static_cast<double>(lost)));
    m_texts.show(m_frame1, file);
}
