#include "HistoryPanel.h"

#include "HistoryWriter.h"
#include "PosixFileAccess.h"
#include "Prompt.h"
#include "RefreshDialog.h"
#include "RefreshHistory.h"
#include "ReportDetails.h"
#include "ReportDetailsWindow.h"
#include "ReportsFile.h"
#include "TableEngine.h"
#include "TextRegister.h"
#include "Twips.h"
#include "isButton.h"

#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTreeWidget>

#include <algorithm>

namespace {

constexpr int ButtonHeight = 27;
constexpr int ButtonWidth = 130;
constexpr int Gap = 6;
constexpr int PathLeast = 1000; // twips: the least a column keeps, a path's in a small window

} // namespace

HistoryPanel::HistoryPanel(TableEngine& reportEng, const TextRegister& texts, const QString& appFolder,
                           QWidget* parent)
    : QWidget(parent)
    , m_engine(reportEng)
    , m_texts(texts)
    , m_appFolder(appFolder)
{
    setObjectName(QStringLiteral("HistoryPanel"));
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("ReportsHistoryList"));
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setAllColumnsShowFocus(true);
    // Long paths are cut in the middle, where they differ least; the tooltip has them whole.
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->installEventFilter(this);
    connect(m_list, &QTreeWidget::itemClicked, this, [this] { listClicked(); });

    m_details = new isButton(this);
    m_details->setObjectName(QStringLiteral("RecovryDetailsView"));
    m_refresh = new isButton(this);
    m_refresh->setObjectName(QStringLiteral("RefreshRecovery"));
    m_clear = new isButton(this);
    m_clear->setObjectName(QStringLiteral("ClearHistory"));
    connect(m_details, &isButton::Click, this, &HistoryPanel::detailsClicked);
    connect(m_refresh, &isButton::Click, this, &HistoryPanel::refreshClicked);
    connect(m_clear, &isButton::Click, this, &HistoryPanel::clearClicked);
    setButtons({});
    SetUpHistoryList();
}

QString HistoryPanel::historyPath() const
{
    return ReportsFile::pathIn(m_appFolder);
}

void HistoryPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeChildren();
    fitColumns();
}

void HistoryPanel::placeChildren()
{
    const int buttonsTop = height() - ButtonHeight;
    m_list->setGeometry(0, 0, width(), std::max(0, buttonsTop - Gap));
    // Each button is as wide as its caption needs, in any language and font size.
    const auto widthOf = [](const QWidget* b) { return std::max(ButtonWidth, b->sizeHint().width()); };
    m_details->setGeometry(0, buttonsTop, widthOf(m_details), ButtonHeight);
    m_refresh->setGeometry(widthOf(m_details) + Gap, buttonsTop, widthOf(m_refresh), ButtonHeight);
    m_clear->setGeometry(width() - widthOf(m_clear), buttonsTop, widthOf(m_clear), ButtonHeight);
}

void HistoryPanel::applyTexts()
{
    m_details->setFontCharSet(m_texts.charSet());
    m_refresh->setFontCharSet(m_texts.charSet());
    m_clear->setFontCharSet(m_texts.charSet());
    m_details->setCaption(m_texts[141]);
    m_refresh->setCaption(m_texts[142]);
    m_clear->setCaption(m_texts[143]);
    m_list->setHeaderLabels(HistoryList::headers(m_texts));
    for (int i = 0; i < m_items.size() && i < m_list->topLevelItemCount(); ++i) {
        const QString status = m_items[i].statusText(m_texts);
        m_list->topLevelItem(i)->setText(HistoryList::StatusColumn, status);
        m_list->topLevelItem(i)->setToolTip(HistoryList::StatusColumn, status);
    }
    for (isButton* b : {m_details, m_refresh, m_clear})
        b->setAccessibleName(b->Caption());
    m_list->setAccessibleName(m_texts[145]);
    fitColumns();
    placeChildren();
}

void HistoryPanel::fitColumns()
{
    // The paths take whatever room the window gives (cut in the middle when it is short). Every
    // other column keeps its set width, widened to its header or its longest value in the
    // current language, so that none is cut.
    QHeaderView* header = m_list->header();
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(Platform::twipsToPixels(PathLeast));
    const QList<int> widths = HistoryList::headerWidths();
    int taken = 0; // by the columns of a set width
    for (int c = 0; c < widths.size() && c < m_list->columnCount(); ++c) {
        if (widths[c] < 0) {
            header->setSectionResizeMode(c, QHeaderView::Stretch);
            taken += Platform::twipsToPixels(PathLeast);
            continue;
        }
        if (widths[c] == 0)
            continue;
        header->setSectionResizeMode(c, QHeaderView::Interactive);
        const int needed = std::max(header->sectionSizeHint(c),
                                    static_cast<const QAbstractItemView*>(m_list)->sizeHintForColumn(c));
        const int width = std::max(Platform::twipsToPixels(widths[c]), needed);
        m_list->setColumnWidth(c, width);
        taken += width;
    }
    // In a small window the status gives up room before the paths do, down to a width that
    // still shows most of it; its cells carry it whole as their tooltip. What does not fit then
    // scrolls.
    const int status = HistoryList::StatusColumn;
    const int over = taken - m_list->viewport()->width();
    if (over > 0 && m_list->columnCount() > status) {
        const int least = std::max(header->sectionSizeHint(status), Platform::twipsToPixels(2000));
        m_list->setColumnWidth(status, std::max(least, m_list->columnWidth(status) - over));
    }
}

void HistoryPanel::SetUpHistoryList()
{
    m_list->clear();
    m_items.clear();
    const QStringList headers = HistoryList::headers(m_texts);
    const QList<int> widths = HistoryList::headerWidths();
    m_list->setColumnCount(static_cast<int>(headers.size()));
    m_list->setHeaderLabels(headers);
    for (int c = 0; c < headers.size(); ++c)
        m_list->setColumnHidden(c, widths[c] == 0);
    // How a run ended is read right after when it ran.
    QHeaderView* header = m_list->header();
    header->moveSection(header->visualIndex(HistoryList::StatusColumn), HistoryList::StatusShownAt);
    fitColumns();
}

void HistoryPanel::message(QMessageBox::Icon icon, const QString& text)
{
    Prompt::show({icon, QStringLiteral("Korvalis"), text}, this);
}

bool HistoryPanel::LoadHistory()
{
    const HistoryList::Loaded loaded = HistoryList::load(m_engine, historyPath());
    switch (loaded.outcome) {
    case HistoryList::Outcome::NoHistory:
        message(QMessageBox::Information, m_texts[127]);
        return false;
    case HistoryList::Outcome::Unreadable:
        message(QMessageBox::Critical, HistoryList::loadFailureText(m_texts));
        return false;
    case HistoryList::Outcome::Loaded:
        break;
    }
    m_list->clear();
    m_items = loaded.items;
    for (const HistoryList::Item& item : m_items) {
        QStringList texts = item.texts;
        texts.append(item.statusText(m_texts));
        auto* row = new QTreeWidgetItem(m_list, texts);
        for (int c = 0; c < item.texts.size(); ++c)
            row->setForeground(c, QColor::fromRgb(item.colour));
        // The status in the colour the report page gave it.
        row->setForeground(HistoryList::StatusColumn, QColor::fromRgb(item.statusColour()));
        for (const int c :
             {ReportsFile::SourceColumn - 1, ReportsFile::DestinationColumn - 1, HistoryList::StatusColumn})
            row->setToolTip(c, texts.value(c));
    }
    fitColumns();
    setButtons({});
    return true;
}

bool HistoryPanel::ClearHistoryFile()
{
    const auto answer = Prompt::show({QMessageBox::Question, QStringLiteral("Korvalis"), m_texts[128],
                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::No},
                                     this);
    if (answer != QMessageBox::Yes)
        return false;
    const QString path = historyPath();
    if (!QFile::exists(path))
        return false;
    m_engine.CloseAll();
    m_engine.ResetEngine();
    QFile file(path);
    if (!file.remove()) {
        message(QMessageBox::Critical, file.errorString() + QStringLiteral("\n\n") + path);
        return false;
    }
    m_list->clear();
    m_items.clear();
    setButtons({});
    return true;
}

const HistoryList::Item* HistoryPanel::selectedItem() const
{
    QTreeWidgetItem* current = m_list->currentItem();
    if (!current || !current->isSelected())
        return nullptr;
    const int index = m_list->indexOfTopLevelItem(current);
    return index >= 0 && index < m_items.size() ? &m_items[index] : nullptr;
}

void HistoryPanel::setButtons(const HistoryList::Buttons& buttons)
{
    m_details->setEnabled(buttons.details);
    m_refresh->setEnabled(buttons.refresh);
}

void HistoryPanel::listClicked()
{
    setButtons(HistoryList::buttonsFor(selectedItem()));
}

void HistoryPanel::listKeyReleased()
{
    // The keyboard moves the selection as a click does, so the buttons follow the same rules.
    setButtons(HistoryList::buttonsFor(selectedItem()));
}

bool HistoryPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyRelease)
        listKeyReleased();
    return QWidget::eventFilter(watched, event);
}

void HistoryPanel::detailsClicked()
{
    const HistoryList::Item* item = selectedItem();
    if (!item)
        return;
    const QString reference = HistoryList::detailsReference(m_appFolder, *item);
    if (reference.isEmpty())
        return;
    ReportDetailsWindow window(m_engine, m_texts, this);
    window.setReportMtx(reference);
    if (!window.loaded()) {
        message(QMessageBox::Critical, ReportDetails::corruptedText(reference));
        return;
    }
    Prompt::exec(window);
}

void HistoryPanel::refreshClicked()
{
    const HistoryList::Item* selected = selectedItem();
    if (!selected || HistoryList::number(selected->q()) < 1)
        return;
    const HistoryList::Item item = *selected; // the list is loaded again at the end
    const QString reference = HistoryList::detailsReference(m_appFolder, item);
    const auto rows = reference.isEmpty() ? std::nullopt : ReportDetails::read(m_engine, reference);
    if (!rows) {
        message(QMessageBox::Critical, ReportDetails::corruptedText(historyPath()));
        return;
    }
    const RefreshHistory::Plan plan = RefreshHistory::plan(*rows);
    if (plan.files.isEmpty())
        return;
    const auto answer = Prompt::show({QMessageBox::Question, QStringLiteral("Korvalis"),
                                      RefreshDialog::question(m_texts, plan.files.size()),
                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::No},
                                     this);
    if (answer != QMessageBox::Yes)
        return;

    RefreshDialog dialog(
        std::make_unique<RefreshRun>(std::make_shared<PosixFileAccess>(), plan.files,
                                     RefreshHistory::runEnded(m_engine, historyPath(), item)),
        m_texts, this);
    Prompt::exec(dialog);
    const auto outcome = dialog.outcome();
    if (!outcome)
        return;
    HistoryRun run =
        RefreshHistory::historyRun(item, plan, dialog.refresh(), QDateTime::currentDateTime(), m_texts);
    // Copies the refresh left alone count as items left out; a stop or a lost medium as a stop.
    run.state =
        RunStatus::of(*outcome != RefreshRun::Outcome::Finished, false, 0, run.leftOut.size(), run.badFiles);
    const int row = HistoryWriter(m_engine, historyPath()).appendOrTell(run, this, m_texts);
    if (row > 0 && LoadHistory()) {
        // The new run is listed first.
        m_list->setCurrentItem(m_list->topLevelItem(0));
        listClicked();
    }
    message(QMessageBox::Information, RefreshHistory::summary(run, dialog.refresh(), *outcome, m_texts));
}

void HistoryPanel::clearClicked()
{
    if (ClearHistoryFile())
        Q_EMIT historyCleared();
}
