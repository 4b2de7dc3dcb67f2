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
        // The timeout keeps a stop flag set from a signal handler (which may
        // not notify) visible within a second.
        m_pausedWaiters.fetch_add(1);
        while (m_pause.load() && !m_stop.load()) {
            m_changed.wait_for(lock, std::chrono::seconds(1));
        }
        m_pausedWaiters.fetch_sub(1);
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

namespace {

unsigned bitOf(ScanControl::Point point)
{
    return 1u << unsigned(point);
}

} // namespace

void ScanControl::setHeld(Point point, bool held)
{
    {
        std::lock_guard lock(m_mutex);
        if (held) {
            m_held.fetch_or(bitOf(point));
        } else {
            m_held.fetch_and(~bitOf(point));
        }
    }
    m_changed.notify_all();
}

bool ScanControl::isHeld(Point point) const
{
    return m_held.load() & bitOf(point);
}

void ScanControl::pass(Point point)
{
    std::unique_lock lock(m_mutex);
    if (!isHeld(point) || m_stop.load()) {
        return;
    }
    m_waitingAt.fetch_or(bitOf(point));
    while (isHeld(point) && !m_stop.load()) {
        m_changed.wait_for(lock, std::chrono::seconds(1));
    }
    m_waitingAt.fetch_and(~bitOf(point));
}

bool ScanControl::isWaitingAt(Point point) const
{
    return m_waitingAt.load() & bitOf(point);
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
