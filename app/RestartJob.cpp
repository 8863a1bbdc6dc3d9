#include "RestartJob.h"

#include "HistoryList.h"
#include "ReportsFile.h"
#include "TableEngine.h"

#include <QFileInfo>

#include <algorithm>

using namespace ReportsFile;

namespace RestartJob {

int restartRow(TableEngine& engine, const QString& path)
{
    if (!QFileInfo(path).isFile() || QFileInfo(path).size() == 0)
        return 0;
    try {
        const QString top = TableReference::of(path);
        const int rows = engine.GetRowCount(top);
        if (rows < 1)
            return 0;
        const int row = HistoryList::number(engine.GetCell(top, 0, RestartRowColumn));
        return row >= 1 && row <= rows ? row : 0;
    } catch (const TableError&) {
        return 0;
    }
}

std::optional<ResumeJob> load(TableEngine& engine, const QString& path)
{
    if (restartRow(engine, path) < 1)
        return std::nullopt;
    try {
        const QString table = TableReference::of(path, 0, ResumeJobColumn);
        if (engine.CheckTable(table) < 1)
            return std::nullopt;
        ResumeJob job;
        job.source = pathOfCell(engine.GetCellValue(table, 0, ResumeEntry));
        job.destination = pathOfCell(engine.GetCellValue(table, 0, ResumeStartPosition));
        const int rows = engine.GetRowCount(table);
        for (int row = 1; row <= rows; ++row) {
            const QString entry = pathOfCell(engine.GetCellValue(table, row, ResumeEntry));
            if (entry.isEmpty() || entry == QStringLiteral("\t"))
                continue;
            const qint64 start = engine.GetCellValue(table, row, ResumeStartPosition).toLongLong();
            job.entries.append({entry, std::max<qint64>(0, start)});
        }
        if (job.source.isEmpty() || job.destination.isEmpty() || job.entries.isEmpty())
            return std::nullopt;
        return job;
    } catch (const TableError&) {
        return std::nullopt;
    }
}

int problemText(const ResumeJob& job)
{
    if (!QFileInfo(job.source).isDir())
        return 33;
    if (!QFileInfo(job.destination).isDir())
        return 25;
    return 0;
}

} // namespace RestartJob
