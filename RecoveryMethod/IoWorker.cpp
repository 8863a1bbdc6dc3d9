#include "IoWorker.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

// A copy hands the worker one call after another, a few microseconds apart, and most calls
// return within microseconds. Both sides watch for the other awake this long before they sleep:
// being put to sleep and woken for every block costs more than the block's read or write.
constexpr auto CallerSpin = std::chrono::microseconds(100);
constexpr auto WorkerSpin = std::chrono::microseconds(200);

template <class Ready>
void spinFor(Ready ready, std::chrono::microseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!ready() && std::chrono::steady_clock::now() < end)
        std::this_thread::yield();
}

} // namespace

struct IoWorker::Shared
{
    std::mutex mutex;
    std::condition_variable wake; // a job came or the worker must end
    std::condition_variable done; // the job finished
    std::function<void()> job;
    bool finished = false;
    std::atomic<bool> jobPosted = false;   // job was set; read while spinning, without the lock
    std::atomic<bool> jobFinished = false; // finished was set; likewise
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
            if (!shared->stop && !shared->job) {
                lock.unlock();
                spinFor([&] { return shared->jobPosted.load(std::memory_order_acquire); }, WorkerSpin);
                lock.lock();
            }
            shared->wake.wait(lock, [&] { return shared->stop || shared->job; });
            if (shared->stop)
                return;
            auto job = std::move(shared->job);
            shared->job = nullptr;
            shared->jobPosted.store(false, std::memory_order_relaxed);
            lock.unlock();
            job();
            lock.lock();
            shared->finished = true;
            shared->jobFinished.store(true, std::memory_order_release);
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
        std::lock_guard lock(m_shared->mutex);
        // A call left behind by a wait that was cut short still holds the thread.
        if (m_outstanding && !m_shared->finished)
            return false;
        m_running = true;
        m_outstanding = true;
        m_shared->finished = false;
        m_shared->jobFinished.store(false, std::memory_order_relaxed);
        m_shared->onFinished = nullptr;
        m_shared->job = std::move(work);
        m_shared->jobPosted.store(true, std::memory_order_release);
        m_shared->wake.notify_all();
    }
    spinFor([&] { return m_shared->jobFinished.load(std::memory_order_acquire); }, CallerSpin);
    {
        std::unique_lock lock(m_shared->mutex);
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
