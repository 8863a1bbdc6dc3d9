#include "RecoveryProcess.h"

#include "EngineAnswers.h"
#include "EngineMessages.h"
#include "EngineTexts.h"
#include "IfFileExist.h"
#include "IoWorker.h"
#include "LogList.h"
#include "PosixFileAccess.h"
#include "Prompt.h"
#include "SizeText.h"
#include "SpeedChart.h"
#include "isButton.h"
#include "toAbortProcess.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QResizeEvent>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <functional>
#include <stdexcept>

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

const QChar Tab(9);

QString captionOf(int slot)
{
    const QString text = EngineTexts::slot(slot);
    return text.isEmpty() ? QString() : text + QLatin1Char(':');
}

QString SizeText(double bytes)
{
    return Platform::sizeText(bytes);
}

template <class T>
T valueAt(const std::vector<T>& values, int index)
{
    return static_cast<size_t>(index) <= values.size() ? values[static_cast<size_t>(index - 1)] : T{};
}

template <class T, class V>
void store(std::vector<T>& values, int index, V value)
{
    if (values.size() < static_cast<size_t>(index))
        values.resize(static_cast<size_t>(index));
    values[static_cast<size_t>(index - 1)] = value;
}

} // namespace

RecoveryProcess::RecoveryProcess(QWidget* parent)
    : QWidget(parent)
    , m_counted(std::make_shared<CountingFileAccess>(std::make_shared<PosixFileAccess>()))
    , m_files(m_counted)
    , m_io(std::make_unique<IoWorker>())
    , m_copier(std::make_unique<BlockCopier>(static_cast<CopyHost&>(*this), m_files))
{
    setObjectName(QStringLiteral("RecoveryProcess"));
    RescuePhase::Hooks hooks;
    hooks.log = [this](const QString& line, bool add) { AddHRec(line, add); };
    hooks.progress = [this](const QString& file, qint64 lost, qint64 fileSize) {
        m_texts.show(m_statR[0], SizeText(static_cast<double>(fileSize - lost)) + QStringLiteral(" / ") +
                                     SizeText(static_cast<double>(fileSize)));
        m_texts.show(m_statR[1], SizeText(static_cast<double>(lost)));
        m_texts.show(m_frame1, file);
    };
    hooks.askMediumGone = [this] { return askMediumGone(); };
    hooks.done = [this](const RescuePhase::Item& item, const ByteRangeSet& lost, qint64 recovered) {
        m_totalLostBytes += static_cast<double>(lost.bytes() - item.firstPassLost);
        m_totalCopiedBytes += static_cast<double>(recovered);
        if (item.record < 1 || item.record > m_damage.rowCount())
            return;
        if (lost.isEmpty())
            m_recoveredRecords.push_back(item.record);
        else
            m_damage.updateRanges(item.record, lost.ranges(), item.fileSize);
    };
    m_rescue = std::make_unique<RescuePhase>(static_cast<CopyHost&>(*this), this, std::move(hooks));
    m_rescue->setFileAccess(m_files);
    buildPanel();
    applyFonts();
    setMinimumSize(620, 420);
    resize(700, 520);
}

RecoveryProcess::~RecoveryProcess() = default;

void RecoveryProcess::buildPanel()
{
    m_list2 = new LogList(this);
    m_list2->setObjectName(QStringLiteral("List2"));
    // One line per entry: with every row the height of the first, adding a line to a long log
    // does not measure all the lines before it again.
    m_list2->setUniformItemSizes(true);

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
        m_list2->hold();
        m_texts.hold();
        setPanelUpdates(false);
        m_refresh->start();
    } else {
        m_refresh->stop();
        m_texts.release();
        m_list2->release();
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
    m_texts.apply();
    m_list2->release();
    scrollLogDown();
    setPanelUpdates(true);
    repaint();
    setPanelUpdates(false);
    m_list2->hold();
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
    return valueAt(m_fileNames, index);
}

void RecoveryProcess::setFileName(int index, const QString& entry)
{
    checkIndex(index);
    store(m_fileNames, index, entry);
}

qint64 RecoveryProcess::CopiedBytes(int index) const
{
    checkIndex(index);
    return valueAt(m_copiedBytes, index);
}

void RecoveryProcess::setCopiedBytes(int index, qint64 bytes)
{
    checkIndex(index);
    store(m_copiedBytes, index, bytes);
}

qint64 RecoveryProcess::StartPosition(int index) const
{
    checkIndex(index);
    return valueAt(m_startPositions, index);
}

void RecoveryProcess::setStartPosition(int index, qint64 bytes)
{
    checkIndex(index);
    store(m_startPositions, index, bytes);
}

bool RecoveryProcess::isDone(int index) const
{
    checkIndex(index);
    return static_cast<size_t>(index) <= m_isDone.size() && m_isDone[static_cast<size_t>(index - 1)];
}

void RecoveryProcess::setIsDone(int index, bool done)
{
    checkIndex(index);
    store(m_isDone, index, done);
}

void RecoveryProcess::setFileAccess(std::shared_ptr<FileAccess> files)
{
    if (m_isCopyingProcess || !files)
        return;
    m_counted = std::make_shared<CountingFileAccess>(std::move(files));
    m_files = m_counted;
    m_copier = std::make_unique<BlockCopier>(static_cast<CopyHost&>(*this), m_files);
    m_rescue->setFileAccess(m_files);
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
    // A stretch of blocks being copied stops after its current block while the question is open.
    ++m_dialogsOpen;
    Prompt::exec(dialog);
    --m_dialogsOpen;
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
    if (toAdd || m_list2->count() == 0)
        m_list2->addItem(a);
    else
        m_list2->item(m_list2->count() - 1)->setText(a);
    m_logScrollPending = true;
    if (!m_panelHeld)
        scrollLogDown();
}

bool RecoveryProcess::RecCorruptedBlocks(int& corruptedFilesCount, qint64 file1Size, int fAttr,
                                         const QString& file, const QString& file2,
                                         const CorBlockTable& corBlock, double copied, const QString& fileDTV)
{
    return m_damage.RecCorruptedBlocks(corruptedFilesCount, file1Size, fAttr, file, file2, corBlock, copied,
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
    m_quitting = false;
    setOverwriteAnswer(Overwrite::None);
    EngineAnswers::setAbortAnswer(Abort::Continue);
    m_totalCopiedBytes = 0;
    m_totalLostBytes = 0;
    m_texts.show(m_totalStat[3], QStringLiteral("0%"));
    m_progressBar2->setValue(0);
    m_list2->clear();
    m_command1->setEnabled(false);
    m_command2->setEnabled(true);
    holdPanelPainting(true);

    AddHRec(EngineTexts::slot(14), true);

    const int n = std::min(m_itemsCount, MaxItems);
    m_currentFile = 1;
    m_rescue->clear();
    m_recoveredRecords.clear();
    bool stopped = false;
    while (m_currentFile <= n) {
        m_currentFileBytes = 0;
        m_entryBytesRead = 0;
        // No source is read ahead of its copy: on a damaged medium the kernel's background reads
        // of a later file spend the medium's retries on reads that no count or record sees.
        yield();
        const QString entry = FileName(m_currentFile);

        const bool folder = entry.startsWith(Tab);
        const EntryEnd end = folder ? processFolder(entry) : processFile(entry);
        if (folder && end == EntryEnd::LeaveLoop)
            break;
        // The next source is looked up and opened while this entry is finished on the panel.
        if (end == EntryEnd::Next && m_itemsCount != -1 && !m_quitting && m_currentFile < n &&
            !holdRequested()) {
            const QString next = FileName(m_currentFile + 1);
            if (!next.isEmpty() && !next.startsWith(Tab))
                m_copier->openSoon(next, destinationOf(next));
        }

        m_totalCopiedBytes += m_entryBytesRead;
        m_texts.show(m_statT[0], QString::number(m_currentFile) + QStringLiteral(" /") + QLatin1Char(' ') +
                                     QString::number(m_itemsCount));
        m_texts.show(m_statT[1], SizeText(m_totalCopiedBytes));
        showOverall(100.0 / (static_cast<double>(n) / static_cast<double>(m_currentFile)));

        if (m_itemsCount == -1)
            break; // the destination could not be opened
        if (end == EntryEnd::StopRun) {
            // This entry is where a later run resumes.
            const qint64 reached = std::llround(m_currentFileBytes);
            setCopiedBytes(m_currentFile, reached);
            setIsDone(m_currentFile, true);
            setStartPosition(m_currentFile, reached);
            stopped = true;
            break;
        }
        if (m_quitting) {
            // The program is ending while a call hangs in the kernel: no further entry is tried.
            stopped = true;
            break;
        }
        ++m_currentFile;
    }

    if (stopped) {
        const int last = std::min(m_itemsCount, MaxItems);
        for (int j = m_currentFile + 1; j <= last; ++j) {
            setCopiedBytes(j, 0);
            setIsDone(j, false);
            setStartPosition(j, 0);
            showOverall(100.0 / (static_cast<double>(m_itemsCount) / static_cast<double>(j)));
            if (!m_quitting)
                yield();
        }
    }

    m_copier->dropSoon();
    if (!stopped && m_itemsCount != -1 && !m_quitting)
        rescueDamagedFiles();
    AddHRec(EngineTexts::slot(5), true);
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

RecoveryProcess::EntryEnd RecoveryProcess::processFolder(const QString& entry)
{
    const QString path = entry.mid(1);
    const QString destination = destinationOf(path);
    AddHRec(EngineTexts::slot(9) + QStringLiteral(": ") + QLatin1Char('"') + destination + QLatin1Char('"') +
                QLatin1Char('.'),
            true);
    auto made = std::make_shared<bool>(false);
    const bool waited =
        runIo([files = m_files, destination, made] { *made = files->makeFolder(destination); });
    if (!waited || !*made) {
        EngineMessages::folderNotCreated(this);
        return EntryEnd::LeaveLoop;
    }
    ++m_itemsFolders;
    return EntryEnd::Next;
}

RecoveryProcess::EntryEnd RecoveryProcess::processFile(const QString& entry)
{
    const QString sep = QStringLiteral(" - ");
    AddHRec(entry + QStringLiteral("..."), true);
    const QString destination = destinationOf(entry);
    const int i = m_currentFile;

    if (!m_copier->OpenSourceFile(entry, destination)) {
        AddHRec(EngineTexts::slot(10) + QStringLiteral(": ") + entry, false);
        setIsDone(i, false);
        setCopiedBytes(i, StartPosition(i));
        ++m_itemsNotCopied;
        // The medium went away and the user chose to stop.
        if (EngineAnswers::abortAnswer() == Abort::Stop)
            return EntryEnd::StopRun;
        return EntryEnd::Next;
    }

    // Hidden files count: an existing file is never written without the question.
    const bool exists = m_copier->destinationExists();
    const qint64 startFrom = StartPosition(i);

    int result = BlockCopier::NotFinished;
    if (!exists || startFrom != 0) {
        AddHRec(entry + sep + EngineTexts::slot(21), false);
        result = copyFile(entry, destination, startFrom);
        setIsDone(i, result == BlockCopier::Finished);
        if (result == BlockCopier::Finished && m_copier->lostBytes() > 0) {
            AddHRec(entry + sep + EngineTexts::slot(40) + QStringLiteral(": ") +
                        SizeText(static_cast<double>(m_copier->lostBytes())),
                    false);
        } else if (result == BlockCopier::Finished) {
            AddHRec(entry + QStringLiteral(" - ok"), false);
        } else {
            ++m_itemsNotCopied;
            AddHRec(entry + sep + EngineTexts::slot(m_copier->sourceChanged() ? 44 : 33), false);
        }
        setCopiedBytes(i, std::llround(m_currentFileBytes));
    } else {
        bool closedWithoutAnswer = false;
        if (overwriteAnswer() < Overwrite::All) {
            IfFileExist dialog(this);
            dialog.setExFile(destination);
            Prompt::exec(dialog);
            closedWithoutAnswer = dialog.clickedIndex() == 0;
        }
        const int answer = overwriteAnswer();
        // Closing the question without an answer keeps the existing file.
        if (!closedWithoutAnswer && answer != Overwrite::Skip && answer != Overwrite::SkipAll) {
            AddHRec(entry + sep + EngineTexts::slot(20), false);
            runIo([files = m_files, destination] { files->remove(destination); });
            result = copyFile(entry, destination, 0);
            setIsDone(i, result == BlockCopier::Finished);
            if (result == BlockCopier::Finished && m_copier->lostBytes() > 0) {
                AddHRec(entry + sep + EngineTexts::slot(40) + QStringLiteral(": ") +
                            SizeText(static_cast<double>(m_copier->lostBytes())),
                        false);
            } else if (result == BlockCopier::Finished) {
                AddHRec(entry + sep + EngineTexts::slot(32), false);
            } else {
                ++m_itemsNotCopied;
                AddHRec(entry + sep + EngineTexts::slot(m_copier->sourceChanged() ? 44 : 33), false);
            }
            setCopiedBytes(i, std::llround(m_currentFileBytes));
        } else {
            m_copier->closeAll();
            AddHRec(entry + sep + EngineTexts::slot(12), false);
            setIsDone(i, false);
            setCopiedBytes(i, startFrom);
            ++m_itemsNotCopied;
        }
    }
    return result == BlockCopier::StopRun ? EntryEnd::StopRun : EntryEnd::Next;
}

int RecoveryProcess::copyFile(const QString& entry, const QString& destination, qint64 startFrom)
{
    int minBlockSize = 512;
    m_damaged.reset();
    const int result = Copying(entry, destination, minBlockSize, startFrom);
    m_currentFileBytes = static_cast<double>(m_copier->CurrentFileBytes());
    m_totalLostBytes += static_cast<double>(m_copier->lostBytes());
    // What the copy holds that was read: the position reached less the ranges given up before it.
    ByteRangeSet lostBefore(m_copier->corBlock().rows());
    lostBefore.clampTo(m_copier->CurrentFileBytes());
    m_entryBytesRead = static_cast<double>(m_copier->CurrentFileBytes() - lostBefore.bytes());
    // A file copied to its end with given-up ranges is read again when the first pass is over.
    if (result == BlockCopier::Finished && m_damaged && !m_damaged->givenUp.isEmpty()) {
        m_damaged->firstPassLost = m_copier->lostBytes();
        m_rescue->add(*m_damaged);
    }
    m_damaged.reset();
    return result;
}

bool RecoveryProcess::OpenSourceFile(const QString& file)
{
    return m_copier->OpenSourceFile(file);
}

int RecoveryProcess::Copying(const QString& file, const QString& file2, int& minBlockSize, qint64 startFrom)
{
    const int result = m_copier->Copying(file, file2, minBlockSize, startFrom);
    m_currentFileBytes = static_cast<double>(m_copier->CurrentFileBytes());
    return result;
}

QString RecoveryProcess::destinationOf(const QString& path) const
{
    return m_destinationPath + path.mid(m_sourcePath.size());
}

void RecoveryProcess::showOverall(double percent)
{
    const int shown = static_cast<int>(percent);
    m_texts.show(m_totalStat[3], QString::number(shown) + QLatin1Char('%'));
    m_progressBar2->setValue(shown);
}

// --- what the block copier asks of the control -----------------------------------------------

bool RecoveryProcess::runIo(const std::function<void()>& call)
{
    if (m_io->run(call))
        return true;
    m_quitting = true;
    return false;
}

bool RecoveryProcess::startIo(const std::function<void()>& call)
{
    if (m_io->start(call))
        return true;
    m_quitting = true;
    return false;
}

bool RecoveryProcess::waitIo()
{
    if (m_io->wait())
        return true;
    m_quitting = true;
    return false;
}

void RecoveryProcess::yield()
{
    QCoreApplication::processEvents();
}

bool RecoveryProcess::holdRequested() const
{
    return m_dialogsOpen.load() > 0 || EngineAnswers::abortAnswer() != Abort::Continue;
}

int RecoveryProcess::abortAnswer() const
{
    return EngineAnswers::abortAnswer();
}

void RecoveryProcess::setAbortAnswer(int answer)
{
    EngineAnswers::setAbortAnswer(answer);
}

bool RecoveryProcess::askRetry(const Platform::FileError& error)
{
    if (RescuePass::mediumGone(error.systemError))
        return askMediumGone();
    return EngineMessages::errorMessage(error, this);
}

bool RecoveryProcess::askRetryMissingSource(const QString&)
{
    // Every file is missing when the whole medium went away: one question for the run.
    if (sourceMediumGone())
        return askMediumGone();
    return EngineMessages::missingSource(this);
}

// The source medium went away: Retry, or the run stops (no box for every file left).
bool RecoveryProcess::askMediumGone()
{
    if (EngineMessages::mediumGone(this))
        return true;
    EngineAnswers::setAbortAnswer(Abort::Stop);
    return false;
}

bool RecoveryProcess::sourceMediumGone()
{
    auto gone = std::make_shared<bool>(false);
    runIo([files = m_files, root = m_sourcePath, gone] { *gone = !files->exists(root); });
    return *gone;
}

void RecoveryProcess::destinationNotOpened(const QString&, const Platform::FileError& error)
{
    EngineMessages::unableToContinue(this, error.systemError);
    m_itemsCount = -1;
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

void RecoveryProcess::percentChanged(const CopyProgress& p)
{
    const int percent = static_cast<int>(p.filePercent);
    m_texts.show(m_statR[0], SizeText(static_cast<double>(p.currentFileBytes)) + QStringLiteral(" / ") +
                                 SizeText(static_cast<double>(p.fileSize)));
    if (p.lost > 0)
        m_texts.show(m_statR[1], SizeText(static_cast<double>(p.lost)));
    m_texts.show(m_statR[4], QString::number(p.blockSize) + QStringLiteral(" b"));

    const double overallRatio =
        (static_cast<double>(m_itemsCount) + 1.0) /
        (static_cast<double>(m_currentFile) + static_cast<double>(p.filePercent) / 100.0);
    if (p.currentFileBytes > 0)
        m_speedChart1->AddSample(static_cast<double>(p.currentFileBytes));
    m_progressBar1->setValue(percent);
    m_texts.show(m_statR[2], SizeText(m_speedChart1->Speed()) + QStringLiteral("/s"));
    m_texts.show(m_statR[3], QString::number(percent) + QLatin1Char('%'));
    m_texts.show(m_statT[1], SizeText(m_totalCopiedBytes + static_cast<double>(p.currentFileBytes)));
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

bool RecoveryProcess::recordDamage(const FileDamage& damage)
{
    const int before = m_damage.rowCount();
    const bool written =
        RecCorruptedBlocks(m_corruptedFilesCount, damage.fileSize, damage.fileAttr, damage.file, damage.file2,
                           *damage.corBlock, static_cast<double>(damage.copied), damage.fileDTV);
    m_damaged = RescuePhase::Item{damage.file,
                                  damage.file2,
                                  damage.fileSize,
                                  damage.corBlock->rows(),
                                  written && m_damage.rowCount() > before ? m_corruptedFilesCount : 0,
                                  m_copier->lostBytes()};
    return written;
}

// The rescue phase: the given-up ranges of the run's damaged files, read again sector by sector.
void RecoveryProcess::rescueDamagedFiles()
{
    if (m_rescue->isEmpty())
        return;
    m_rescue->run();
    // Files brought back whole keep no damage record; later records move up.
    std::sort(m_recoveredRecords.begin(), m_recoveredRecords.end(), std::greater<>());
    for (const int record : m_recoveredRecords) {
        m_damage.removeRow(record);
        --m_corruptedFilesCount;
    }
    m_recoveredRecords.clear();
}
