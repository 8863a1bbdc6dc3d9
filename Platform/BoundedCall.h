#pragma once

#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <thread>
#include <type_traits>

namespace Platform {

// Runs fn on a thread of its own and waits at most `limit` for its result.
// A call into a dead device or a hung network share can block in the kernel for minutes and
// cannot be cancelled; the caller gets nullopt after the limit and the thread is left to finish
// (or stay stuck) on its own, owning everything it uses.
template <class F>
auto callWithin(std::chrono::milliseconds limit, F fn) -> std::optional<std::invoke_result_t<F>>
{
    using Result = std::invoke_result_t<F>;
    auto task = std::make_shared<std::packaged_task<Result()>>(std::move(fn));
    auto future = task->get_future();
    std::thread([task] { (*task)(); }).detach();
    if (future.wait_for(limit) != std::future_status::ready)
        return std::nullopt;
    return future.get();
}

} // namespace Platform
