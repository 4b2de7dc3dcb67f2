#pragma once

#include "platform/BackgroundWork.h"
#include "scan/CategoryLists.h"
#include "scan/Collector.h"
#include "scan/LocationEntry.h"
#include "scan/ScanControl.h"
#include "scan/ScanProgress.h"
#include "scan/ScanResults.h"

#include <QSet>
#include <atomic>
#include <memory>

class ScanObserver;

// One scan from start to results: collection, then detection, on a worker
// thread of its own. The caller's thread never waits on it (wait() is for
// command-line use and tests).
class ScanRun
{
public:
    explicit ScanRun(ScanObserver* observer = nullptr);
    // The run owns its observer, which then lives as long as the worker.
    explicit ScanRun(std::unique_ptr<ScanObserver> observer);
    ~ScanRun();
    ScanRun(const ScanRun&) = delete;
    ScanRun& operator=(const ScanRun&) = delete;

    ScanControl& control() { return m_control; }
    ScanProgress& progress() { return m_progress; }

    // Starts the worker. `exceptions` are exact paths that are never collected.
    void start(QList<LocationEntry> entries, QSet<QByteArray> exceptions = {});
    void wait();
    bool isRunning() const;

    // Valid once the worker has ended.
    Collector::Outcome collectionOutcome() const { return m_outcome; }
    const ScanResults& results() const { return m_results; }

private:
    void work();

    std::unique_ptr<ScanObserver> m_ownedObserver;
    ScanObserver* m_observer;
    ScanControl m_control;
    ScanProgress m_progress;
    CategoryLists m_lists;
    QList<LocationEntry> m_entries;
    QSet<QByteArray> m_exceptions;
    Collector::Outcome m_outcome = Collector::Outcome::Empty;
    ScanResults m_results;
    std::atomic<bool> m_running{false};
    // Last, so the worker has ended before anything it uses goes.
    BackgroundWork m_worker;
};
