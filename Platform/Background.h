#pragma once

#include <QFuture>
#include <QObject>
#include <QPromise>
#include <QSemaphore>

#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

namespace Platform {

// Lets a waiting caller give up on a background call: abandon() ends every wait on it at once.
// The call itself cannot be cancelled (it may be stuck in the kernel); work that loops can read
// isAbandoned() between its steps. Destroying the object abandons it, so a widget that owns one
// never leaves a wait behind it.
class Abandon : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~Abandon() override;

    void abandon();
    bool isAbandoned() const { return m_abandoned.load(); }
    // For work that polls a plain flag between its steps.
    const std::atomic<bool>& flag() const { return m_abandoned; }

Q_SIGNALS:
    void abandoned();

private:
    std::atomic<bool> m_abandoned{false};
};

// The one way off the calling thread for a call that may block in the kernel for a long time: a
// folder read on a failing medium, a walk over it, a volume query on a dead network share. The
// call runs on a thread of a pool kept for such calls; the caller waits for it either blocking for
// a bounded time, or serving its own event loop so the window stays live. A call that never
// returns keeps its thread and owns everything it uses; its result is dropped. The pool is never
// torn down, so such a thread does not hold up the program's exit.
class Background
{
private:
    struct Job
    {
        std::function<void()> work;
        QSemaphore done;        // one token once work has returned; a wait puts it back
        QPromise<void> promise; // finished after that, for an event loop to wake on
        QFuture<void> future;
    };

    static std::shared_ptr<Job> launch(std::function<void()> work);
    static bool waitFor(Job& job, std::chrono::milliseconds bound);
    static bool waitKeepingEventsAlive(Job& job, const Abandon* abandon, std::chrono::milliseconds bound);

public:
    static constexpr std::chrono::milliseconds Forever{-1};

    // A call running in the background.
    template <class R>
    class Pending
    {
    public:
        // Blocks at most `bound`; true when the call has returned.
        bool waitFor(std::chrono::milliseconds bound) const { return Background::waitFor(*m_job, bound); }
        // Serves the calling thread's events until the call returns, `bound` passes or `abandon`
        // fires; true when the call has returned.
        bool waitKeepingEventsAlive(const Abandon* abandon = nullptr,
                                    std::chrono::milliseconds bound = Forever) const
        {
            return Background::waitKeepingEventsAlive(*m_job, abandon, bound);
        }
        // The result, once a wait returned true; an exception the call threw is thrown here.
        R take()
        {
            if (m_result->error)
                std::rethrow_exception(m_result->error);
            return std::move(*m_result->value);
        }

    private:
        friend class Background;
        struct Result
        {
            std::optional<R> value;
            std::exception_ptr error;
        };
        std::shared_ptr<Job> m_job;
        std::shared_ptr<Result> m_result = std::make_shared<Result>();
    };

    template <class F>
    static auto start(F fn) -> Pending<std::invoke_result_t<F>>
    {
        using R = std::invoke_result_t<F>;
        static_assert(!std::is_void_v<R>, "a background call returns its result");
        Pending<R> pending;
        pending.m_job = launch([result = pending.m_result, fn = std::move(fn)]() mutable {
            try {
                result->value.emplace(fn());
            } catch (...) {
                result->error = std::current_exception();
            }
        });
        return pending;
    }

    // Blocks the calling thread at most `bound`; nullopt when fn had not returned by then.
    template <class F>
    static auto callWithin(std::chrono::milliseconds bound, F fn) -> std::optional<std::invoke_result_t<F>>
    {
        auto pending = start(std::move(fn));
        if (!pending.waitFor(bound))
            return std::nullopt;
        return pending.take();
    }

    // Serves the calling thread's event loop while fn runs (the window repaints, timers fire, a
    // Stop button is handled); nullopt when `abandon` fired or `bound` passed first.
    template <class F>
    static auto callKeepingEventsAlive(F fn, const Abandon* abandon = nullptr,
                                       std::chrono::milliseconds bound = Forever)
        -> std::optional<std::invoke_result_t<F>>
    {
        auto pending = start(std::move(fn));
        if (!pending.waitKeepingEventsAlive(abandon, bound))
            return std::nullopt;
        return pending.take();
    }
};

} // namespace Platform
