#include "Background.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QThreadPool>
#include <QTimer>

namespace Platform {

namespace {

// Never destroyed: destroying a pool waits for its threads, and one of them may be stuck for ever
// in a read of a dead device.
QThreadPool& pool()
{
    static QThreadPool* const threads = [] {
        auto* p = new QThreadPool;
        p->setObjectName(QStringLiteral("Platform::Background"));
        // Stuck calls keep their threads; leave room for new calls beside them.
        p->setMaxThreadCount(256);
        return p;
    }();
    return *threads;
}

// A quick call (most folder reads and size queries) ends within this wait, without a turn of a
// nested event loop.
constexpr int QuickCallMs = 2;

} // namespace

Abandon::~Abandon()
{
    abandon();
}

void Abandon::abandon()
{
    if (!m_abandoned.exchange(true))
        Q_EMIT abandoned();
}

std::shared_ptr<Background::Job> Background::launch(std::function<void()> work)
{
    auto job = std::make_shared<Job>();
    job->work = std::move(work);
    job->future = job->promise.future();
    job->promise.start();
    pool().start([job] {
        job->work();
        job->work = nullptr; // what the call captured goes now, not with the last waiter
        job->done.release();
        job->promise.finish();
    });
    return job;
}

bool Background::waitFor(Job& job, std::chrono::milliseconds bound)
{
    const int ms = bound.count() < 0 ? -1 : static_cast<int>(bound.count());
    if (!job.done.tryAcquire(1, ms))
        return false;
    job.done.release();
    return true;
}

bool Background::waitKeepingEventsAlive(Job& job, const Abandon* abandon, std::chrono::milliseconds bound)
{
    if (waitFor(job, std::chrono::milliseconds(QuickCallMs)))
        return true;
    if (abandon && abandon->isAbandoned())
        return false;

    QEventLoop loop;
    QFutureWatcher<void> watcher;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
    if (abandon)
        QObject::connect(abandon, &Abandon::abandoned, &loop, &QEventLoop::quit);
    QTimer limit;
    if (bound.count() >= 0) {
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        limit.start(bound);
    }
    // A future that finished already reports so to a watcher set afterwards.
    watcher.setFuture(job.future);
    loop.exec();
    return waitFor(job, std::chrono::milliseconds(0));
}

} // namespace Platform
