#include "HistoryList.h"

#include "ReportsFile.h"
#include "TableEngine.h"
#include "TextIds.h"
#include "TextRegister.h"

#include <QFileInfo>

#include <algorithm>

using namespace ReportsFile;

QStringList HistoryList::headers()
{
    return {QStringLiteral("Date"),        QStringLiteral("Time"),       QStringLiteral("Source"),
            QStringLiteral("Destination"), QStringLiteral("Files"),      QStringLiteral("Total Bytes"),
            QStringLiteral("Bad Files"),   QStringLiteral("Lost Bytes"), QStringLiteral("R"),
            QStringLiteral("Q"),           QStringLiteral("Status")};
}

QStringList HistoryList::headers(const TextRegister& texts)
{
    QStringList shown = headers();
    for (int c = 0; c < 8; ++c)
        if (const QString text = texts.text(282 + c); !text.isEmpty())
            shown[c] = text;
    if (const QString text = texts.text(TextId::HistoryStatusHeader); !text.isEmpty())
        shown[StatusColumn] = text;
    return shown;
}

QList<int> HistoryList::headerWidths()
{
    return {1000, 1000, -1, -1, 1000, 1000, 1000, 1000, 0, 0, 1000};
}

QString HistoryList::Item::statusText(const TextRegister& language) const
{
    // A paused run that was finished or replaced since cannot be resumed any more.
    if (state == RunStatus::State::Paused && !resumable)
        return language.text(TextId::StatusPausedEarlier);
    return RunStatus::text(state, language);
}

QString HistoryList::loadFailureText()
{
    return QStringLiteral("Unable to load Recovery History!");
}

QString HistoryList::loadFailureText(const TextRegister& texts)
{
    const QString text = texts.text(290);
    return text.isEmpty() ? loadFailureText() : text;
}

int HistoryList::number(const QString& text)
{
    // The leading number of the text, as a numeric conversion reads it: blanks skipped, an
    // optional sign, digits; 0 when there is none.
    qsizetype pos = 0;
    while (pos < text.size() && text.at(pos).isSpace())
        ++pos;
    const qsizetype start = pos;
    if (pos < text.size() && (text.at(pos) == QLatin1Char('-') || text.at(pos) == QLatin1Char('+')))
        ++pos;
    while (pos < text.size() && text.at(pos) >= QLatin1Char('0') && text.at(pos) <= QLatin1Char('9'))
        ++pos;
    bool ok = false;
    const qlonglong value = text.mid(start, pos - start).toLongLong(&ok);
    if (!ok)
        return 0;
    return static_cast<int>(std::clamp<qlonglong>(value, -1000000000, 1000000000));
}

HistoryList::Loaded HistoryList::load(TableEngine& engine, const QString& path)
{
    Loaded result;
    const QFileInfo file(path);
    if (!file.exists())
        return result;
    // A file of no bytes was never written to: there is no history yet.
    if (file.isFile() && file.size() == 0)
        return result;

    const QString top = TableReference::of(path);
    try {
        if (engine.CheckTable(top) < 1) {
            result.outcome = Outcome::Unreadable;
            return result;
        }
        const int n = engine.GetRowCount(top);
        if (n == 0)
            return result;
        const int restartRow = number(engine.GetCell(top, 0, RestartRowColumn));
        for (int j = 1; j <= n; ++j) {
            const int row = n - j + 1;
            const QString date = engine.GetCell(top, row, DateColumn);
            if (date.isEmpty())
                continue;
            Item item;
            item.row = row;
            item.texts.append(date);
            for (int column = TimeColumn; column <= LostBytesColumn; ++column)
                item.texts.append(engine.GetCell(top, row, column));
            if (!engine.GetCell(top, row, DetailsColumn).isEmpty()) {
                const int v = number(engine.GetCell(top, row, DamagedCountColumn));
                item.texts.append(QString::number(row));
                item.texts.append(QString::number(v));
                item.colour = v >= 1 ? RefreshableColour : NotRefreshableColour;
            } else {
                item.texts.append(QStringLiteral("0"));
                item.texts.append(QStringLiteral("0"));
                item.colour = PlainColour;
            }
            item.resumable = row == restartRow;
            // Rows written before the history kept how runs ended say so, unless the restart
            // entry shows the run was paused: nothing else tells a stopped run from a whole one.
            const auto stored = RunStatus::fromStoredName(engine.GetCell(top, row, RunStateColumn));
            item.state = stored           ? *stored
                         : item.resumable ? RunStatus::State::Paused
                                          : RunStatus::State::NotRecorded;
            result.items.append(item);
        }
    } catch (const TableError&) {
        result.items.clear();
        result.outcome = Outcome::Unreadable;
        return result;
    }
    result.outcome = Outcome::Loaded;
    return result;
}

HistoryList::Buttons HistoryList::buttonsFor(const Item* selected)
{
    if (!selected)
        return {};
    return {number(selected->r()) != 0, number(selected->q()) >= 1};
}

QString HistoryList::detailsReference(const QString& appFolder, const Item& item)
{
    const int row = number(item.r());
    if (row == 0)
        return {};
    return TableReference::of(pathIn(appFolder), row, DetailsColumn);
}

std::optional<ResumeJob> HistoryList::refreshJob(const Item& item, const QList<HistoryDamage>& damaged)
{
    ResumeJob job;
    job.source = item.texts.value(SourceColumn - 1);
    job.destination = item.texts.value(DestinationColumn - 1);
    if (job.source.isEmpty() || job.destination.isEmpty())
        return std::nullopt;
    QStringList seen;
    for (const HistoryDamage& d : damaged) {
        if (!d.leftOut.isEmpty() || d.notCopied)
            continue; // the walk could not take it, or the user kept the copy there
        // Only files of this run's source: the destination of an entry is built from its path.
        if (!d.source.startsWith(job.source) || d.source.size() == job.source.size() ||
            seen.contains(d.source))
            continue;
        seen.append(d.source);
        job.entries.append({d.source, 0});
    }
    if (job.entries.isEmpty())
        return std::nullopt;
    return job;
}
