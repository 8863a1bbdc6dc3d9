#pragma once

#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <thread>
#include <type_traits>

namespace Platform {

// Runs fn on a thread of its own while the calling (window) thread keeps serving its event loop,
// so the window repaints and timers fire while a folder read, a walk over a failing medium or a
// volume query blocks in the kernel. onTick runs on the calling thread every tickMs while waiting.
// Returns fn's result, or nullopt when *abandon turned true first; the thread then finishes (or
// stays stuck) on its own, owning everything it uses, and its result is dropped.
template <class F>
auto callKeepingEventsAlive(F fn, const std::function<void()>& onTick = {}, int tickMs = 25,
                            const std::atomic<bool>* abandon = nullptr)
    -> std::optional<std::invoke_result_t<F>>
{
    using Result = std::invoke_result_t<F>;
    auto task = std::make_shared<std::packaged_task<Result()>>(std::move(fn));
    auto future = task->get_future();
    std::thread([task] { (*task)(); }).detach();

    // Quick calls end here without a turn of the event loop.
    if (future.wait_for(std::chrono::milliseconds(2)) != std::future_status::ready) {
        QEventLoop loop;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
            if (onTick)
                onTick();
            if (future.wait_for(std::chrono::seconds(0)) == std::future_status::ready ||
                (abandon && abandon->load()))
                loop.quit();
        });
        tick.start(tickMs);
        loop.exec();
    }
    if (future.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return std::nullopt;
    return future.get();
}

} // namespace Platform
