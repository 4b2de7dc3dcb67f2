#include "scan/ScanControl.h"

#include <chrono>

void ScanControl::setPause(bool v)
{
    {
        std::lock_guard lock(m_mutex);
        m_pause.store(v);
    }
    m_changed.notify_all();
}

void ScanControl::setStop(bool v)
{
    {
        std::lock_guard lock(m_mutex);
        m_stop.store(v);
    }
    m_changed.notify_all();
}

void ScanControl::setAdded(bool v)
{
    {
        std::lock_guard lock(m_mutex);
        m_added.store(v);
    }
    m_changed.notify_all();
}

bool ScanControl::waitWhilePaused()
{
    if (m_pause.load()) {
        std::unique_lock lock(m_mutex);
        ++m_held;
        // The timeout keeps a stop flag set from a signal handler (which may
        // not notify) visible within a second.
        while (m_pause.load() && !m_stop.load()) {
            m_changed.wait_for(lock, std::chrono::seconds(1));
        }
        --m_held;
    }
    return !m_stop.load();
}

void ScanControl::waitUntilAdded()
{
    std::unique_lock lock(m_mutex);
    while (!m_added.load()) {
        m_changed.wait_for(lock, std::chrono::seconds(1));
    }
}

void ScanControl::setGateClosed(bool closed)
{
    {
        std::lock_guard lock(m_mutex);
        m_gateClosed.store(closed);
    }
    m_changed.notify_all();
}

void ScanControl::passGate()
{
    std::unique_lock lock(m_mutex);
    while (m_gateClosed.load() && !m_stop.load()) {
        m_changed.wait_for(lock, std::chrono::seconds(1));
    }
}

void ScanControl::reset()
{
    {
        std::lock_guard lock(m_mutex);
        m_scanning.store(false);
        m_pause.store(false);
        m_stop.store(false);
        m_added.store(false);
        m_go.store(false);
        m_processed.store(0);
    }
    m_changed.notify_all();
}
