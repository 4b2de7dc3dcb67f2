#pragma once

#include <QThreadPool>
#include <functional>

// The one way work leaves the thread that asks for it: tasks run on a pool
// of threads owned by this object (one thread unless told otherwise), in the
// order they were started. The owner's end drops the tasks not yet begun and
// waits for the one in hand, so no task outlives the data it works on; a
// long task must therefore watch a stop flag that the owner raises first.
// Results go back to the asking thread by queued calls, never by waiting.
class BackgroundWork
{
public:
    explicit BackgroundWork(int maxThreads = 1);
    ~BackgroundWork();
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;

    void start(std::function<void()> task);
    // Drops the tasks that have not begun yet.
    void clear();
    // True while a task runs or waits to run.
    bool busy() const;
    // Blocks until every task has ended: shutdown, the command line and tests only.
    void wait();

    // Work that must not hold up the end of the program (it may outlive every
    // object, and the program may end while it runs): it gets a pool of its
    // own that nothing waits for.
    static void detach(std::function<void()> task);

private:
    QThreadPool m_pool;
};
