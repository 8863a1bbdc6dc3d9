#pragma once

#include <QDialog>

class CDDVDBurner2;
class QLabel;
class QTimer;

// The small modal dialog shown while a rewritable disc is erased. It starts the erase when it
// opens, in the mode the caller wrote to the recorder, and closes itself at the first poll that
// finds no disc, or at the longer tick the host sets once the recorder says the erase is done.
// It has no buttons and cannot be cancelled.
class EraseMediaForm : public QDialog
{
    Q_OBJECT

public:
    static constexpr int PollMs = 1000;
    static constexpr int FinishMs = 5000;

    // labelText: text 113 of the main program.
    EraseMediaForm(CDDVDBurner2& burner, const QString& labelText, QWidget* parent = nullptr);

    // What one tick of Timer1 decides: true closes the dialog.
    static bool closesAtTick(int interval, int mediaType);

    // The host's answer to the recorder's EraseDone: the dialog closes one FinishMs later.
    void eraseFinished();

    QLabel* Label2 = nullptr;
    QTimer* Timer1 = nullptr;

public Q_SLOTS:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void tick();

    CDDVDBurner2& m_burner;
    bool m_started = false;
    bool m_closing = false;
};
