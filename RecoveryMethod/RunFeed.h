#pragma once

#include <QtGlobal>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

// What a run shows, on its way from the worker to the window: the worker adds display steps in
// order; the window's thread takes them all at its panel refresh and applies them, so the window
// wakes once a refresh however many small files the worker copied in between.
class RunFeed
{
public:
    using Step = std::function<void()>;

    void add(Step step)
    {
        const std::lock_guard lock(m_mutex);
        m_steps.push_back(std::move(step));
    }

    // The steps added since the last take, oldest first.
    std::vector<Step> take()
    {
        std::vector<Step> steps;
        const std::lock_guard lock(m_mutex);
        steps.swap(m_steps);
        return steps;
    }

    // The bytes the run has read and written so far, across its files: counted at every block,
    // so that the window's speed follows the data and not the steps it is shown by.
    void addMoved(qint64 bytes) { m_moved.fetch_add(bytes, std::memory_order_relaxed); }
    qint64 moved() const { return m_moved.load(std::memory_order_relaxed); }

private:
    std::atomic<qint64> m_moved = 0;
    std::mutex m_mutex;
    std::vector<Step> m_steps;
};
