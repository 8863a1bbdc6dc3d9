#include "toAbortProcess.h"

#include "EngineAnswers.h"
#include "EngineTexts.h"
#include "isButton.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

toAbortProcess::toAbortProcess(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("toAbortProcess"));
    setWindowTitle(EngineTexts::slot(27));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    m_prompt = new QLabel(EngineTexts::slot(22), this);
    m_prompt->setObjectName(QStringLiteral("FormPrompt"));
    m_prompt->setWordWrap(true);
    m_prompt->setMinimumWidth(300);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(m_prompt, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (int i = 0; i < ButtonCount; ++i) {
        auto* button = new isButton(EngineTexts::slot(23 + i), i, this);
        button->setObjectName(QStringLiteral("Command1(%1)").arg(i));
        button->setFontName(EngineTexts::fontName());
        button->setFontCharSet(EngineTexts::fontCharSet());
        button->setAutoDefault(false);
        connect(button, &isButton::Click, this, [this](int clicked) {
            m_clicked = clicked;
            EngineAnswers::setAbortAnswer(clicked);
            accept();
        });
        buttons->addWidget(button);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
}
