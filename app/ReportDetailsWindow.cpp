#include "ReportDetailsWindow.h"

#include "FileNames.h"
#include "Prompt.h"
#include "ReportDetails.h"
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

} // namespace

ReportDetailsWindow::ReportDetailsWindow(TableEngine& engine, const TextRegister& texts, QWidget* parent)
    : QDialog(parent)
    , m_engine(engine)
{
    setObjectName(QStringLiteral("ReportDetailsWindow"));
    setWindowTitle(texts.text(141).isEmpty() ? QStringLiteral("Korvalis") : texts.text(141));
    resize(760, 420);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("DetailsList"));
    m_list->setRootIsDecorated(false);
    m_list->setAlternatingRowColors(true);
    m_list->setHeaderLabels(ReportDetails::listHeaders());
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->header()->setStretchLastSection(true);

    m_copy = new isButton(this);
    m_copy->setObjectName(QStringLiteral("CopyDetails"));
    m_copy->setCaption(QStringLiteral("Copy"));
    m_save = new isButton(this);
    m_save->setObjectName(QStringLiteral("SaveDetails"));
    m_save->setCaption(QStringLiteral("Save as CSV..."));
    m_close = new isButton(this);
    m_close->setObjectName(QStringLiteral("CloseDetails"));
    m_close->setCaption(QStringLiteral("Close"));
    for (isButton* b : {m_copy, m_save, m_close})
        b->setMinimumSize(110, 27);
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
        if (!d.leftOut.isEmpty()) {
            item->setToolTip(0, source);
            item->setText(5, d.leftOut);
            item->setToolTip(5, d.leftOut);
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
    QApplication::clipboard()->setText(ReportDetails::clipboardText(rowsInListOrder()));
}

bool ReportDetailsWindow::saveAsCsv()
{
    QFileDialog dialog(this, QStringLiteral("Save as CSV"));
    dialog.setObjectName(QStringLiteral("SaveDetailsDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("CSV files (*.csv)"));
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
    const QByteArray bytes = ReportDetails::csvText(rowsInListOrder()).toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    Prompt::show({QMessageBox::Critical, QStringLiteral("Korvalis"),
                  QStringLiteral("The file could not be saved:\n\n") + path + QStringLiteral("\n") +
                      file.errorString()},
                 this);
    return false;
}
