#include "pages/BurnPageWidget.h"

#include "K3Cindral.h"
#include "PageFlow.h"
#include "TextIds.h"
#include "TextRegister.h"

#include <QGroupBox>
#include <QVBoxLayout>

BurnPageWidget::BurnPageWidget(QWidget* parent)
    : WizardPage(BurnPage, 6, parent)
{
    m_settings = new QGroupBox(this);
    m_settings->setObjectName(QStringLiteral("BurnSettings"));
    auto* layout = new QVBoxLayout(m_settings);
    m_burner = new K3Cindral(m_settings);
    m_burner->setObjectName(QStringLiteral("K3Cindral1"));
    layout->addWidget(m_burner);
    body()->addWidget(m_settings, 1);
}

void BurnPageWidget::endBurner()
{
    delete m_burner.data();
}

void BurnPageWidget::applyTexts(const TextRegister& texts)
{
    m_settings->setProperty("Charset", texts.charSet());
    m_settings->setTitle(texts[TextId::BurnFrame]);
    if (m_burner)
        m_burner->setFontCharSet(texts.charSet());
}
