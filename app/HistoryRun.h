#pragma once

#include "RunStatus.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

class RecoveryProcess;

// One damaged file of a run, as the recovery engine recorded it.
struct HistoryDamage
{
    QString source;      // full source path
    QString destination; // full destination path
    qint64 size = 0;     // source length
    qint64 copied = 0;   // byte position the copy reached
    qint64 lostBytes = 0;
    QString date;           // last-modified date and time of the source
    QString ranges;         // " 1 - 8192, 16385 - 24576,"
    QString leftOut;        // set instead for an item the run left out: why (source is its path)
    bool skipped = false;   // the user skipped the rest of the file (copied is where it stopped)
    bool notCopied = false; // nothing was written: the copy there was kept, or the source not opened

    // A file the copy did not reach the end of, for a reason other than a skip.
    bool partial() const { return leftOut.isEmpty() && !notCopied && !skipped && copied < size; }

    bool operator==(const HistoryDamage&) const = default;
};

// What is left of a paused run: the entries from the one it stopped in to the last, the first
// resuming at the byte it reached.
struct ResumeJob
{
    struct Entry
    {
        QString entry;            // a file path, or a Tab and a folder path
        qint64 startPosition = 0; // bytes already copied by the paused run
        bool operator==(const Entry&) const = default;
    };

    QString source;      // SourcePath of the run
    QString destination; // DestinationPath of the run
    QList<Entry> entries;

    bool operator==(const ResumeJob&) const = default;
};

// Everything the history keeps of one run.
struct HistoryRun
{
    QDateTime when;
    QString source;
    QString destination;
    qint64 files = 0; // files copied (folders not counted)
    double totalBytes = 0;
    double lostBytes = 0;
    qint64 badFiles = 0;                                  // damaged files, as counted by the engine
    RunStatus::State state = RunStatus::State::Completed; // how the run ended
    QList<HistoryDamage> damaged;
    QList<HistoryDamage> leftOut;    // what the selection walk could not take, with the reason
    std::optional<ResumeJob> resume; // set for a paused run that left entries to copy
    // A run that does not replace the run the menu offers to finish (a refresh of damaged files).
    bool keepRestart = false;

    // The run the engine has just ended. A paused run (stoppedEarly and canResume) keeps its
    // remaining entries so that it can be run again later.
    static HistoryRun fromEngine(const RecoveryProcess& engine, bool stoppedEarly, bool canResume,
                                 const QDateTime& when);
};
