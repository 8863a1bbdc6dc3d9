#pragma once

#include <QDialog>

class QLabel;

// Asks what to do with a running copy. Buttons 0 to 3: continue, pause the run, skip the rest
// of the current file, abort the run; a click stores its index as the abort answer and closes
// the dialog. The copy acts on the answer after its current block.
class toAbortProcess : public QDialog
{
    Q_OBJECT

public:
    static constexpr int ButtonCount = 4;

    explicit toAbortProcess(QWidget* parent = nullptr);

    // The index of the button clicked; -1 when the dialog was closed without one.
    int clickedIndex() const { return m_clicked; }

private:
    QLabel* m_prompt = nullptr; // FormPrompt
    int m_clicked = -1;
};
