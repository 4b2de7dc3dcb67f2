#include "scan/ScanProgress.h"

#include "platform/PathText.h"

void ScanProgress::setCurrent(Activity activity, const QByteArray& folder, const QByteArray& name)
{
    {
        // Several searches report a file each, many thousand times a
        // second: while another holds the lock, this one's file is simply
        // not shown, unless it starts a new activity.
        std::unique_lock lock(m_mutex, std::try_to_lock);
        if (!lock.owns_lock()) {
            if (m_shownActivity.load(std::memory_order_relaxed) == activity) {
                return;
            }
            lock.lock();
        }
        m_activity = activity;
        m_shownActivity.store(activity, std::memory_order_relaxed);
        m_folder = folder;
        m_name = name;
    }
    m_generation.fetch_add(1, std::memory_order_relaxed);
}

void ScanProgress::setCurrent(Activity activity, const File& file)
{
    setCurrent(activity, file.folder(), file.fileName());
}

ScanProgress::Activity ScanProgress::currentActivity() const
{
    std::lock_guard lock(m_mutex);
    return m_activity;
}

QByteArray ScanProgress::currentPath() const
{
    std::lock_guard lock(m_mutex);
    return m_folder + m_name;
}

QString ScanProgress::currentText() const
{
    Activity activity;
    QByteArray path;
    {
        std::lock_guard lock(m_mutex);
        activity = m_activity;
        path = m_folder + m_name;
    }
    switch (activity) {
    case Activity::Collecting:
        return QStringLiteral("Collecting Files: %1").arg(PathText::display(path));
    case Activity::Processing:
        return QStringLiteral("Processing File: %1").arg(PathText::display(path));
    case Activity::None:
        break;
    }
    return QStringLiteral("Collecting Files...");
}

void ScanProgress::reset()
{
    std::lock_guard lock(m_mutex);
    m_stage.store(Stage::Idle);
    m_collected.store(0);
    m_total.store(0);
    m_comparedFiles.store(0);
    m_comparedBytes.store(0);
    m_filesToCompare.store(0);
    m_bytesToCompare.store(0);
    m_activity = Activity::None;
    m_shownActivity.store(Activity::None, std::memory_order_relaxed);
    m_folder.clear();
    m_name.clear();
    m_generation.fetch_add(1);
}
