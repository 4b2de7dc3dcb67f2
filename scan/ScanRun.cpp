#include "scan/ScanRun.h"

#include "scan/ExactDetector.h"
#include "scan/ScanObserver.h"

ScanObserver::~ScanObserver() = default;

ScanRun::ScanRun(ScanObserver* observer) : m_observer(observer) {}

ScanRun::ScanRun(std::unique_ptr<ScanObserver> observer)
    : m_ownedObserver(std::move(observer)), m_observer(m_ownedObserver.get())
{
}

ScanRun::~ScanRun()
{
    if (m_worker.busy()) {
        m_control.setStop(true);
    }
    m_worker.wait();
}

void ScanRun::start(QList<LocationEntry> entries, QSet<QByteArray> exceptions)
{
    wait();
    m_entries = std::move(entries);
    m_exceptions = std::move(exceptions);
    m_results = {};
    m_lists.clear();
    m_progress.reset();
    m_control.reset();
    m_control.setScanning(true);
    m_running.store(true);
    m_worker.start([this] { work(); });
}

void ScanRun::wait()
{
    m_worker.wait();
}

bool ScanRun::isRunning() const
{
    return m_running.load();
}

void ScanRun::work()
{
    m_control.setAdded(false);
    m_control.setGo(true);
    m_control.pass(ScanControl::Point::BeforeCollection);
    if (m_observer) {
        m_observer->collectionStarted();
    }
    Collector collector(m_control, m_progress, m_lists, &m_exceptions);
    m_outcome = collector.addAllPhotos(m_entries);
    m_entries.clear();
    if (m_observer) {
        m_observer->collectionFinished(m_outcome);
    }
    m_control.pass(ScanControl::Point::BeforeDetection);
    if (m_control.go()) {
        const quint64 total = m_lists.totalCount();
        if (m_observer) {
            m_observer->detectionStarted(total);
        }
        ExactDetector detector(m_control, m_progress);
        m_results = detector.exactMethod(m_lists, Modal::create());
        m_control.pass(ScanControl::Point::BeforeFinish);
        if (m_observer) {
            m_observer->scanFinished(m_results);
        }
    } else {
        m_progress.setStage(ScanProgress::Stage::Finished);
    }
    m_control.setScanning(false);
    m_running.store(false);
}
