#include "LicenseForm.h"

#include "TextRegister.h"
#include "isButton.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QVBoxLayout>

LicenseForm::LicenseForm(const TextRegister& texts, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("LicenseForm"));
    setWindowTitle(texts.text(295).isEmpty() ? QStringLiteral("Licence agreement") : texts.text(295));
    resize(520, 420);

    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("Text1"));
    m_text->setReadOnly(true);
    m_text->setPlainText(texts.text(95));

    auto* ok = new isButton(texts.text(315).isEmpty() ? QStringLiteral("&Ok") : texts.text(315), -1, this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    connect(ok, &isButton::Click, this, [this] { accept(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text, 1);
    layout->addLayout(buttons);
}

QString LicenseForm::text() const
{
    return m_text->toPlainText();
}
