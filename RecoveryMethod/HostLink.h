#pragma once

#include "CopyHost.h"

#include <mutex>

// The host as work on the I/O thread sees it. When a wait is cut short (the program quits while a
// read hangs) the host may go before the I/O returns: it is let go of here first, and work
// without a host holds.
class HostLink
{
public:
    explicit HostLink(const CopyHost* host = nullptr)
        : m_host(host)
    {
    }

    bool held()
    {
        std::lock_guard lock(m_mutex);
        return !m_host || m_host->holdRequested();
    }
    void attach(const CopyHost* host)
    {
        std::lock_guard lock(m_mutex);
        m_host = host;
    }
    void release() { attach(nullptr); }

private:
    std::mutex m_mutex;
    const CopyHost* m_host;
};
