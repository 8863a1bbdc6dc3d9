#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QDialog;

// Every question and message of the system goes through here, so that one place decides how
// they are shown and tests can answer them without a person.
namespace Prompt {

struct Message
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title; // empty for the controls' boxes, "Korvalis" for the main program's
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Shows a message box modally and returns the button chosen (Escape or closing it returns the
// escape button Qt picks for those buttons).
QMessageBox::StandardButton show(const Message& message, QWidget* parent = nullptr);

// Runs a dialog of the system modally and returns its result.
int exec(QDialog& dialog);

// Tests replace the person: while one of these lives, show() and exec() ask it instead.
using MessageAnswerer = std::function<QMessageBox::StandardButton(const Message&)>;
using DialogAnswerer = std::function<int(QDialog&)>;

class ScopedAnswerer
{
public:
    explicit ScopedAnswerer(MessageAnswerer messages, DialogAnswerer dialogs = {});
    ~ScopedAnswerer();
    ScopedAnswerer(const ScopedAnswerer&) = delete;
    ScopedAnswerer& operator=(const ScopedAnswerer&) = delete;

private:
    MessageAnswerer m_previousMessages;
    DialogAnswerer m_previousDialogs;
};

} // namespace Prompt
