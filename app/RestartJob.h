#pragma once

#include "HistoryRun.h"

#include <QString>

#include <optional>

class TableEngine;

// The run the main menu offers to run again ("Run the last recovery again"): the last run of
// the history when it was paused with entries left. Row 0, column 9 of the history holds that
// run's row (0 when there is none) and row 0, column 10 its remaining entries, so the entry is
// offered only while there is something to finish, and it always runs exactly those entries
// into the folder they were going to.
namespace RestartJob {

// The row the restart cell names; 0 when the file is missing, empty, unreadable or names none.
int restartRow(TableEngine& engine, const QString& path);

// The saved entries of that run; nullopt when the menu has nothing to offer (no restart row, no
// saved entries, or a file that cannot be read).
std::optional<ResumeJob> load(TableEngine& engine, const QString& path);

// Why the job cannot run now: 0 when it can, else the number of the text to show (33 when
// its source is gone, 25 when its destination folder is).
int problemText(const ResumeJob& job);

} // namespace RestartJob
