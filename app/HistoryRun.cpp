#include "HistoryRun.h"

#include "RecoveryProcess.h"

#include <QSet>

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
        HistoryDamage d{r.file, r.file2, r.fileSize, r.copied, r.lostBytes, r.fileDTV, r.rangeList};
        d.skipped = r.skipped;
        run.damaged.append(d);
    }

    // Files the run reached but wrote nothing of (an existing copy kept, a source that could not
    // be opened) are named too, so that every file counted as not copied is in the details.
    QSet<QString> recorded;
    qint64 unnamed = engine.ItemsNotCopied_Count();
    for (const HistoryDamage& d : std::as_const(run.damaged)) {
        recorded.insert(d.source);
        if (d.copied < d.size)
            --unnamed;
    }
    for (int i = 1; i <= reached && unnamed > 0; ++i) {
        if (engine.isDone(i))
            continue;
        const QString entry = engine.FileName(i);
        if (entry.isEmpty() || entry.startsWith(QLatin1Char('\t')) || recorded.contains(entry))
            continue;
        HistoryDamage d;
        d.source = entry;
        d.destination = run.destination + entry.mid(run.source.size());
        d.notCopied = true;
        run.damaged.append(d);
        --unnamed;
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
