#include "SourcePrefetch.h"

#include "BlockFiles.h"

#include <condition_variable>
#include <deque>
#include <mutex>

struct SourcePrefetch::Shared
{
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<QString> paths;
    bool busy = false; // a path is being passed on
    bool stop = false;
};

SourcePrefetch::SourcePrefetch(std::shared_ptr<FileAccess> files)
    : m_shared(std::make_shared<Shared>())
{
    m_thread = std::thread([shared = m_shared, files = std::move(files)] {
        std::unique_lock lock(shared->mutex);
        for (;;) {
            shared->wake.wait(lock, [&] { return shared->stop || !shared->paths.empty(); });
            if (shared->stop)
                return;
            const QString path = std::move(shared->paths.front());
            shared->paths.pop_front();
            shared->busy = true;
            lock.unlock();
            files->readSoon(path);
            lock.lock();
            shared->busy = false;
        }
    });
}

SourcePrefetch::~SourcePrefetch()
{
    bool busy = false;
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->stop = true;
        busy = m_shared->busy;
        m_shared->wake.notify_all();
    }
    // A source on a share that stopped answering can hold the thread in the kernel: leave it.
    if (busy)
        m_thread.detach();
    else
        m_thread.join();
}

void SourcePrefetch::add(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    std::lock_guard lock(m_shared->mutex);
    m_shared->paths.insert(m_shared->paths.end(), paths.begin(), paths.end());
    m_shared->wake.notify_one();
}

void SourcePrefetch::clear()
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->paths.clear();
}
