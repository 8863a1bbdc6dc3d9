#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class TextRegister;
class isButton;

// The about box: name, version, description, credit line, support contact and the licence.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(const TextRegister& texts, QWidget* parent = nullptr);

private:
    const TextRegister& m_texts;
    QLabel* m_title = nullptr;
    QLabel* m_version = nullptr;
    QLabel* m_description = nullptr;
    QLineEdit* m_contact = nullptr;
    isButton* m_ok = nullptr;
    isButton* m_license = nullptr;
};
