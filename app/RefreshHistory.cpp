#include "RefreshHistory.h"

#include "DamageRecords.h"
#include "FormatSize.h"
#include "ReportsFile.h"
#include "TableEngine.h"
#include "TextRegister.h"

#include <QLocale>
#include <QSet>

using namespace ReportsFile;

namespace RefreshHistory {

Plan plan(const QList<HistoryDamage>& details)
{
    Plan plan;
    QSet<QString> copies;
    for (const HistoryDamage& d : details) {
        if (!d.leftOut.isEmpty() || d.lostBytes <= 0 || d.destination.isEmpty() ||
            copies.contains(d.destination))
            continue;
        const auto ranges = RefreshRun::rangesOf(d.ranges);
        if (!ranges || ranges->isEmpty())
            continue;
        copies.insert(d.destination);
        plan.rows.append(d);
        plan.files.append({d.source, d.destination, d.size, *ranges});
    }
    return plan;
}

QDateTime runEnded(TableEngine& engine, const QString& historyPath, const HistoryList::Item& item)
{
    try {
        const QDateTime exact = QDateTime::fromString(
            engine.GetCell(TableReference::of(historyPath), item.row, RunEndedColumn), Qt::ISODateWithMs);
        if (exact.isValid())
            return exact;
    } catch (const TableError&) {
    }
    const QLocale locale;
    QDate date = locale.toDate(item.texts.value(DateColumn - 1), QLocale::ShortFormat);
    const QTime time = locale.toTime(item.texts.value(TimeColumn - 1), QLocale::ShortFormat);
    if (!date.isValid() || !time.isValid())
        return {};
    // Short dates may carry two-digit years, which read as the 1900s.
    if (date.year() < 1970)
        date = date.addYears(100);
    // To the end of the minute, whether or not the locale shows seconds.
    return QDateTime(date, QTime(time.hour(), time.minute())).addMSecs(59999);
}

HistoryRun historyRun(const HistoryList::Item& item, const Plan& plan, const RefreshRun& refresh,
                      const QDateTime& when, const TextRegister& texts)
{
    HistoryRun run;
    run.when = when;
    run.source = item.texts.value(SourceColumn - 1);
    run.destination = item.texts.value(DestinationColumn - 1);
    run.keepRestart = true;
    for (int i = 0; i < plan.rows.size() && i < refresh.results().size(); ++i) {
        const HistoryDamage& d = plan.rows[i];
        const RefreshRun::FileResult& r = refresh.results()[i];
        if (r.leftAlone()) {
            const int reason = r.outcome == RefreshRun::FileOutcome::CopyMissing   ? 187
                               : r.outcome == RefreshRun::FileOutcome::CopyChanged ? 188
                                                                                   : 189;
            HistoryDamage row;
            row.source = d.source;
            row.leftOut = texts[reason];
            run.leftOut.append(row);
            continue;
        }
        const bool read =
            r.outcome == RefreshRun::FileOutcome::Read || r.outcome == RefreshRun::FileOutcome::Stopped;
        if (read)
            ++run.files;
        HistoryDamage row = d;
        // A copy that was read again has the source's size.
        row.copied = read ? d.size : d.copied;
        row.lostBytes = r.lost.bytes();
        row.ranges = DamageRecords::rangeListText(r.lost.ranges());
        run.damaged.append(row);
        if (row.lostBytes > 0)
            ++run.badFiles;
        run.lostBytes += static_cast<double>(row.lostBytes);
    }
    run.totalBytes = static_cast<double>(refresh.recoveredBytes());
    return run;
}

QString summary(const HistoryRun& run, const RefreshRun& refresh, RefreshRun::Outcome outcome,
                const TextRegister& texts)
{
    int whole = 0;
    int missing = 0;
    int changed = 0;
    int unread = 0;
    for (const RefreshRun::FileResult& r : refresh.results()) {
        switch (r.outcome) {
        case RefreshRun::FileOutcome::Read:
            whole += r.lost.isEmpty() ? 1 : 0;
            break;
        case RefreshRun::FileOutcome::CopyMissing:
            ++missing;
            break;
        case RefreshRun::FileOutcome::CopyChanged:
            ++changed;
            break;
        case RefreshRun::FileOutcome::SourceChanged:
        case RefreshRun::FileOutcome::SourceFailed:
        case RefreshRun::FileOutcome::CopyFailed:
            ++unread;
            break;
        case RefreshRun::FileOutcome::NotReached:
        case RefreshRun::FileOutcome::Stopped:
        case RefreshRun::FileOutcome::MediumGone:
            break;
        }
    }
    QStringList lines{texts[180].arg(FormatSize(run.totalBytes), FormatSize(run.lostBytes))};
    if (whole > 0)
        lines << texts[181].arg(whole);
    if (missing > 0)
        lines << texts[182].arg(missing);
    if (changed > 0)
        lines << texts[183].arg(changed);
    if (unread > 0)
        lines << texts[184].arg(unread);
    if (outcome == RefreshRun::Outcome::Stopped)
        lines << texts[185];
    else if (outcome == RefreshRun::Outcome::MediumGone)
        lines << texts[186];
    return lines.join(QLatin1Char('\n'));
}

} // namespace RefreshHistory
