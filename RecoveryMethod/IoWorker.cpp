#include "IoWorker.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>

#include <chrono>
#include <condition_variable>
#include <mutex>

struct IoWorker::Shared
{
    std::mutex mutex;
    std::condition_variable wake; // a job came or the worker must end
    std::condition_variable done; // the job finished
    std::function<void()> job;
    bool finished = false;
    bool stop = false;
    QPointer<QObject> notifier;
    std::function<void()> onFinished; // runs on the caller's thread
};

IoWorker::IoWorker()
    : m_shared(std::make_shared<Shared>())
    , m_notifier(std::make_unique<QObject>())
{
    m_shared->notifier = m_notifier.get();
    m_thread = std::thread([shared = m_shared] {
        std::unique_lock lock(shared->mutex);
        for (;;) {
            shared->wake.wait(lock, [&] { return shared->stop || shared->job; });
            if (shared->stop)
                return;
            auto job = std::move(shared->job);
            shared->job = nullptr;
            lock.unlock();
            job();
            lock.lock();
            shared->finished = true;
            shared->done.notify_all();
            if (shared->notifier && shared->onFinished)
                QMetaObject::invokeMethod(shared->notifier, shared->onFinished, Qt::QueuedConnection);
        }
    });
}

IoWorker::~IoWorker()
{
    bool busy = false;
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->stop = true;
        m_shared->notifier = nullptr;
        m_shared->onFinished = nullptr;
        busy = m_shared->job != nullptr || (m_outstanding && !m_shared->finished);
        m_shared->wake.notify_all();
    }
    // A call stuck in the kernel cannot be cancelled: leave its thread to end on its own.
    if (busy)
        m_thread.detach();
    else
        m_thread.join();
}

bool IoWorker::run(std::function<void()> work)
{
    if (m_running) {
        // Asked again from inside a wait (a nested event handler): no second worker, just do it.
        work();
        return true;
    }
    {
        std::unique_lock lock(m_shared->mutex);
        // A call left behind by a wait that was cut short still holds the thread.
        if (m_outstanding && !m_shared->finished)
            return false;
        m_running = true;
        m_outstanding = true;
        m_shared->finished = false;
        m_shared->onFinished = nullptr;
        m_shared->job = std::move(work);
        m_shared->wake.notify_all();
        // Most calls return within a moment; spare them the event loop.
        if (m_shared->done.wait_for(lock, std::chrono::milliseconds(2), [&] { return m_shared->finished; })) {
            m_running = false;
            m_outstanding = false;
            return true;
        }
        // Still under the lock, so the worker cannot finish unseen between the check and this.
        m_shared->onFinished = [this] {
            if (m_waiting)
                m_waiting->quit();
        };
    }
    QEventLoop loop;
    m_waiting = &loop;
    bool finished = false;
    for (;;) {
        {
            std::lock_guard lock(m_shared->mutex);
            finished = m_shared->finished;
        }
        if (finished)
            break;
        if (loop.exec() != 0)
            break; // the application is quitting: every event loop was told to end
    }
    m_waiting = nullptr;
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->onFinished = nullptr;
        finished = m_shared->finished;
    }
    m_running = false;
    m_outstanding = !finished;
    return finished;
}
