#include "HistoryWriter.h"

#include "FormatSize.h"
#include "Prompt.h"
#include "ReportsFile.h"
#include "TableEngine.h"
#include "TextIds.h"
#include "TextRegister.h"

#include <QLocale>

using namespace ReportsFile;

namespace {

QString detailEnded(const HistoryDamage& d)
{
    if (d.notCopied)
        return QStringLiteral("not-copied");
    return d.skipped ? QStringLiteral("skipped") : QString();
}

} // namespace

HistoryWriter::HistoryWriter(TableEngine& engine, const QString& path)
    : m_engine(engine)
    , m_path(path)
{
}

QString HistoryWriter::failureText()
{
    return QStringLiteral("Unable to save recovery report!");
}

QString HistoryWriter::failureText(const TextRegister& texts)
{
    const QString text = texts.text(TextId::HistorySaveFailed);
    return text.isEmpty() ? failureText() : text;
}

int HistoryWriter::append(const HistoryRun& run)
{
    const QString top = TableReference::of(m_path);
    const QLocale locale;
    TableTransaction write = m_engine.BeginWrite(m_path);

    const int row = write.AppendRow(top, {
                                             locale.toString(run.when.date(), QLocale::ShortFormat),
                                             locale.toString(run.when.time(), QLocale::ShortFormat),
                                             Platform::FileNames::displayText(run.source),
                                             Platform::FileNames::displayText(run.destination),
                                             QString::number(run.files),
                                             FormatSize(run.totalBytes),
                                             QString::number(run.badFiles),
                                             FormatSize(run.lostBytes),
                                         });

    if (!run.damaged.isEmpty() || !run.leftOut.isEmpty()) {
        write.CreateTable(top, row, DetailsColumn);
        const QString details = TableReference::of(m_path, row, DetailsColumn);
        for (const HistoryDamage& d : run.damaged)
            write.AppendRow(details, {pathCell(d.source), pathCell(d.destination), d.size, d.copied,
                                      d.lostBytes, d.date, d.ranges, QString(), detailEnded(d)});
        for (const HistoryDamage& d : run.leftOut)
            write.AppendRow(details,
                            {pathCell(d.source), QString(), 0, 0, 0, QString(), QString(), d.leftOut});
    }
    write.SetCell(top, row, DamagedCountColumn, run.badFiles);
    write.SetCell(top, row, RunEndedColumn, run.when.toUTC().toString(Qt::ISODateWithMs));
    write.SetCell(top, row, RunStateColumn, RunStatus::storedName(run.state));

    // Only the last run can be run again, and only when it was paused with entries left.
    if (run.resume && !run.resume->entries.isEmpty()) {
        write.CreateTable(top, 0, ResumeJobColumn);
        const QString job = TableReference::of(m_path, 0, ResumeJobColumn);
        write.SetCell(job, 0, ResumeEntry, pathCell(run.resume->source));
        write.SetCell(job, 0, ResumeStartPosition, pathCell(run.resume->destination));
        for (const ResumeJob::Entry& e : run.resume->entries)
            write.AppendRow(job, {pathCell(e.entry), e.startPosition});
        write.SetCell(top, 0, RestartRowColumn, row);
    } else if (!run.keepRestart) {
        write.SetCell(top, 0, ResumeJobColumn, QVariant());
        write.SetCell(top, 0, RestartRowColumn, 0);
    }
    write.commit();
    return row;
}

int HistoryWriter::appendOrTell(const HistoryRun& run, QWidget* parent)
{
    return appendOrTell(run, parent, failureText());
}

int HistoryWriter::appendOrTell(const HistoryRun& run, QWidget* parent, const TextRegister& texts)
{
    return appendOrTell(run, parent, failureText(texts));
}

int HistoryWriter::appendOrTell(const HistoryRun& run, QWidget* parent, const QString& failure)
{
    try {
        return append(run);
    } catch (const TableError& e) {
        Prompt::show({QMessageBox::Critical, QStringLiteral("Korvalis"),
                      failure + QStringLiteral("\n\n") + e.message()},
                     parent);
        return 0;
    }
}
