#pragma once

#include "RunStatus.h"
#include "TextRegister.h"

#include <QRgb>
#include <QString>

// The counters of a finished run, as the recovery engine leaves them.
struct RunTotals
{
    qint64 itemsCount = 0;     // Items_Count
    qint64 itemsNotCopied = 0; // ItemsNotCopied_Count
    qint64 corruptedFiles = 0; // CorruptedFilesCount
    qint64 currentFile = 0;    // CurrentFile: where the run stopped, one past the last after a full run
    double totalCopiedBytes = 0;
    double totalLostBytes = 0;
    qint64 leftOut = 0; // items the selection walk could not take into the job
    qint64 folders = 0; // ItemsFolders_Count: folders the run created, which are entries too
};

// What the report page shows for one run.
struct RunSummary
{
    QString copied;                  // ConfermReportValue(0): files only
    QString folders;                 // ConfermReportValue(12)
    QString corrupted;               // ConfermReportValue(1)
    QString outcome;                 // ConfermReportValue(2)
    QString copiedBytes;             // ConfermReportValue(4)
    QString lostBytes;               // ConfermReportValue(5)
    QString filesLeft;               // ConfermReportValue(9)
    QString notCopied;               // ConfermReportValue(10)
    QString leftOut;                 // ConfermReportValue(11)
    bool resumeFrameVisible = false; // ReportPageDiv(2)
    RunStatus::State state = RunStatus::State::Completed;
    QRgb headlineColour = 0; // Tips(2)
    QString headline;        // Tips(2)
};

// The report of a run that ended normally (stoppedEarly false), was paused (true, true) or was
// aborted (true, false). A run that went to its end is "Completed" only when the selection walk
// took everything.
RunSummary summariseRun(const RunTotals& totals, bool stoppedEarly, bool canResume,
                        const TextRegister& texts);
