#include "pages/HistoryPageWidget.h"

#include "HistoryPanel.h"
#include "PageFlow.h"
#include "TextIds.h"
#include "TextRegister.h"

#include <QLabel>
#include <QVBoxLayout>

HistoryPageWidget::HistoryPageWidget(TableEngine& reportEng, const TextRegister& texts,
                                     const QString& appFolder, QWidget* parent)
    : WizardPage(HistoryPage, 7, parent)
{
    m_panel = new HistoryPanel(reportEng, texts, appFolder, this);
    m_panel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_panel->setMinimumHeight(250);
    body()->addWidget(m_panel, 1);
}

void HistoryPageWidget::applyTexts(const TextRegister& texts)
{
    tips()->setText(texts[TextId::HistoryTitle]);
    m_panel->applyTexts();
}
