#pragma once

#include <QtGlobal>
#include <atomic>
#include <condition_variable>
#include <mutex>

// The run flags shared by the window and the scan threads. Each flag is a
// lock-free atomic; waits for a cleared pause sleep on a condition variable
// and wake as soon as pause or stop changes (the window never waits here).
class ScanControl
{
public:
    bool scanning() const { return m_scanning.load(); }
    void setScanning(bool v) { m_scanning.store(v); }
    bool pause() const { return m_pause.load(); }
    void setPause(bool v);
    bool stop() const { return m_stop.load(); }
    void setStop(bool v);
    // Async-signal-safe: only stores the flag; waiters see it within a second.
    void requestStopFromSignal() { m_stop.store(true); }
    bool added() const { return m_added.load(); }
    void setAdded(bool v);
    bool go() const { return m_go.load(); }
    void setGo(bool v) { m_go.store(v); }

    // Files handled so far by all searches together.
    quint64 processed() const { return m_processed.load(std::memory_order_relaxed); }
    void addProcessed(quint64 n = 1) { m_processed.fetch_add(n, std::memory_order_relaxed); }
    void resetProcessed() { m_processed.store(0); }

    // Holds while paused; returns true if the caller should go on, false once
    // a stop has been requested.
    bool waitWhilePaused();
    // Blocks until `added` is true.
    void waitUntilAdded();

    // Threads blocked in waitWhilePaused right now: a paused run has truly
    // come to rest once this is above zero.
    int pausedWaiters() const { return m_pausedWaiters.load(); }

    // Named points a run passes. Each can be held, so tests stop a run at a
    // known point and let it go without timing; open unless held.
    enum class Point : unsigned
    {
        BeforeCollection = 0, // the worker has started, nothing walked yet
        BeforeDetection = 1,  // collection is over, nothing compared yet
        BeforeFinish = 2,     // the results are made, not yet handed over
    };
    // Survives reset(), so it applies to the run about to start.
    void setHeld(Point point, bool held);
    bool isHeld(Point point) const;
    // The run's worker calls this at each point: it blocks while the point
    // is held and no stop is requested.
    void pass(Point point);
    // True while a worker waits at `point`.
    bool isWaitingAt(Point point) const;

    // Back to the idle state of a fresh run (all flags false, processed 0).
    void reset();

private:
    std::atomic<bool> m_scanning{false};
    std::atomic<bool> m_pause{false};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_added{false};
    std::atomic<bool> m_go{false};
    std::atomic<quint64> m_processed{0};
    std::atomic<unsigned> m_held{0};
    std::atomic<unsigned> m_waitingAt{0};
    std::atomic<int> m_pausedWaiters{0};
    std::mutex m_mutex;
    std::condition_variable m_changed;
};
