#pragma once

#include "scan/LocationEntry.h"
#include "scan/ScanControl.h"
#include "scan/ScanObserver.h"
#include "scan/ScanResults.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <memory>
#include <vector>

class ScanRun;

// Run control of a scan as the window sees it: the commands of the scan page
// and what they change, as signals. Lives on the UI thread and never waits on
// the scan: the engine's counters are read on timers, and the turns of a run
// arrive as queued calls.
class ScanSession : public QObject
{
    Q_OBJECT
public:
    explicit ScanSession(QObject* parent = nullptr);
    ~ScanSession() override;

    static QString getTimeFormStringForInterval(double seconds);
    // "Compared 3 of 10 files (1.20 MB of 4.00 MB)": comparison progress of
    // detection, so a long read of one large group still shows movement.
    static QString comparedText(quint64 files, quint64 filesTotal, quint64 bytes, quint64 bytesTotal);

    // Why a scan holds. The user's pause is the one the Pause/Resume button
    // shows; the close guard's hold is lifted only by its notice.
    enum class Hold : unsigned
    {
        None = 0,
        User = 1,  // Pause pressed, or Stop asked (the button reads "Resume")
        Guard = 2, // the window was closed during the scan
    };

    bool scanning() const;
    // The scan's pause flag is set: at least one hold is on.
    bool isPaused() const;
    bool userPaused() const { return m_holds & unsigned(Hold::User); }
    bool guardHeld() const { return m_holds & unsigned(Hold::Guard); }
    bool stopRequested() const;
    const QString& pauseTitle() const { return m_pauseTitle; }
    const ScanResults& results() const { return m_results; }
    quint64 processed() const;
    quint64 total() const { return m_total; }

    // Starts a scan of the marked entries; returns at once.
    void buttonFindDuplicatesExactClicked(const QList<LocationEntry>& entries,
                                          const QSet<QByteArray>& exceptions = {});
    // Pause or resume, by the button's current title.
    void pause();
    // Asks whether to stop; the scan holds while the question is open.
    void stop();
    void stopYesClicked();
    void stopNOClicked();
    // The close guard's hold: idempotent, however often the window is closed.
    void holdForGuard();
    // Lifts the guard's hold only; a pause of the user's stays.
    void releaseGuard();
    // Test seams. A held point stops the current run and runs started later
    // when they reach it, until it is released (see ScanControl::Point).
    void setHeldAt(ScanControl::Point point, bool held);
    void setDetectionGate(bool held) { setHeldAt(ScanControl::Point::BeforeDetection, held); }
    // The current run waits at `point`.
    bool isWaitingAt(ScanControl::Point point) const;
    // The current run is paused and its worker has come to rest in the pause.
    bool restsInPause() const;
    // No run is left, current or dropped, whose worker has not ended; what
    // such runs posted is then already queued for this thread.
    bool allRunsEnded();
    // Forgets the current run: flags cleared, timers stopped, results dropped.
    void homeCleanup();

    // Interval of the progress poll: a few dozen window updates a second at most.
    static constexpr int ProgressIntervalMs = 40;

Q_SIGNALS:
    void scanPageRequested();
    void elapsedTextChanged(const QString& text);
    void progressTextChanged(const QString& text);
    // indeterminate: the spinner of collection; otherwise a bar to `maximum`.
    void progressChanged(quint64 value, quint64 maximum, bool indeterminate);
    void animationRunningChanged(bool running);
    void pauseTitleChanged(const QString& title);
    void stopEnabledChanged(bool enabled);
    void pauseResumeEnabledChanged(bool enabled);
    void confirmationVisibleChanged(bool visible);
    void helpEnabledChanged(bool enabled);
    void detectionStarted(quint64 total);
    // Detection's comparison moved on (text from comparedText).
    void comparedTextChanged(const QString& text);
    // Collection found nothing: tell the user, then go home.
    void nothingCollected();
    // Collection was stopped: go home without detection.
    void collectionStopped();
    // The location list has been consumed by collection.
    void locationsConsumed();
    // Detection ended (possibly early); results() holds the trees.
    void scanFinished();

private:
    class Bridge;
    friend class Bridge;

    void onCollectionFinished(quint64 generation, Collector::Outcome outcome);
    void onDetectionStarted(quint64 generation, quint64 total);
    void onScanFinished(quint64 generation, const ScanResults& results);
    void pollProgress();
    // Applies the holds to the run's flag, the title, Stop and the animation.
    void setHold(Hold hold, bool on);
    void publishHolds();
    void tickElapsed();
    void reapFinishedRuns();
    double activeSeconds() const;

    std::vector<std::unique_ptr<ScanRun>> m_finishedRuns;
    std::unique_ptr<ScanRun> m_run;
    quint64 m_generation = 0;
    ScanResults m_results;
    QString m_pauseTitle;
    unsigned m_holds = 0;
    bool m_confirmationOpen = false;
    unsigned m_heldPoints = 0;
    QTimer m_progressTimer;
    QTimer m_elapsedTimer;
    QElapsedTimer m_scanClock;
    QElapsedTimer m_pauseClock;
    qint64 m_pausedMs = 0;
    quint64 m_total = 0;
    quint64 m_lastGeneration = 0;
    QString m_lastCompared;
    bool m_detecting = false;
};
