#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <thread>

class QEventLoop;

// Runs the engine's blocking system calls on a thread of its own while the user-interface thread
// goes on handling its events: the window repaints, timers fire and the Stop button works while
// a read hangs in the kernel on a failing medium. The caller still waits for each call.
class IoWorker
{
public:
    IoWorker();
    ~IoWorker();
    IoWorker(const IoWorker&) = delete;
    IoWorker& operator=(const IoWorker&) = delete;

    // Runs work on the worker thread and returns when it is done, handling the calling thread's
    // events meanwhile. Returns false when the wait was cut short because the application is
    // quitting; the work then finishes on its own and must own everything it touches.
    bool run(std::function<void()> work);

    // Hands work over without waiting for it; wait() waits for it as run() does. One call at a
    // time: start and run first wait for a call that was started and not waited for.
    bool start(std::function<void()> work);
    bool wait();

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
    std::unique_ptr<QObject> m_notifier; // lives on the caller's thread, wakes its event loop
    QEventLoop* m_waiting = nullptr;
    bool m_running = false; // a wait is in progress
};
