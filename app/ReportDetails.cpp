#include "ReportDetails.h"

#include "FileNames.h"
#include "FormatSize.h"
#include "ReportsFile.h"
#include "TableEngine.h"
#include "TextIds.h"
#include "TextRegister.h"

using namespace ReportsFile;

namespace {

// A size stored as a whole number, or a text that holds one.
std::optional<qint64> wholeNumber(const QVariant& value)
{
    bool ok = false;
    const qint64 n = value.toLongLong(&ok);
    if (!ok || n < 0)
        return std::nullopt;
    return n;
}

} // namespace

std::optional<QList<HistoryDamage>> ReportDetails::read(TableEngine& engine, const QString& reference)
{
    try {
        if (engine.CheckTable(reference) < 1)
            return std::nullopt;
        QList<HistoryDamage> rows;
        const int n = engine.GetRowCount(reference);
        for (int row = 1; row <= n; ++row) {
            HistoryDamage d;
            d.source = pathOfCell(engine.GetCellValue(reference, row, DetailSource));
            d.destination = pathOfCell(engine.GetCellValue(reference, row, DetailDestination));
            d.leftOut = engine.GetCell(reference, row, DetailLeftOut);
            const auto size = wholeNumber(engine.GetCellValue(reference, row, DetailSize));
            const auto copied = wholeNumber(engine.GetCellValue(reference, row, DetailCopied));
            const auto lost = wholeNumber(engine.GetCellValue(reference, row, DetailLost));
            if (d.source.isEmpty() || !size || !copied || !lost)
                return std::nullopt;
            d.size = *size;
            d.copied = *copied;
            d.lostBytes = *lost;
            d.date = engine.GetCell(reference, row, DetailDate);
            d.ranges = engine.GetCell(reference, row, DetailRanges);
            const QString ended = engine.GetCell(reference, row, DetailEnded);
            d.skipped = ended == QLatin1String("skipped");
            d.notCopied = ended == QLatin1String("not-copied");
            rows.append(d);
        }
        return rows;
    } catch (const TableError&) {
        return std::nullopt;
    }
}

QString ReportDetails::corruptedText(const QString& reference)
{
    QString name;
    try {
        name = TableReference::parse(reference).path;
    } catch (const TableError&) {
        name = reference;
    }
    return QStringLiteral("File '") + name + QStringLiteral("' is corrupted.");
}

QStringList ReportDetails::listHeaders()
{
    return {QStringLiteral("File"),  QStringLiteral("Size"),   QStringLiteral("Copied"),
            QStringLiteral("Lost"),  QStringLiteral("Ranges"), QStringLiteral("Left out"),
            QStringLiteral("Result")};
}

QStringList ReportDetails::exportHeaders()
{
    return {QStringLiteral("File"),   QStringLiteral("Destination"), QStringLiteral("Size"),
            QStringLiteral("Copied"), QStringLiteral("Lost"),        QStringLiteral("Modified"),
            QStringLiteral("Ranges"), QStringLiteral("Left out"),    QStringLiteral("Result")};
}

QString ReportDetails::resultWord(const HistoryDamage& d)
{
    if (!d.leftOut.isEmpty())
        return QStringLiteral("left out");
    if (d.notCopied)
        return QStringLiteral("not copied");
    if (d.skipped)
        return QStringLiteral("skipped");
    return d.partial() ? QStringLiteral("partial") : QStringLiteral("damaged");
}

QString ReportDetails::resultText(const HistoryDamage& d, const TextRegister& texts)
{
    // The English text when the language file lacks one.
    const auto text = [&texts](int n, const char* english) {
        const QString t = texts.text(n);
        return t.isEmpty() ? QString::fromLatin1(english) : t;
    };
    if (!d.leftOut.isEmpty())
        return text(TextId::FileLeftOut, "Left out: %1").arg(d.leftOut);
    if (d.notCopied)
        return text(TextId::FileNotCopied, "Not copied");
    const QString copied = FormatSize(static_cast<double>(d.copied));
    const QString size = FormatSize(static_cast<double>(d.size));
    if (d.skipped)
        return text(TextId::FileSkipped, "Skipped: %1 of %2 copied").arg(copied, size);
    if (d.partial())
        return text(TextId::FilePartial, "Partial: %1 of %2 copied").arg(copied, size);
    return text(TextId::FileDamaged, "Damaged: %1 unreadable")
        .arg(FormatSize(static_cast<double>(d.lostBytes)));
}

QStringList ReportDetails::exportFields(const HistoryDamage& d)
{
    const QString source = Platform::FileNames::displayText(d.source);
    if (!d.leftOut.isEmpty())
        return {source,    QString(), QString(), QString(),    QString(),
                QString(), QString(), d.leftOut, resultWord(d)};
    if (d.notCopied)
        return {source,       Platform::FileNames::displayText(d.destination),
                QString(),    QString(),
                QString(),    QString(),
                QString(),    QString(),
                resultWord(d)};
    return {source,
            Platform::FileNames::displayText(d.destination),
            QString::number(d.size),
            QString::number(d.copied),
            QString::number(d.lostBytes),
            d.date,
            d.ranges.trimmed(),
            QString(),
            resultWord(d)};
}

QString ReportDetails::clipboardText(const QList<HistoryDamage>& rows, const QStringList& headers)
{
    QString text = headers.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (const HistoryDamage& d : rows)
        text += exportFields(d).join(QLatin1Char('\t')) + QLatin1Char('\n');
    return text;
}

QString ReportDetails::csvField(const QString& field)
{
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"')) &&
        !field.contains(QLatin1Char('\n')) && !field.contains(QLatin1Char('\r')))
        return field;
    QString quoted = field;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString ReportDetails::csvText(const QList<HistoryDamage>& rows, const QStringList& headers)
{
    const auto line = [](const QStringList& fields) -> QString {
        QStringList out;
        for (const QString& f : fields)
            out.append(csvField(f));
        return out.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    };
    QString text = line(headers);
    for (const HistoryDamage& d : rows)
        text += line(exportFields(d));
    return text;
}
