#pragma once

#include "scan/File.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <mutex>

// What the scan is doing right now, written by the scan threads and read by
// the window on its own timer. Writers only overwrite the latest value, so
// nothing queues up however many files go by.
class ScanProgress
{
public:
    enum class Stage
    {
        Idle,
        Collecting,
        Detecting,
        Finished
    };
    enum class Activity
    {
        None,
        Collecting,
        Processing
    };

    Stage stage() const { return m_stage.load(); }
    void setStage(Stage stage) { m_stage.store(stage); }

    quint64 collected() const { return m_collected.load(std::memory_order_relaxed); }
    void addCollected() { m_collected.fetch_add(1, std::memory_order_relaxed); }
    quint64 total() const { return m_total.load(); }
    void setTotal(quint64 total) { m_total.store(total); }

    // Comparison progress: files and bytes whose comparison is settled, out
    // of the totals the detector plans to compare. Lets the window show
    // movement while one large group is read.
    quint64 comparedFiles() const { return m_comparedFiles.load(std::memory_order_relaxed); }
    void addComparedFiles(quint64 count) { m_comparedFiles.fetch_add(count, std::memory_order_relaxed); }
    quint64 comparedBytes() const { return m_comparedBytes.load(std::memory_order_relaxed); }
    void addComparedBytes(quint64 bytes) { m_comparedBytes.fetch_add(bytes, std::memory_order_relaxed); }
    quint64 filesToCompare() const { return m_filesToCompare.load(std::memory_order_relaxed); }
    quint64 bytesToCompare() const { return m_bytesToCompare.load(std::memory_order_relaxed); }
    void addToCompare(quint64 files, quint64 bytes)
    {
        m_filesToCompare.fetch_add(files, std::memory_order_relaxed);
        m_bytesToCompare.fetch_add(bytes, std::memory_order_relaxed);
    }

    // Latest file being collected or processed, as folder (ending in '/')
    // and name: both are shared, so nothing is copied per file.
    void setCurrent(Activity activity, const QByteArray& folder, const QByteArray& name);
    void setCurrent(Activity activity, const File& file);
    Activity currentActivity() const;
    QByteArray currentPath() const;
    // "Collecting Files: %@" / "Processing File: %@" for the latest file, or
    // "Collecting Files..." before the first one.
    QString currentText() const;
    // Bumped on every setCurrent, so a reader can skip an unchanged value.
    quint64 generation() const { return m_generation.load(std::memory_order_relaxed); }

    void reset();

private:
    std::atomic<Stage> m_stage{Stage::Idle};
    std::atomic<quint64> m_collected{0};
    std::atomic<quint64> m_total{0};
    std::atomic<quint64> m_generation{0};
    std::atomic<quint64> m_comparedFiles{0};
    std::atomic<quint64> m_comparedBytes{0};
    std::atomic<quint64> m_filesToCompare{0};
    std::atomic<quint64> m_bytesToCompare{0};
    mutable std::mutex m_mutex;
    Activity m_activity = Activity::None;
    std::atomic<Activity> m_shownActivity{Activity::None};
    QByteArray m_folder;
    QByteArray m_name;
};
