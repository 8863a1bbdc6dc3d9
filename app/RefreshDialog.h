#pragma once

#include "RefreshRun.h"

#include <QDialog>

#include <memory>
#include <optional>

class QLabel;
class QProgressBar;
class QThread;
class QTimer;
class TextRegister;
class isButton;

// The progress of reading the damaged files of a run again. The reading starts when the dialog
// opens, on a thread of its own, and the dialog shows the file in work, the bytes still lost going
// down and the bytes recovered. Stop (or closing the dialog) ends the reading at the next sector,
// keeping what it found; the dialog closes itself once the reading has ended.
class RefreshDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int TickMs = 200;

    RefreshDialog(std::unique_ptr<RefreshRun> refresh, const TextRegister& texts, QWidget* parent = nullptr);
    ~RefreshDialog() override;

    // The question asked before: what a refresh of `files` damaged files does.
    static QString question(const TextRegister& texts, qsizetype files);

    // After the dialog closed: how the reading ended; nullopt when it never started.
    std::optional<RefreshRun::Outcome> outcome() const { return m_outcome; }
    const RefreshRun& refresh() const { return *m_refresh; }

public Q_SLOTS:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showProgress();
    void readingEnded();

    std::unique_ptr<RefreshRun> m_refresh;
    const TextRegister& m_texts;
    std::unique_ptr<QThread> m_thread;
    std::optional<RefreshRun::Outcome> m_outcome;
    RefreshRun::Outcome m_ended = RefreshRun::Outcome::Finished; // written by the reading thread
    QTimer* m_timer = nullptr;
    QLabel* m_file = nullptr;
    QLabel* m_lost = nullptr;
    QLabel* m_recovered = nullptr;
    QLabel* m_state = nullptr;
    QProgressBar* m_bar = nullptr;
    isButton* m_stop = nullptr;
};
