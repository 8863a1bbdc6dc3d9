#pragma once

#include <QDialog>

#include <array>

class QLabel;
class QLineEdit;
class isButton;

// Asks whether an existing destination file is overwritten. The four buttons carry the answers
// 1 (overwrite), 10 (overwrite all), 2 (skip) and 20 (skip all); a click stores its index as the
// overwrite answer and closes the dialog.
class IfFileExist : public QDialog
{
    Q_OBJECT

public:
    static constexpr std::array<int, 4> ButtonIndexes{1, 10, 2, 20};

    explicit IfFileExist(QWidget* parent = nullptr);

    // The destination path shown in the dialog.
    void setExFile(const QString& path);

    // The index of the button clicked; 0 when the dialog was closed without one.
    int clickedIndex() const { return m_clicked; }

private:
    QLabel* m_prompt = nullptr;  // FormPrompt
    QLineEdit* m_file = nullptr; // ExFile
    int m_clicked = 0;
};
