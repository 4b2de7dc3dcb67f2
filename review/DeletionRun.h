#pragma once

#include "platform/BackgroundWork.h"
#include "review/CleanupRecorder.h"
#include "scan/Modal.h"

#include <QList>
#include <atomic>
#include <condition_variable>
#include <mutex>

// Moves the marked files of a tree to the Trash, set by set, on a thread of
// its own. The thread only reads the tree and trashes files; the sets it has
// handled are handed back (takeRemoved) for the UI thread to take out of the
// tree, so the window can go on drawing the tree meanwhile. Pause and stop
// are honoured before every group and every set; nothing here ever waits for
// the UI thread, and the UI thread never waits for the run.
class DeletionRun
{
public:
    struct Removed
    {
        ExtensionsPtr extension;
        SetPtr set;
        // Where the set sits in the tree the run was planned from.
        int groupRow = 0;
        int setRow = 0;
        QList<FilePtr> files;
        // Marked files of the set that could not be moved to the Trash (gone,
        // changed, refused by the Trash, or no independent copy left).
        quint64 notMoved = 0;
    };

    // Plans the run from the marks of `modal` as they are now; call on the
    // thread that owns the tree, and change no mark until the run is over.
    explicit DeletionRun(const Modal& modal);
    // Stops the run and waits for the set in hand (only at shutdown).
    ~DeletionRun();
    DeletionRun(const DeletionRun&) = delete;
    DeletionRun& operator=(const DeletionRun&) = delete;

    void start();
    void setPaused(bool paused);
    bool paused() const { return m_paused.load(); }
    // Holds the run before its next set apart from Pause (a test seam: a
    // run that is held cannot finish before the test has acted).
    void setHeld(bool held);
    // Ends the run before the next set; a set being trashed is finished first.
    void requestStop();
    bool stopRequested() const { return m_stop.load(); }

    // Marked files handled so far, out of maximum(): each set counts its marks
    // when it is reached, so the share shown is the share handled.
    quint64 progress() const { return m_progress.load(std::memory_order_relaxed); }
    quint64 maximum() const { return m_maximum; }
    // The sets handled since the last call, in tree order.
    QList<Removed> takeRemoved();
    // True once the thread has handed back its last set.
    bool finished() const { return m_finished.load(); }
    // Blocks until the thread has ended (command line and tests only).
    void wait();
    // Every file the run trashes is written to the clean-up journal;
    // read this once finished() is true.
    const CleanupRecorder& recorder() const { return m_recorder; }

private:
    struct Step
    {
        ExtensionsPtr extension;
        SetPtr set;
        int groupRow = 0;
        int setRow = 0;
        quint64 marked = 0;
    };

    void run();
    // False once a stop was asked for.
    bool waitWhilePaused();

    QList<Step> m_plan;
    quint64 m_maximum = 0;
    std::atomic<quint64> m_progress{0};
    std::atomic<bool> m_paused{false};
    std::atomic<bool> m_held{false};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{false};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    QList<Removed> m_removed; // guarded by m_mutex
    CleanupRecorder m_recorder;
    // Last, so the thread has ended before anything it uses goes.
    BackgroundWork m_thread;
    bool m_started = false;
};
