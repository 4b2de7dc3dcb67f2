#include "platform/BackgroundWork.h"

BackgroundWork::BackgroundWork(int maxThreads)
{
    m_pool.setMaxThreadCount(qMax(1, maxThreads));
    // A long run keeps its thread; idle threads go after a while.
    m_pool.setExpiryTimeout(30000);
}

BackgroundWork::~BackgroundWork()
{
    m_pool.clear();
    m_pool.waitForDone();
}

void BackgroundWork::start(std::function<void()> task)
{
    m_pool.start(std::move(task));
}

void BackgroundWork::clear()
{
    m_pool.clear();
}

bool BackgroundWork::busy() const
{
    // A started task holds a thread from start() on: the pool hands it to a
    // thread at once, or queues it behind one that is busy.
    return m_pool.activeThreadCount() > 0;
}

void BackgroundWork::wait()
{
    m_pool.waitForDone();
}

void BackgroundWork::detach(std::function<void()> task)
{
    // Never destroyed: the end of the program must not wait for these tasks.
    static QThreadPool* const pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(8);
        return p;
    }();
    pool->start(std::move(task));
}
