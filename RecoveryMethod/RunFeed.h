#pragma once

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

private:
    std::mutex m_mutex;
    std::vector<Step> m_steps;
};
