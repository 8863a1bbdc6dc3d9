#pragma once

#include "pages/WizardPage.h"

class ClickableLabel;
class QListWidget;
class isButton;

// The main menu page: a heading, the program's description, the list of tasks, the way to the
// history and the credit line that opens the about box.
class MenuPageWidget : public WizardPage
{
    Q_OBJECT

public:
    explicit MenuPageWidget(QWidget* parent = nullptr);

    // Fills the task list; with `restart` the entry that starts the last run again comes first.
    void setEntries(const TextRegister& texts, bool restart);
    void applyTexts(const TextRegister& texts) override;

    QListWidget* menu() const { return m_menu; }
    int selectedPosition() const; // 1-based; 0 when nothing is selected
    void selectPosition(int position);

Q_SIGNALS:
    // An entry was clicked or chosen with the keys (position counted from 1).
    void entryChosen(int position);
    // An entry was double-clicked: its task starts.
    void entryActivated(int position);
    void historyRequested();
    void aboutRequested();

private:
    QLabel* m_heading = nullptr;
    QLabel* m_description = nullptr;
    QListWidget* m_menu = nullptr;
    isButton* m_history = nullptr;
    ClickableLabel* m_credit = nullptr;
};
