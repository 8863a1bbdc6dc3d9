#include "LibburnSession.h"

#include <cstdint>
#include <libburn/libburn.h>
#include <libisofs/libisofs.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

using namespace burn;

namespace LibburnSession {

namespace {

class Worker
{
public:
    Worker()
        : m_thread([this] { run(); })
    {
    }

    ~Worker()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    void post(std::function<void()> task)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_tasks.push_back(std::move(task));
        }
        m_wake.notify_all();
    }

    bool stopping() const { return m_stop; }

private:
    void run()
    {
        const bool ready = burn_initialize() != 0;
        if (ready) {
            // Problems are queued and shown with the burn or erase they belong to, not on stderr.
            burn_msgs_set_severities(const_cast<char*>("WARNING"), const_cast<char*>("NEVER"),
                                     const_cast<char*>("korvalis: "));
        }
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_stop || !m_tasks.empty(); });
                if (m_stop)
                    break;
                task = std::move(m_tasks.front());
                m_tasks.pop_front();
            }
            task();
        }
        m_tasks.clear();
        if (ready)
            burn_finish();
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_tasks;
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};

Worker& worker()
{
    static Worker instance;
    return instance;
}

} // namespace

void ensureIsofs()
{
    static std::once_flag once;
    std::call_once(once, [] {
        iso_init();
        iso_set_local_charset(const_cast<char*>("UTF-8"), 0);
        iso_set_msgs_severities(const_cast<char*>("WARNING"), const_cast<char*>("NEVER"),
                                const_cast<char*>("korvalis: "));
        // A source file that cannot be read while the image is written would otherwise be
        // burned with zeros in place of the lost bytes and the burn reported as good; stop it.
        iso_set_abort_severity(const_cast<char*>("MISHAP"));
    });
}

void post(std::function<void()> task)
{
    worker().post(std::move(task));
}

bool stopping()
{
    return worker().stopping();
}

QStringList takeMessages()
{
    ensureIsofs();
    QStringList messages;
    // A queue left unread keeps growing; an upper bound keeps a flood from a bad drive small.
    constexpr int Most = 200;
    int code = 0;
    int osErrno = 0;
    int imageId = 0;
    std::vector<char> text(std::max(BURN_MSGS_MESSAGE_LEN, ISO_MSGS_MESSAGE_LEN) + 1, '\0');
    char severity[81] = {};
    while (burn_msgs_obtain(const_cast<char*>("ALL"), &code, text.data(), &osErrno, severity) > 0) {
        if (messages.size() < Most)
            messages << QString::fromLocal8Bit(text.data()).trimmed();
    }
    while (iso_obtain_msgs(const_cast<char*>("ALL"), &code, &imageId, text.data(), severity) > 0) {
        if (messages.size() < Most)
            messages << QString::fromUtf8(text.data()).trimmed();
    }
    messages.removeAll(QString());
    return messages;
}

} // namespace LibburnSession
