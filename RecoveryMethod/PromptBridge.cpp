#include "RecoveryMethod/PromptBridge.h"

#include <QMetaObject>

#include <memory>

PromptBridge::PromptBridge(QObject* receiver)
    : m_receiver(receiver)
    , m_windowThread(std::this_thread::get_id())
{
}

bool PromptBridge::onWindowThread() const
{
    return std::this_thread::get_id() == m_windowThread;
}

std::optional<int> PromptBridge::ask(std::function<int()> question)
{
    if (onWindowThread())
        return detached() ? std::nullopt : std::optional<int>(question());

    struct Answer
    {
        std::optional<int> value;
    };
    auto answer = std::make_shared<Answer>();
    std::unique_lock lock(m_mutex);
    if (!m_receiver)
        return std::nullopt;
    QMetaObject::invokeMethod(
        m_receiver,
        [self = shared_from_this(), answer, question = std::move(question)] {
            // On the window's thread, which is also the only one that detaches.
            if (self->detached())
                return;
            const int value = question();
            const std::lock_guard done(self->m_mutex);
            answer->value = value;
            self->m_changed.notify_all();
        },
        Qt::QueuedConnection);
    m_changed.wait(lock, [&] { return answer->value.has_value() || m_detached; });
    if (m_detached)
        return std::nullopt;
    return answer->value;
}

void PromptBridge::post(std::function<void()> call)
{
    const std::lock_guard lock(m_mutex);
    if (!m_receiver)
        return;
    QMetaObject::invokeMethod(
        m_receiver,
        [self = shared_from_this(), call = std::move(call)] {
            if (!self->detached())
                call();
        },
        Qt::QueuedConnection);
}

void PromptBridge::dialogOpened()
{
    const std::lock_guard lock(m_mutex);
    ++m_dialogsOpen;
    m_holding.store(true);
}

void PromptBridge::dialogClosed()
{
    const std::lock_guard lock(m_mutex);
    if (m_dialogsOpen > 0)
        --m_dialogsOpen;
    m_holding.store(m_dialogsOpen > 0);
    m_changed.notify_all();
}

bool PromptBridge::holdWhileAsked()
{
    if (!m_holding.load(std::memory_order_acquire))
        return !detached();
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_dialogsOpen == 0 || m_detached; });
    return !m_detached;
}

void PromptBridge::detach()
{
    const std::lock_guard lock(m_mutex);
    m_detached.store(true);
    m_receiver = nullptr;
    m_changed.notify_all();
}

bool PromptBridge::detached() const
{
    return m_detached.load();
}
