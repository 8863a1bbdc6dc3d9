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
// A call that takes longer than the spin is waited for this long before the caller's events are
// handled: most such calls are reads of a cold disk, done within a millisecond.
constexpr auto QuietWait = std::chrono::milliseconds(2);

// Watching costs no system call: on a virtual machine each one costs more than the wait itself.
inline void relax()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

template <class Ready>
bool spinFor(Ready ready, std::chrono::microseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        for (int i = 0; i < 64; ++i) {
            if (ready())
                return true;
            relax();
        }
        if (std::chrono::steady_clock::now() >= end)
            return ready();
    }
}

} // namespace

// The caller and the worker meet through two counters: a call handed over raises `posted`, its
// end raises `finished` to the same number. Neither side takes a lock on that path; the mutex
// only guards the caller's sleep and its event loop, which the worker wakes when it sees
// `callerWaiting`.
struct IoWorker::Shared
{
    std::function<void()> job; // written by the caller before `posted` moves on
    std::atomic<unsigned> posted = 0;
    std::atomic<unsigned> finished = 0;
    std::atomic<bool> stop = false;
    std::atomic<bool> callerWaiting = false;

    std::mutex mutex;
    std::condition_variable done;
    QPointer<QObject> notifier;
    std::function<void()> onFinished; // runs on the caller's thread
};

IoWorker::IoWorker()
    : m_shared(std::make_shared<Shared>())
    , m_notifier(std::make_unique<QObject>())
{
    m_shared->notifier = m_notifier.get();
    m_thread = std::thread([shared = m_shared] {
        unsigned seen = 0;
        for (;;) {
            const auto handedOver = [&] { return shared->posted.load(std::memory_order_acquire) != seen; };
            if (!spinFor(handedOver, WorkerSpin))
                shared->posted.wait(seen, std::memory_order_acquire);
            if (shared->stop.load())
                return;
            seen = shared->posted.load(std::memory_order_acquire);
            {
                auto job = std::move(shared->job);
                shared->job = nullptr;
                job();
            }
            shared->finished.store(seen);
            if (shared->callerWaiting.load()) {
                std::lock_guard lock(shared->mutex);
                shared->done.notify_all();
                if (shared->notifier && shared->onFinished)
                    QMetaObject::invokeMethod(shared->notifier, shared->onFinished, Qt::QueuedConnection);
            }
        }
    });
}

IoWorker::~IoWorker()
{
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->notifier = nullptr;
        m_shared->onFinished = nullptr;
    }
    const bool busy = m_shared->finished.load() != m_shared->posted.load();
    m_shared->stop.store(true);
    m_shared->posted.fetch_add(1);
    m_shared->posted.notify_all();
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
    return start(std::move(work)) && wait();
}

bool IoWorker::start(std::function<void()> work)
{
    if (m_running) {
        work();
        return true;
    }
    Shared& shared = *m_shared;
    if (shared.finished.load() != shared.posted.load() && !wait())
        return false; // a call left behind by a wait that was cut short still holds the thread
    shared.job = std::move(work);
    shared.posted.store(shared.posted.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    shared.posted.notify_one();
    return true;
}

bool IoWorker::wait()
{
    Shared& shared = *m_shared;
    const unsigned ticket = shared.posted.load(std::memory_order_relaxed);
    const auto isFinished = [&] { return shared.finished.load() == ticket; };
    if (m_running)
        return true; // inside another wait, start() ran the work at once
    if (spinFor([&] { return shared.finished.load(std::memory_order_acquire) == ticket; }, CallerSpin))
        return true;
    m_running = true;
    {
        std::unique_lock lock(shared.mutex);
        shared.callerWaiting.store(true);
        if (shared.done.wait_for(lock, QuietWait, isFinished)) {
            shared.callerWaiting.store(false);
            m_running = false;
            return true;
        }
        // Still under the lock, so the worker cannot finish unseen between the check and this.
        shared.onFinished = [this] {
            if (m_waiting)
                m_waiting->quit();
        };
    }
    QEventLoop loop;
    m_waiting = &loop;
    while (!isFinished()) {
        if (loop.exec() != 0)
            break; // the application is quitting: every event loop was told to end
    }
    m_waiting = nullptr;
    {
        std::lock_guard lock(shared.mutex);
        shared.onFinished = nullptr;
        shared.callerWaiting.store(false);
    }
    m_running = false;
    return isFinished();
}
