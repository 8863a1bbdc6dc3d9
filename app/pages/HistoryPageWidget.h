#pragma once

#include "pages/WizardPage.h"

class HistoryPanel;
class TableEngine;

// The history page: the list of past runs and its buttons.
class HistoryPageWidget : public WizardPage
{
    Q_OBJECT

public:
    HistoryPageWidget(TableEngine& reportEng, const TextRegister& texts, const QString& appFolder,
                      QWidget* parent = nullptr);

    HistoryPanel* panel() const { return m_panel; }
    void applyTexts(const TextRegister& texts) override;

private:
    HistoryPanel* m_panel = nullptr;
};
