#pragma once

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

// Carries the run's questions from its worker thread to the window's thread and the answers back.
// The worker blocks in ask() while the window's thread shows the question (a dialog or message box
// through Prompt) and returns its answer. The window's thread also tells the bridge while the abort
// dialog is open; the worker then waits in holdWhileAsked() before its next read or write.
// Once the window's thread detaches (the program quits while a read hangs), nothing it owns is
// touched again: every ask returns no answer and every hold ends.
//
// Asked on the window's own thread (a run driven without a worker, as tests do), a question is
// answered at once.
class PromptBridge : public std::enable_shared_from_this<PromptBridge>
{
public:
    // Made on the window's thread; `receiver` lives there and carries the questions. Its owner
    // detaches the bridge before the receiver goes.
    explicit PromptBridge(QObject* receiver);

    // Runs the question on the window's thread and returns its answer; nullopt once detached.
    std::optional<int> ask(std::function<int()> question);
    // Runs a call on the window's thread without waiting for it (nothing once detached).
    void post(std::function<void()> call);

    // The abort dialog opens or closes (window's thread).
    void dialogOpened();
    void dialogClosed();
    // Waits while the abort dialog is open; false once detached.
    bool holdWhileAsked();

    // The window's thread lets go of the run: from now on nothing is run on it.
    void detach();
    bool detached() const;

private:
    bool onWindowThread() const;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    QObject* m_receiver = nullptr; // under m_mutex; null once detached
    const std::thread::id m_windowThread;
    int m_dialogsOpen = 0;               // under m_mutex
    std::atomic<bool> m_holding = false; // m_dialogsOpen > 0, read without the lock on every block
    std::atomic<bool> m_detached = false;
};
