#pragma once

#include "RecoveryMethod/CopyHost.h"

#include "FileError.h"

#include <QString>

// Where the run stands in the job, for the overall displays.
struct RunPosition
{
    int currentFile = 0;
    int itemsCount = 0;          // as the host set it, or -1 once the destination could not be opened
    int lastEntry = 0;           // the last entry of the run
    double totalCopiedBytes = 0; // the files before the current one
};

// The window's side of a run: what it shows and what it asks. A run on its worker thread never
// calls it directly; its displays go through the RunFeed and its questions through the
// PromptBridge, so every call arrives on the window's thread.
class RunView
{
public:
    virtual ~RunView() = default;

    // Shows `line` as the latest log line; appends it to the log or replaces the last line.
    virtual void logLine(const QString& line, bool add) = 0;
    // The same for a line about job entry `entry`: LogModel::EntryMark in `line` stands for its path.
    virtual void logEntryLine(int entry, const QString& line, bool add) = 0;
    // An entry ended: the entry counter, the total copied and the overall progress.
    virtual void entryEnded(const RunPosition& position) = 0;
    // The overall progress in percent.
    virtual void overallShown(double percent) = 0;
    // A file starts; its copy begins after startFrom bytes (a resume), 0 for a fresh copy.
    virtual void fileStarted(qint64 fileSize, qint64 startFrom) = 0;
    virtual void percentChanged(const CopyProgress& progress, const RunPosition& position) = 0;
    virtual void blockUnreadable(const CopyProgress& progress) = 0;
    virtual void blockAdapted(const CopyProgress& progress) = 0;
    // The rescue phase: the file in work and the bytes of it still lost.
    virtual void rescueProgress(const QString& file, qint64 lost, qint64 fileSize) = 0;

    // Retry/Cancel for a file error or a missing source; true for Retry.
    virtual bool askRetry(const Platform::FileError& error) = 0;
    virtual bool askRetryMissingSource(const QString& file) = 0;
    // The source medium went away; true for Retry.
    virtual bool askMediumGone() = 0;
    // The overwrite question for an existing destination; true when it was closed without an
    // answer (the answer itself is EngineAnswers::overwriteAnswer()).
    virtual bool askOverwrite(const QString& destination) = 0;
    // The run cannot go on: the destination could not be opened (`systemError` says why, 0 when
    // unknown), or a folder not created.
    virtual void destinationNotOpened(int systemError) = 0;
    virtual void folderNotCreated() = 0;
};
