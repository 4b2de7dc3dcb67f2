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
    // Threads holding in waitWhilePaused right now (tests: the pause has taken hold).
    int heldThreads() const { return m_held.load(); }
    // Blocks until `added` is true.
    void waitUntilAdded();

    // A gate the run passes between collection and detection; open unless
    // closed. Lets tests hold a run at a known point without timing.
    void setGateClosed(bool closed);
    // Blocks while the gate is closed and no stop is requested.
    void passGate();

    // Back to the idle state of a fresh run (all flags false, processed 0).
    void reset();

private:
    std::atomic<bool> m_scanning{false};
    std::atomic<bool> m_pause{false};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_added{false};
    std::atomic<bool> m_go{false};
    std::atomic<quint64> m_processed{0};
    std::atomic<bool> m_gateClosed{false};
    std::atomic<int> m_held{0};
    std::mutex m_mutex;
    std::condition_variable m_changed;
};
