#pragma once

#include "pages/WizardPage.h"

class RecoveryProcess;

// The progress page: the recovery engine's panel while a run copies.
class ProgressPageWidget : public WizardPage
{
    Q_OBJECT

public:
    explicit ProgressPageWidget(QWidget* parent = nullptr);

    RecoveryProcess* engine() const { return m_engine; }
    void applyTexts(const TextRegister& texts) override;
    // The tip names the step the copy is in the current task.
    void showStep(const TextRegister& texts, int step);
    // Names the panel's value fields after their labels, for screen readers; after the
    // engine's own texts are set.
    void nameEngineParts(const TextRegister& texts);

private:
    RecoveryProcess* m_engine = nullptr;
};
