#pragma once

#include "HistoryList.h"
#include "HistoryRun.h"

#include <QMessageBox>
#include <QString>
#include <QWidget>

class QTreeWidget;
class TableEngine;
class TextRegister;
class isButton;

// The history page's list of past runs (ReportsHistoryList) with its three buttons: the details
// of the selected run (RecovryDetailsView), recovering its damaged files again (RefreshRecovery)
// and deleting the whole history (ClearHistory).
class HistoryPanel : public QWidget
{
    Q_OBJECT

public:
    HistoryPanel(TableEngine& reportEng, const TextRegister& texts, const QString& appFolder,
                 QWidget* parent = nullptr);

    // Clears the list and gives it its ten columns.
    void SetUpHistoryList();
    // Fills the list from the history file, last run first; false (after a message) when the
    // page is not to be shown.
    bool LoadHistory();
    // Asks, then deletes the history file; true when it was deleted.
    bool ClearHistoryFile();
    // The captions of the buttons, from the texts of the current language.
    void applyTexts();

    // The handlers of the list and the buttons, also driven by tests.
    void listClicked();
    void listKeyReleased();
    void detailsClicked();
    // Asks, then reads again what the selected run could not read of its damaged files, into
    // their copies; adds the refresh to the history as a run of its own and says what it found.
    void refreshClicked();
    void clearClicked();

    QString historyPath() const;
    const QList<HistoryList::Item>& items() const { return m_items; }
    QTreeWidget* list() const { return m_list; }

Q_SIGNALS:
    // The history file was deleted: the window goes back to the menu.
    void historyCleared();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitColumns();
    void placeChildren();
    const HistoryList::Item* selectedItem() const;
    void setButtons(const HistoryList::Buttons& buttons);
    void message(QMessageBox::Icon icon, const QString& text);

    TableEngine& m_engine;
    const TextRegister& m_texts;
    QString m_appFolder;
    QList<HistoryList::Item> m_items;
    QTreeWidget* m_list = nullptr;
    isButton* m_details = nullptr;
    isButton* m_refresh = nullptr;
    isButton* m_clear = nullptr;
};
