#include "Prompt.h"

#include <QDialog>

namespace Prompt {

namespace {

MessageAnswerer& messageAnswerer()
{
    static MessageAnswerer answerer;
    return answerer;
}

DialogAnswerer& dialogAnswerer()
{
    static DialogAnswerer answerer;
    return answerer;
}

} // namespace

QMessageBox::StandardButton show(const Message& message, QWidget* parent)
{
    if (messageAnswerer())
        return messageAnswerer()(message);
    QMessageBox box(message.icon, message.title, message.text, message.buttons, parent);
    box.setObjectName(QStringLiteral("Prompt"));
    if (message.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(message.defaultButton);
    const int result = box.exec();
    return static_cast<QMessageBox::StandardButton>(result);
}

int exec(QDialog& dialog)
{
    if (dialogAnswerer())
        return dialogAnswerer()(dialog);
    return dialog.exec();
}

ScopedAnswerer::ScopedAnswerer(MessageAnswerer messages, DialogAnswerer dialogs)
    : m_previousMessages(std::exchange(messageAnswerer(), std::move(messages)))
    , m_previousDialogs(std::exchange(dialogAnswerer(), std::move(dialogs)))
{
}

ScopedAnswerer::~ScopedAnswerer()
{
    messageAnswerer() = std::move(m_previousMessages);
    dialogAnswerer() = std::move(m_previousDialogs);
}

} // namespace Prompt
