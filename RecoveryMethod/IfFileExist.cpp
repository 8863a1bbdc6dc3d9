#include "IfFileExist.h"

#include "EngineAnswers.h"
#include "EngineTexts.h"
#include "isButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QVBoxLayout>

IfFileExist::IfFileExist(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("IfFileExist"));
    setWindowTitle(QStringLiteral("Korvalis"));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
    m_prompt = new QLabel(EngineTexts::slot(15), this);
    m_prompt->setObjectName(QStringLiteral("FormPrompt"));
    m_prompt->setWordWrap(true);
    m_file = new QLineEdit(this);
    m_file->setObjectName(QStringLiteral("ExFile"));
    m_file->setReadOnly(true);
    m_file->setMinimumWidth(380);

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->addWidget(m_prompt);
    texts->addWidget(m_file);
    top->addLayout(texts, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (size_t i = 0; i < ButtonIndexes.size(); ++i) {
        const int index = ButtonIndexes[i];
        auto* button = new isButton(EngineTexts::slot(16 + static_cast<int>(i)), index, this);
        button->setObjectName(QStringLiteral("isButton1(%1)").arg(index));
        button->setFontName(EngineTexts::fontName());
        button->setFontCharSet(EngineTexts::fontCharSet());
        button->setAutoDefault(false);
        connect(button, &isButton::Click, this, [this](int clicked) {
            m_clicked = clicked;
            EngineAnswers::setOverwriteAnswer(clicked);
            accept();
        });
        buttons->addWidget(button);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
}

void IfFileExist::setExFile(const QString& path)
{
    m_file->setText(path);
    // The end of a long path is the part that names the file: keep it in view, the whole path
    // in the tooltip.
    m_file->setCursorPosition(int(path.size()));
    m_file->setToolTip(path);
}
