#pragma once

#include <QDialog>

class QPlainTextEdit;
class TextRegister;

// Shows the licence agreement; it decides nothing.
class LicenseForm : public QDialog
{
    Q_OBJECT

public:
    explicit LicenseForm(const TextRegister& texts, QWidget* parent = nullptr);

    QString text() const;

private:
    QPlainTextEdit* m_text = nullptr;
};
