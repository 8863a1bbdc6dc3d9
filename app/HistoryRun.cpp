#include "HistoryRun.h"

#include "RecoveryProcess.h"

#include <algorithm>

HistoryRun HistoryRun::fromEngine(const RecoveryProcess& engine, bool stoppedEarly, bool canResume,
                                  const QDateTime& when)
{
    HistoryRun run;
    run.when = when;
    run.source = engine.SourcePath();
    run.destination = engine.DestinationPath();

    const qint64 count = std::clamp(engine.Items_Count(), 0, RecoveryProcess::MaxItems);
    // A run that stopped early never reached the entries after CurrentFile.
    const qint64 reached = stoppedEarly ? std::min<qint64>(engine.CurrentFile(), count) : count;
    // Files only: the folders the run created are entries too.
    run.files = std::max<qint64>(0, reached - engine.ItemsNotCopied_Count() -
                                        std::max(0, engine.ItemsFolders_Count()));
    run.totalBytes = engine.TotalCopiedBytes();
    run.lostBytes = engine.TotalLostBytes();
    run.badFiles = std::max(0, engine.CorruptedFilesCount());

    // The engine keeps its records for its lifetime; this run's are the first CorruptedFilesCount.
    const int records = std::min(engine.CorruptedFilesCount(), engine.DamageRecordCount());
    for (int n = 1; n <= records; ++n) {
        const DamageRecords::Row& r = engine.DamageRecord(n);
        run.damaged.append({r.file, r.file2, r.fileSize, r.copied, r.lostBytes, r.fileDTV, r.rangeList});
    }

    if (stoppedEarly && canResume && engine.CurrentFile() >= 1 && engine.CurrentFile() <= count) {
        ResumeJob job;
        job.source = run.source;
        job.destination = run.destination;
        for (int i = engine.CurrentFile(); i <= count; ++i)
            job.entries.append({engine.FileName(i), engine.StartPosition(i)});
        run.resume = job;
    }
    return run;
}
