#pragma once

#include "RecoveryMethod/BlockFiles.h"
#include "RecoveryMethod/CountingFileAccess.h"
#include "RecoveryMethod/DamageRecords.h"
#include "RecoveryMethod/PanelTexts.h"
#include "RecoveryMethod/RescueFile.h"
#include "RecoveryMethod/RunView.h"
#include "RecoveryMethod/SpeedMeter.h"
#include "RecoveryMethod/TimeLeftText.h"

#include "PackedTexts.h"

#include <QElapsedTimer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class PromptBridge;
class RecoveryJob;
class RecoveryRun;
class RunFeed;
struct RunCounts;
class QGroupBox;
class QLabel;
class QLineEdit;
class LogList;
class QProgressBar;
class QTimer;
class SpeedChart;
class isButton;

// The recovery engine: takes a job (a source root, a destination root and a numbered list of
// files and folders), creates the folders, copies every file with the block copier, records the
// damaged ones, logs the run in its panel and tells the host the outcome by one of its events.
// The run itself (RecoveryRun) goes on a worker thread; this control shows it and answers its
// questions, so the window stays live while a read hangs on a failing medium.
class RecoveryProcess : public QWidget, private RunView
{
    Q_OBJECT
    Q_PROPERTY(QString SourcePath READ SourcePath WRITE setSourcePath)
    Q_PROPERTY(QString DestinationPath READ DestinationPath WRITE setDestinationPath)
    Q_PROPERTY(bool isCopyingProcess READ isCopyingProcess WRITE setIsCopyingProcess)
    Q_PROPERTY(int CurrentFile READ CurrentFile WRITE setCurrentFile)
    Q_PROPERTY(double TotalCopiedBytes READ TotalCopiedBytes WRITE setTotalCopiedBytes)
    Q_PROPERTY(double TotalLostBytes READ TotalLostBytes WRITE setTotalLostBytes)
    Q_PROPERTY(int Items_Count READ Items_Count WRITE setItems_Count)
    Q_PROPERTY(int ItemsNotCopied_Count READ ItemsNotCopied_Count WRITE setItemsNotCopied_Count)
    Q_PROPERTY(int ItemsFolders_Count READ ItemsFolders_Count WRITE setItemsFolders_Count)
    Q_PROPERTY(int CorruptedFilesCount READ CorruptedFilesCount WRITE setCorruptedFilesCount)
    Q_PROPERTY(int FontCharSet READ FontCharSet WRITE setFontCharSet)
    Q_PROPERTY(double JobBytes READ JobBytes WRITE setJobBytes)
    Q_PROPERTY(int AbortWindowAnswer READ AbortWindowAnswer)

public:
    static constexpr int MaxItems = 1000000; // indexes of the job entries run from 1 to this

    explicit RecoveryProcess(QWidget* parent = nullptr);
    ~RecoveryProcess() override;

    // The job's roots. The destination of an entry is DestinationPath followed by the entry's
    // text after the first SourcePath().size() characters.
    QString SourcePath() const { return m_sourcePath; }
    void setSourcePath(const QString& path) { m_sourcePath = path; }
    QString DestinationPath() const { return m_destinationPath; }
    void setDestinationPath(const QString& path) { m_destinationPath = path; }

    bool isCopyingProcess() const { return m_isCopyingProcess; }
    void setIsCopyingProcess(bool copying) { m_isCopyingProcess = copying; }
    int CurrentFile() const { return m_currentFile; }
    void setCurrentFile(int n) { m_currentFile = n; }
    double TotalCopiedBytes() const { return m_totalCopiedBytes; }
    void setTotalCopiedBytes(double bytes) { m_totalCopiedBytes = bytes; }
    double TotalLostBytes() const { return m_totalLostBytes; }
    void setTotalLostBytes(double bytes) { m_totalLostBytes = bytes; }
    int Items_Count() const { return m_itemsCount; }
    void setItems_Count(int n) { m_itemsCount = n; }
    int ItemsNotCopied_Count() const { return m_itemsNotCopied; }
    void setItemsNotCopied_Count(int n) { m_itemsNotCopied = n; }
    int ItemsFolders_Count() const { return m_itemsFolders; }
    void setItemsFolders_Count(int n) { m_itemsFolders = n; }
    int CorruptedFilesCount() const { return m_corruptedFilesCount; }
    void setCorruptedFilesCount(int n) { m_corruptedFilesCount = n; }
    // The bytes the next run has to copy, when the host knows them (0 when not): the time left
    // is then that of the bytes still to copy at the current speed, else that of the share of
    // entries still to do at the pace so far.
    double JobBytes() const { return m_jobBytes; }
    void setJobBytes(double bytes) { m_jobBytes = bytes; }

    // The job entries, 1 to MaxItems; any other index throws std::out_of_range. A folder entry
    // is a Tab followed by the folder's full path, a file entry the file's full path.
    QString FileName(int index) const;
    void setFileName(int index, const QString& entry);
    // Entries 1 to entries.size() at once (entries.at(0) is entry 1), taking the list over, in
    // place of every entry set before; std::length_error for more than MaxItems.
    void setFileNames(Platform::PackedTexts entries);
    // Byte position reached in the entry by the last run.
    qint64 CopiedBytes(int index) const;
    void setCopiedBytes(int index, qint64 bytes);
    // Resume offset: bytes of the file processed by an earlier, paused run.
    qint64 StartPosition(int index) const;
    void setStartPosition(int index, qint64 bytes);
    // True when the file was copied to the end, or is the one at which the run was paused.
    bool isDone(int index) const;
    void setIsDone(int index, bool done);

    // The engine's text slots, 1 to 100 (std::out_of_range otherwise); 1 to 8 also set captions.
    void setLangValue(int index, const QString& text);
    int FontCharSet() const;
    void setFontCharSet(int charSet);
    // The words the time left is told in: plural forms of seconds, minutes and hours.
    void setTimeUnits(const TimeLeftText::Units& units);
    // The clock the run's speed is measured by, in milliseconds (a steady clock unless a test
    // gives its own).
    void setClock(std::function<qint64()> now);
    // The last answer of the abort dialog.
    int AbortWindowAnswer() const;

    // Runs the job; returns when the run has ended and its event was raised.
    void StartProcess();
    // Shows the abort dialog and returns when it is closed.
    void TerminateMe();

    // Writes the damage record of a file (see DamageRecords).
    bool RecCorruptedBlocks(int& corruptedFilesCount, qint64 file1Size, int fAttr, const QString& file,
                            const QString& file2, const CorBlockTable& corBlock, double copied,
                            const QString& fileDTV);
    // Shows `a` as the latest log line; appends it to the log or replaces the last line.
    void AddHRec(const QString& a, bool toAdd);
    // The file error in a Retry/Cancel box; true for Retry.
    bool ErrorMessages(int erCode);

    // The damage records written so far: rows 1 to DamageRecordCount() (std::out_of_range
    // otherwise), for the report and the history.
    int DamageRecordCount() const { return m_damage->rowCount(); }
    const DamageRecords::Row& DamageRecord(int n) const { return m_damage->row(n); }

    // Every read of the sources (both phases of every run) since the file access was set.
    const IoCounts& ReadCounts() const { return m_counted->counts(); }
    // The reads of the medium made by the last run's rescue of its damaged files.
    const RescueCounts& RescueReadCounts() const { return *m_rescueCounts; }

    // Replaces the file system the engine copies through (tests put a faulty medium behind it).
    void setFileAccess(std::shared_ptr<FileAccess> files);

Q_SIGNALS:
    void ProcessDone();
    void ProcessPaused();
    void ProcessAborted();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildPanel();
    void applyFonts();
    void sizeFields();
    void fitChartMargin();
    void clearPanel();
    void measureSpeed(bool runEnded);
    QString timeLeftText(qint64 seconds) const;
    void runOnWorker(const std::shared_ptr<RecoveryRun>& run);
    void endAbandonedRun(RecoveryRun& run);
    void takeCounts(const RunCounts& counts);
    void applyFeed();
    void showOverall(double percent);
    void holdPanelPainting(bool hold);
    void refreshPanel();
    void scrollLogDown();
    static void checkIndex(int index);

    // RunView
    void logLine(const QString& line, bool add) override;
    void logEntryLine(int entry, const QString& line, bool add) override;
    void entryEnded(const RunPosition& position) override;
    void overallShown(double percent) override;
    void fileStarted(qint64 fileSize, qint64 startFrom) override;
    void percentChanged(const CopyProgress& progress, const RunPosition& position) override;
    void blockUnreadable(const CopyProgress& progress) override;
    void blockAdapted(const CopyProgress& progress) override;
    void rescueProgress(const QString& file, qint64 lost, qint64 fileSize) override;
    bool askRetry(const Platform::FileError& error) override;
    bool askRetryMissingSource(const QString& file) override;
    bool askMediumGone() override;
    bool askOverwrite(const QString& destination) override;
    void destinationNotOpened(int systemError) override;
    void folderNotCreated() override;

    QString m_sourcePath = QStringLiteral("/");
    QString m_destinationPath = QStringLiteral("/tmp/");
    bool m_isCopyingProcess = false;
    int m_currentFile = 0;
    double m_totalCopiedBytes = 0;
    double m_totalLostBytes = 0;
    int m_itemsCount = 1;
    int m_itemsNotCopied = 0;
    int m_itemsFolders = 0;
    int m_corruptedFilesCount = 0;
    double m_jobBytes = 0;

    std::shared_ptr<RecoveryJob> m_job;
    std::shared_ptr<DamageRecords> m_damage;
    std::shared_ptr<CountingFileAccess> m_counted; // m_files, counted
    std::shared_ptr<FileAccess> m_files;
    std::shared_ptr<RescueCounts> m_rescueCounts; // of the current (or last) run
    std::shared_ptr<PromptBridge> m_bridge;       // of the current (or last) run
    std::shared_ptr<RunFeed> m_feed;              // of the current run

    // The progress panel.
    LogList* m_list2 = nullptr;
    QGroupBox* m_frame1 = nullptr;
    QWidget* m_frame2 = nullptr;
    QLabel* m_stat[5] = {};
    QLineEdit* m_statR[5] = {};
    QLineEdit* m_statT[2] = {};
    QLabel* m_totalStat[4] = {};
    QLabel* m_timeLeftLabel = nullptr;
    QLineEdit* m_timeLeft = nullptr;
    QProgressBar* m_progressBar1 = nullptr;
    QProgressBar* m_progressBar2 = nullptr;
    SpeedChart* m_speedChart1 = nullptr;
    isButton* m_command1 = nullptr;
    isButton* m_command2 = nullptr;
    PanelTexts m_texts;              // the fields' texts, set at each repaint during a run
    QTimer* m_refresh = nullptr;     // repaints the panel during a run
    bool m_panelHeld = false;        // the panel paints on m_refresh only
    bool m_logScrollPending = false; // a log line came since the list was last scrolled down

    // The run's speed and time left.
    QElapsedTimer m_clock;
    std::function<qint64()> m_now;
    SpeedMeter m_speed;
    qint64 m_speedShownMs = 0; // when the speed was last shown
    double m_overallShare = 0; // of the overall bar, 0 to 1
    QString m_rescueFile;      // the rescue's file in work, its bytes still lost,
    qint64 m_rescueLost = 0;   // and what the rescue read back in this run
    qint64 m_rescueMoved = 0;
    TimeLeftText::Units m_timeUnits;
};
