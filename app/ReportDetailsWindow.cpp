#include "ReportDetailsWindow.h"

#include "FileNames.h"
#include "Prompt.h"
#include "ReportDetails.h"
#include "TextIds.h"
#include "TextRegister.h"
#include "isButton.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLocale>
#include <QSaveFile>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {

constexpr int RowRole = Qt::UserRole;      // index into the rows of the table
constexpr int SortRole = Qt::UserRole + 1; // the number a size column sorts by

// Sizes sort as numbers, the other columns as texts.
class DetailItem : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;

    bool operator<(const QTreeWidgetItem& other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QVariant mine = data(column, SortRole);
        const QVariant theirs = other.data(column, SortRole);
        if (mine.isValid() && theirs.isValid())
            return mine.toLongLong() < theirs.toLongLong();
        return QString::localeAwareCompare(text(column), other.text(column)) < 0;
    }
};

// The text of the current language, or the built-in English one when the language file lacks it.
QString textOr(const TextRegister& texts, int n, const QString& english)
{
    const QString text = texts.text(n);
    return text.isEmpty() ? english : text;
}

// The header line of the copied and saved texts in the user's language: nothing reads these
// files back, they are for the user's spreadsheet.
QStringList exportHeadersIn(const TextRegister& texts)
{
    static constexpr std::array numbers{
        273, 316, 274, 275, 276, 317, 277, 278, int(TextId::DetailsResultHeader)};
    QStringList headers = ReportDetails::exportHeaders();
    for (qsizetype c = 0; c < headers.size() && c < qsizetype(numbers.size()); ++c)
        headers[c] = textOr(texts, numbers[static_cast<size_t>(c)], headers[c]);
    return headers;
}

} // namespace

ReportDetailsWindow::ReportDetailsWindow(TableEngine& engine, const TextRegister& texts, QWidget* parent)
    : QDialog(parent)
    , m_engine(engine)
    , m_texts(texts)
{
    setObjectName(QStringLiteral("ReportDetailsWindow"));
    setWindowTitle(texts.text(141).isEmpty() ? QStringLiteral("Korvalis") : texts.text(141));
    resize(760, 420);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("DetailsList"));
    m_list->setRootIsDecorated(false);
    m_list->setAlternatingRowColors(true);
    QStringList headers = ReportDetails::listHeaders();
    for (int c = 0; c < ResultColumn; ++c)
        headers[c] = textOr(texts, FirstHeaderText + c, headers[c]);
    headers[ResultColumn] = textOr(texts, TextId::DetailsResultHeader, headers[ResultColumn]);
    m_list->setHeaderLabels(headers);
    // What happened to each file is read right after its name.
    m_list->header()->moveSection(ResultColumn, 1);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->header()->setStretchLastSection(true);

    m_copy = new isButton(this);
    m_copy->setObjectName(QStringLiteral("CopyDetails"));
    m_copy->setCaption(textOr(texts, 270, QStringLiteral("Copy")));
    m_save = new isButton(this);
    m_save->setObjectName(QStringLiteral("SaveDetails"));
    m_save->setCaption(textOr(texts, 271, QStringLiteral("Save as CSV...")));
    m_close = new isButton(this);
    m_close->setObjectName(QStringLiteral("CloseDetails"));
    m_close->setCaption(textOr(texts, 272, QStringLiteral("Close")));
    for (isButton* b : {m_copy, m_save, m_close}) {
        b->setFontCharSet(texts.charSet());
        // Wide enough for the caption in every language.
        b->setMinimumSize(std::max(110, b->fontMetrics().horizontalAdvance(b->text()) + 24), 27);
    }
    connect(m_copy, &isButton::Click, this, &ReportDetailsWindow::copyToClipboard);
    connect(m_save, &isButton::Click, this, [this] { saveAsCsv(); });
    connect(m_close, &isButton::Click, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_copy);
    buttons->addWidget(m_save);
    buttons->addStretch();
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(buttons);
}

void ReportDetailsWindow::setReportMtx(const QString& reference)
{
    m_reportMtx = reference;
    m_list->setSortingEnabled(false);
    m_list->clear();
    const auto read = ReportDetails::read(m_engine, reference);
    m_loaded = read.has_value();
    m_rows = read.value_or(QList<HistoryDamage>{});
    for (int i = 0; i < m_rows.size(); ++i) {
        const HistoryDamage& d = m_rows[i];
        auto* item = new DetailItem(m_list);
        const QString source = Platform::FileNames::displayText(d.source);
        item->setText(0, source);
        item->setData(0, RowRole, i);
        const QString result = ReportDetails::resultText(d, m_texts);
        item->setText(ResultColumn, result);
        item->setToolTip(ResultColumn, result);
        if (!d.leftOut.isEmpty()) {
            item->setToolTip(0, source);
            item->setText(5, d.leftOut);
            item->setToolTip(5, d.leftOut);
            continue;
        }
        if (d.notCopied) {
            item->setToolTip(0, source + QStringLiteral("\n\u2192 ") +
                                    Platform::FileNames::displayText(d.destination));
            continue;
        }
        item->setToolTip(0, source + QStringLiteral("\n\u2192 ") +
                                Platform::FileNames::displayText(d.destination) + QStringLiteral("\n") +
                                d.date);
        const qint64 sizes[] = {d.size, d.copied, d.lostBytes};
        for (int c = 0; c < 3; ++c) {
            item->setText(c + 1, QLocale().toString(sizes[c]));
            item->setData(c + 1, SortRole, sizes[c]);
            item->setTextAlignment(c + 1, Qt::AlignRight | Qt::AlignVCenter);
        }
        item->setText(4, d.ranges);
        item->setToolTip(4, d.ranges.trimmed());
    }
    m_list->setSortingEnabled(true);
    m_list->sortByColumn(0, Qt::AscendingOrder);
    m_list->resizeColumnToContents(0);
    m_list->resizeColumnToContents(ResultColumn);
    // Every header is read whole, in every language; long range lists stay cut (their tooltip
    // holds them whole).
    for (int c = 1; c + 1 < m_list->columnCount(); ++c)
        m_list->setColumnWidth(c, std::max(m_list->columnWidth(c), m_list->header()->sectionSizeHint(c)));
    m_copy->setEnabled(!m_rows.isEmpty());
    m_save->setEnabled(!m_rows.isEmpty());
}

QList<HistoryDamage> ReportDetailsWindow::rowsInListOrder() const
{
    QList<HistoryDamage> ordered;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        ordered.append(m_rows.at(m_list->topLevelItem(i)->data(0, RowRole).toInt()));
    return ordered;
}

void ReportDetailsWindow::copyToClipboard()
{
    QApplication::clipboard()->setText(
        ReportDetails::clipboardText(rowsInListOrder(), exportHeadersIn(m_texts)));
}

bool ReportDetailsWindow::saveAsCsv()
{
    QFileDialog dialog(this, textOr(m_texts, 279, QStringLiteral("Save the details as")));
    dialog.setObjectName(QStringLiteral("SaveDetailsDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(textOr(m_texts, 280, QStringLiteral("CSV files")) + QStringLiteral(" (*.csv)"));
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setDirectory(QDir::homePath());
    dialog.selectFile(QStringLiteral("recovery-details.csv"));
    if (Prompt::exec(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    return writeCsv(dialog.selectedFiles().constFirst());
}

bool ReportDetailsWindow::writeCsv(const QString& path)
{
    QSaveFile file(path);
    const QByteArray bytes = ReportDetails::csvText(rowsInListOrder(), exportHeadersIn(m_texts)).toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    Prompt::show({QMessageBox::Critical, QStringLiteral("Korvalis"),
                  textOr(m_texts, 281, QStringLiteral("The file could not be saved.")) +
                      QStringLiteral("\n\n") + path + QStringLiteral("\n") + file.errorString()},
                 this);
    return false;
}
