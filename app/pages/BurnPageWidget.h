#pragma once

#include "pages/WizardPage.h"

#include <QPointer>

#include "K3Cindral.h"
class QGroupBox;

// The burn page: the burning control in its frame.
class BurnPageWidget : public WizardPage
{
    Q_OBJECT

public:
    explicit BurnPageWidget(QWidget* parent = nullptr);

    // Null once the control was ended.
    K3Cindral* burner() const { return m_burner; }
    // Destroys the control, so that its recorder stops a running burn and lets go of the drive.
    void endBurner();
    void applyTexts(const TextRegister& texts) override;

private:
    QGroupBox* m_settings = nullptr;
    QPointer<K3Cindral> m_burner;
};
