#include "scan/ScanSession.h"

#include "scan/Formatting.h"
#include "scan/ScanRun.h"

#include <QMetaObject>
#include <QPointer>

// Hands the run's turns to the session's thread without waiting. Each call
// carries the generation of its run, so a late call from a run the user has
// already left is dropped.
class ScanSession::Bridge : public ScanObserver
{
public:
    Bridge(ScanSession* session, quint64 generation) : m_session(session), m_generation(generation) {}

    void collectionFinished(Collector::Outcome outcome) override
    {
        post([s = m_session, g = m_generation, outcome] {
            if (s) {
                s->onCollectionFinished(g, outcome);
            }
        });
    }
    void detectionStarted(quint64 total) override
    {
        post([s = m_session, g = m_generation, total] {
            if (s) {
                s->onDetectionStarted(g, total);
            }
        });
    }
    void scanFinished(const ScanResults& results) override
    {
        post([s = m_session, g = m_generation, results] {
            if (s) {
                s->onScanFinished(g, results);
            }
        });
    }

private:
    void post(std::function<void()> work)
    {
        if (m_session) {
            QMetaObject::invokeMethod(m_session, std::move(work), Qt::QueuedConnection);
        }
    }

    QPointer<ScanSession> m_session;
    quint64 m_generation;
};

ScanSession::ScanSession(QObject* parent) : QObject(parent), m_pauseTitle(QStringLiteral("Pause"))
{
    m_progressTimer.setInterval(ProgressIntervalMs);
    connect(&m_progressTimer, &QTimer::timeout, this, &ScanSession::pollProgress);
    m_elapsedTimer.setInterval(1000);
    connect(&m_elapsedTimer, &QTimer::timeout, this, &ScanSession::tickElapsed);
}

ScanSession::~ScanSession()
{
    // Runs still going are told to stop; their destructors join them.
    if (m_run) {
        m_run->control().setStop(true);
    }
    m_run.reset();
    m_finishedRuns.clear();
}

QString ScanSession::getTimeFormStringForInterval(double seconds)
{
    const qint64 t = seconds > 0 ? static_cast<qint64>(seconds) : 0;
    const auto two = [](qint64 v) { return v < 10 ? QStringLiteral("0%1").arg(v) : QString::number(v); };
    return QStringLiteral("Elapsed Time: %1:%2:%3")
        .arg(two((t / 3600) % 24), two((t / 60) % 60), two(t % 60));
}

QString ScanSession::comparedText(quint64 files, quint64 filesTotal, quint64 bytes, quint64 bytesTotal)
{
    return QStringLiteral("Compared %1 of %2 files (%3 of %4)")
        .arg(files)
        .arg(filesTotal)
        .arg(Formatting::getFormattedStringForSize(bytes), Formatting::getFormattedStringForSize(bytesTotal));
}

bool ScanSession::scanning() const
{
    return m_run && m_run->control().scanning();
}

bool ScanSession::isPaused() const
{
    return m_run && m_run->control().pause();
}

bool ScanSession::stopRequested() const
{
    return m_run && m_run->control().stop();
}

quint64 ScanSession::processed() const
{
    return m_run ? m_run->control().processed() : 0;
}

void ScanSession::buttonFindDuplicatesExactClicked(const QList<LocationEntry>& entries,
                                                   const QSet<QByteArray>& exceptions)
{
    if (scanning()) {
        return;
    }
    reapFinishedRuns();
    if (m_run) {
        m_finishedRuns.push_back(std::move(m_run));
    }
    ++m_generation;
    m_run = std::make_unique<ScanRun>(std::make_unique<Bridge>(this, m_generation));
    m_results = {};
    m_total = 0;
    m_detecting = false;
    m_pausedMs = 0;
    m_pauseClock.invalidate();
    m_pauseTitle = QStringLiteral("Pause");
    m_holds = 0;
    m_confirmationOpen = false;
    m_lastGeneration = 0;
    m_lastCompared.clear();

    m_scanClock.start();
    Q_EMIT elapsedTextChanged(getTimeFormStringForInterval(0));
    Q_EMIT helpEnabledChanged(false);
    Q_EMIT progressChanged(0, 0, true);
    Q_EMIT progressTextChanged(QStringLiteral("Collecting Files..."));
    Q_EMIT pauseTitleChanged(m_pauseTitle);
    Q_EMIT stopEnabledChanged(true);
    Q_EMIT pauseResumeEnabledChanged(true);
    Q_EMIT animationRunningChanged(true);
    Q_EMIT scanPageRequested();

    for (ScanControl::Point point : {ScanControl::Point::BeforeCollection,
                                     ScanControl::Point::BeforeDetection, ScanControl::Point::BeforeFinish}) {
        m_run->control().setHeld(point, m_heldPoints & (1u << unsigned(point)));
    }
    m_run->start(entries, exceptions);
    m_progressTimer.start();
    m_elapsedTimer.start();
}

void ScanSession::setHeldAt(ScanControl::Point point, bool held)
{
    const unsigned bit = 1u << unsigned(point);
    m_heldPoints = held ? (m_heldPoints | bit) : (m_heldPoints & ~bit);
    if (m_run) {
        m_run->control().setHeld(point, held);
    }
}

bool ScanSession::isWaitingAt(ScanControl::Point point) const
{
    return m_run && m_run->control().isWaitingAt(point);
}

bool ScanSession::restsInPause() const
{
    return m_run && m_run->control().pause() && m_run->control().pausedWaiters() > 0;
}

bool ScanSession::allRunsEnded()
{
    reapFinishedRuns();
    return m_finishedRuns.empty() && (!m_run || !m_run->isRunning());
}

void ScanSession::setHold(Hold hold, bool on)
{
    if (on) {
        m_holds |= unsigned(hold);
    } else {
        m_holds &= ~unsigned(hold);
    }
    publishHolds();
}

void ScanSession::publishHolds()
{
    const bool paused = m_holds != 0;
    if (m_run) {
        const bool was = m_run->control().pause();
        if (paused && !was) {
            m_pauseClock.start();
        } else if (!paused && was && m_pauseClock.isValid()) {
            m_pausedMs += m_pauseClock.elapsed();
            m_pauseClock.invalidate();
        }
        m_run->control().setPause(paused);
    }
    // The title, Stop and the animation follow the holds, never the other way round.
    m_pauseTitle = userPaused() ? QStringLiteral("Resume") : QStringLiteral("Pause");
    Q_EMIT pauseTitleChanged(m_pauseTitle);
    Q_EMIT stopEnabledChanged(!userPaused() && !stopRequested());
    Q_EMIT animationRunningChanged(scanning() && !paused);
}

void ScanSession::holdForGuard()
{
    if (scanning()) {
        setHold(Hold::Guard, true);
    }
}

void ScanSession::releaseGuard()
{
    if (guardHeld()) {
        setHold(Hold::Guard, false);
    }
}

void ScanSession::pause()
{
    if (!m_run) {
        return;
    }
    setHold(Hold::User, !userPaused());
}

void ScanSession::stop()
{
    if (!m_run || m_confirmationOpen) {
        return;
    }
    m_confirmationOpen = true;
    Q_EMIT confirmationVisibleChanged(true);
    Q_EMIT pauseResumeEnabledChanged(false);
    if (!userPaused()) {
        pause();
    }
}

void ScanSession::stopYesClicked()
{
    m_confirmationOpen = false;
    Q_EMIT confirmationVisibleChanged(false);
    if (m_run) {
        m_run->control().setStop(true);
    }
    // Every hold ends: a stopping scan must reach its stop point.
    m_holds = 0;
    publishHolds();
}

void ScanSession::stopNOClicked()
{
    m_confirmationOpen = false;
    Q_EMIT pauseResumeEnabledChanged(true);
    Q_EMIT confirmationVisibleChanged(false);
    // It resumes, also when the user had paused before asking; a hold of
    // the close guard stays until its notice is answered.
    if (userPaused()) {
        setHold(Hold::User, false);
    }
}

void ScanSession::homeCleanup()
{
    if (m_run) {
        m_run->control().setPause(false);
        m_run->control().setStop(m_run->isRunning());
        m_finishedRuns.push_back(std::move(m_run));
    }
    ++m_generation; // late calls from the old run are ignored
    m_progressTimer.stop();
    m_elapsedTimer.stop();
    m_results = {};
    m_total = 0;
    m_detecting = false;
    m_holds = 0;
    m_confirmationOpen = false;
    m_pauseTitle = QStringLiteral("Pause");
    Q_EMIT stopEnabledChanged(true);
    Q_EMIT helpEnabledChanged(true);
    Q_EMIT pauseTitleChanged(m_pauseTitle);
    Q_EMIT pauseResumeEnabledChanged(true);
    Q_EMIT animationRunningChanged(false);
    Q_EMIT progressChanged(0, 0, false);
    reapFinishedRuns();
}

void ScanSession::reapFinishedRuns()
{
    std::erase_if(m_finishedRuns, [](const std::unique_ptr<ScanRun>& run) { return !run->isRunning(); });
}

double ScanSession::activeSeconds() const
{
    qint64 paused = m_pausedMs;
    if (m_pauseClock.isValid()) {
        paused += m_pauseClock.elapsed();
    }
    return static_cast<double>(m_scanClock.elapsed() - paused) / 1000.0;
}

void ScanSession::tickElapsed()
{
    if (!m_scanClock.isValid() || isPaused()) {
        return;
    }
    Q_EMIT elapsedTextChanged(getTimeFormStringForInterval(activeSeconds()));
}

void ScanSession::pollProgress()
{
    reapFinishedRuns();
    if (!m_run || isPaused()) {
        return; // reports that arrive while paused are not shown
    }
    ScanProgress& progress = m_run->progress();
    const quint64 generation = progress.generation();
    if (generation != m_lastGeneration) {
        m_lastGeneration = generation;
        Q_EMIT progressTextChanged(progress.currentText());
    }
    if (m_detecting) {
        Q_EMIT progressChanged(m_run->control().processed(), m_total, false);
        if (progress.filesToCompare() != 0) {
            const QString compared = comparedText(progress.comparedFiles(), progress.filesToCompare(),
                                                  progress.comparedBytes(), progress.bytesToCompare());
            if (compared != m_lastCompared) {
                m_lastCompared = compared;
                Q_EMIT comparedTextChanged(compared);
            }
        }
    }
}

void ScanSession::onCollectionFinished(quint64 generation, Collector::Outcome outcome)
{
    if (generation != m_generation) {
        return;
    }
    switch (outcome) {
    case Collector::Outcome::Stopped:
        m_progressTimer.stop();
        m_elapsedTimer.stop();
        Q_EMIT collectionStopped();
        return;
    case Collector::Outcome::Empty:
        m_progressTimer.stop();
        m_elapsedTimer.stop();
        Q_EMIT animationRunningChanged(false);
        Q_EMIT progressChanged(0, 0, false);
        Q_EMIT locationsConsumed();
        Q_EMIT nothingCollected();
        return;
    case Collector::Outcome::Collected:
        Q_EMIT progressChanged(0, 0, false);
        Q_EMIT locationsConsumed();
        return;
    }
}

void ScanSession::onDetectionStarted(quint64 generation, quint64 total)
{
    if (generation != m_generation) {
        return;
    }
    m_total = total;
    m_detecting = true;
    Q_EMIT detectionStarted(total);
    Q_EMIT progressChanged(0, total, false);
}

void ScanSession::onScanFinished(quint64 generation, const ScanResults& results)
{
    if (generation != m_generation) {
        return;
    }
    m_results = results;
    if (m_run) {
        m_run->control().setScanning(false); // the run is over once its results are shown
    }
    // A run that ended while asked to stop or held leaves no question and no
    // hold behind on the results page.
    if (m_confirmationOpen) {
        m_confirmationOpen = false;
        Q_EMIT confirmationVisibleChanged(false);
        Q_EMIT pauseResumeEnabledChanged(true);
    }
    m_holds = 0;
    if (m_run) {
        m_run->control().setPause(false);
    }
    m_progressTimer.stop();
    m_elapsedTimer.stop();
    if (!isPaused()) {
        Q_EMIT elapsedTextChanged(getTimeFormStringForInterval(activeSeconds()));
    }
    if (m_run) {
        Q_EMIT progressChanged(m_run->control().processed(), m_total, false);
    }
    Q_EMIT helpEnabledChanged(true);
    Q_EMIT scanFinished();
}
