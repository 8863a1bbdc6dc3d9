#include "pages/ProgressPageWidget.h"

#include "PageFlow.h"
#include "RecoveryProcess.h"
#include "TextIds.h"
#include "TextRegister.h"

#include <QLabel>
#include <QVBoxLayout>

ProgressPageWidget::ProgressPageWidget(QWidget* parent)
    : WizardPage(ProgressPage, 3, parent)
{
    m_engine = new RecoveryProcess(this);
    m_engine->setObjectName(QStringLiteral("RecoveryProcess1"));
    m_engine->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_engine->setMinimumHeight(300);
    body()->addWidget(m_engine, 1);
}

void ProgressPageWidget::showStep(const TextRegister& texts, int step)
{
    tips()->setText(texts[TextId::Step] + QLatin1Char(' ') + QString::number(step) + QStringLiteral(".   ") +
                    texts[TextId::StepRecover]);
}
