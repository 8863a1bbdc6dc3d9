#pragma once

#include <QDialog>

class CDDVDBurner2;
class QLabel;
class QProgressBar;
class QTimer;
class isButton;

// The small modal dialog shown while a rewritable disc is erased. It starts the erase when it
// opens, in the mode the caller wrote to the recorder, shows how far the erase has come, and
// closes itself at the first poll that finds no disc, or at the longer tick the host sets once
// the recorder says the erase is done. An erase that failed is not closed over in silence: the
// reason is shown first. Cancel stops the erase where the recorder can stop it.
class EraseMediaForm : public QDialog
{
    Q_OBJECT

public:
    static constexpr int PollMs = 1000;
    static constexpr int FinishMs = 5000;

    struct Texts
    {
        QString label;  // text 113 of the main program
        QString failed; // said above the recorder's reason when the erase failed
        QString cancel; // caption of the cancel button
    };

    EraseMediaForm(CDDVDBurner2& burner, const QString& labelText, QWidget* parent = nullptr);
    EraseMediaForm(CDDVDBurner2& burner, const Texts& texts, QWidget* parent = nullptr);

    // What one tick of Timer1 decides: true closes the dialog.
    static bool closesAtTick(int interval, int mediaType);

    // The host's answer to the recorder's EraseDone, with the recorder's status as it was then
    // ("Done" when the disc was erased, else the reason): the dialog closes one FinishMs later,
    // or, when the erase failed, at once after telling why.
    void eraseFinished(const QString& recorderStatus = QStringLiteral("Done"));

    // After the dialog has closed: whether the disc was erased.
    bool erased() const { return m_erased; }

    QLabel* Label2 = nullptr;
    QTimer* Timer1 = nullptr;
    QProgressBar* EraseProgress = nullptr;
    isButton* CancelErase = nullptr;

public Q_SLOTS:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void tick();
    void showProgress();
    void close(bool erased);

    CDDVDBurner2& m_burner;
    Texts m_texts;
    bool m_started = false;
    bool m_closing = false;
    bool m_cancelled = false;
    bool m_erased = false;
};
