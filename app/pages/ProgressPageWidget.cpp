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
    body()->addWidget(m_engine, 1);
}

void ProgressPageWidget::applyTexts(const TextRegister& texts)
{
    m_engine->setTimeUnits(
        {texts[TextId::TimeLeftSeconds], texts[TextId::TimeLeftMinutes], texts[TextId::TimeLeftHours]});
}

void ProgressPageWidget::showStep(const TextRegister& texts, int step)
{
    tips()->setText(texts[TextId::Step] + QLatin1Char(' ') + QString::number(step) + QStringLiteral(".   ") +
                    texts[TextId::StepRecover]);
}

void ProgressPageWidget::nameEngineParts(const TextRegister& texts)
{
    const auto labelText = [this](const QString& name) {
        const auto* label = m_engine->findChild<QLabel*>(name);
        return label ? label->text().remove(QLatin1Char(':')).trimmed() : QString();
    };
    const auto name = [this](const QString& field, const QString& text) {
        if (auto* w = m_engine->findChild<QWidget*>(field))
            w->setAccessibleName(text);
    };
    for (int i = 0; i < 5; ++i)
        name(QStringLiteral("StatR(%1)").arg(i), labelText(QStringLiteral("Stat(%1)").arg(i)));
    name(QStringLiteral("StatT(0)"), labelText(QStringLiteral("TotalStat(2)")));
    name(QStringLiteral("StatT(1)"), labelText(QStringLiteral("TotalStat(1)")));
    name(QStringLiteral("TimeLeft"), labelText(QStringLiteral("TimeLeftLabel")));
    name(QStringLiteral("List2"), texts[TextId::StepRecover]);
}
