#include "review/DeletionRun.h"

#include <utility>

DeletionRun::DeletionRun(const Modal& modal) : m_maximum(modal.totalFilesSelected())
{
    // Groups and sets without a mark are passed over, as the loop would.
    const QList<ExtensionsPtr>& groups = modal.extensions();
    for (qsizetype g = 0; g < groups.size(); ++g) {
        const ExtensionsPtr& extension = groups.at(g);
        if (extension->extensionState() == MarkState::Unmarked) {
            continue;
        }
        const QList<SetPtr>& sets = extension->sets();
        for (qsizetype s = 0; s < sets.size(); ++s) {
            if (sets.at(s)->setsState() != MarkState::Unmarked) {
                m_plan.append({extension, sets.at(s), int(g), int(s), sets.at(s)->totalFilesSelectedInSet()});
            }
        }
    }
}

DeletionRun::~DeletionRun()
{
    requestStop();
    m_thread.wait();
}

void DeletionRun::start()
{
    if (!std::exchange(m_started, true)) {
        m_thread.start([this] { run(); });
    }
}

void DeletionRun::setPaused(bool paused)
{
    {
        std::lock_guard lock(m_mutex);
        m_paused.store(paused);
    }
    m_changed.notify_all();
}

void DeletionRun::setHeld(bool held)
{
    {
        std::lock_guard lock(m_mutex);
        m_held.store(held);
    }
    m_changed.notify_all();
}

void DeletionRun::requestStop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop.store(true);
    }
    m_changed.notify_all();
}

bool DeletionRun::waitWhilePaused()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return (!m_paused.load() && !m_held.load()) || m_stop.load(); });
    return !m_stop.load();
}

QList<DeletionRun::Removed> DeletionRun::takeRemoved()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_removed, {});
}

void DeletionRun::run()
{
    for (const Step& step : std::as_const(m_plan)) {
        if (!waitWhilePaused()) {
            break;
        }
        m_progress.fetch_add(step.marked, std::memory_order_relaxed);
        m_recorder.beforeSet(*step.set);
        QList<FilePtr> files = step.set->trashSelectedFiles();
        m_recorder.afterSet(files);
        const quint64 moved = quint64(files.size());
        const quint64 notMoved = step.marked > moved ? step.marked - moved : 0;
        std::lock_guard lock(m_mutex);
        m_removed.append({step.extension, step.set, step.groupRow, step.setRow, std::move(files), notMoved});
    }
    m_recorder.finish();
    m_finished.store(true);
}

void DeletionRun::wait()
{
    m_thread.wait();
}
