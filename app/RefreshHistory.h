#pragma once

#include "HistoryList.h"
#include "HistoryRun.h"
#include "RefreshRun.h"

#include <QDateTime>
#include <QList>
#include <QString>

class TableEngine;
class TextRegister;

// Between the history and a refresh of one of its runs: which damaged files are read again, when
// that run ended, and the run the refresh adds to the history.
namespace RefreshHistory {

struct Plan
{
    QList<HistoryDamage> rows; // the run's damaged files that have something to read again
    QList<RefreshFile> files;  // the same files, in the same order, as the refresh reads them
};

// The damaged files of a run's detail rows: each copy once, only rows with lost bytes and a range
// list that can be read; items the run left out are not files to read again.
Plan plan(const QList<HistoryDamage>& details);

// When the run of a listed row ended: the exact time stored with it; for rows written without it,
// the end of the minute its date and time show, read in the user's locale. Invalid when neither can
// be read.
QDateTime runEnded(TableEngine& engine, const QString& historyPath, const HistoryList::Item& item);

// The history row of a refresh that has ended: the files it read, the bytes it recovered, every
// file of the plan with what is still lost now (0 for a file now whole, the earlier loss for one it
// did not reach), and the copies it left alone as items left out, with the reason.
HistoryRun historyRun(const HistoryList::Item& item, const Plan& plan, const RefreshRun& refresh,
                      const QDateTime& when, const TextRegister& texts);

// What the user is told at the end: bytes recovered and still lost, files now whole, copies left
// alone, files that could not be read, and how the reading ended.
QString summary(const HistoryRun& run, const RefreshRun& refresh, RefreshRun::Outcome outcome,
                const TextRegister& texts);

} // namespace RefreshHistory
