#pragma once

#include "review/DeletionRun.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <memory>

class InformationWindow;
class MainWindow;
class QAbstractButton;
class ResultStore;
class StatisticsStore;

// The delete command: moves the marked files of the tree on screen to the
// Trash set by set while the deletion view shows the share handled, then
// records the totals and reports what was cleaned. The trashing runs off the
// UI thread; the window reads its progress on a timer and takes the handled
// sets out of the tree, so it stays live and never waits for the run.
class DeletionController : public QObject
{
    Q_OBJECT
public:
    DeletionController(MainWindow* window, InformationWindow* information, StatisticsStore& store,
                       ResultStore* results, QObject* parent = nullptr);
    ~DeletionController() override;

    // Where the run stands as the user steered it; Pause/Resume shows it.
    enum class RunState
    {
        Running,
        Paused,    // Pause pressed: Resume continues
        StopAsked, // held while the stop question is open
        Stopping,  // Yes: the run ends after the set at hand
    };

    bool running() const { return m_run != nullptr; }
    // Runs wait before their first set until released (a test seam).
    void setRunsHeld(bool held);
    RunState runState() const { return m_state; }
    bool pauseRequested() const { return m_pauseDeletion; }
    bool stopRequested() const { return m_stopDeletion; }

    void deleteButtonExactPageClicked(QAbstractButton* sender);
    void sendToRecycleClicked(QAbstractButton* sender);
    void setDeletionView();
    void showDeletion();
    void removeDeletionView();
    void pauseDeletionProcess();
    void stopDeletionProcess();
    // The answer to the stop question.
    void stopDeletionAnswered(bool yes);

    static constexpr int PollIntervalMs = 40;
    // The tree's share of a poll: at most this long, in chunks of sets.
    static constexpr int ApplyBudgetMs = 10;
    static constexpr qsizetype ApplyChunk = 4096;

Q_SIGNALS:
    // The totals in data.plist changed: the cleaned-so-far line is stale.
    void totalsChanged();
    // A run ended and its report is up.
    void deletionFinished(quint64 count, quint64 bytes);
    // The stop question was opened (tests answer it).
    void questionShown(const QString& text);

public:
    // The report's line for marked files left in place; empty when none.
    static QString notMovedText(quint64 count);
    // The report's line when the journal of a clean-up could not be written.
    static QString journalErrorText(quint64 moved, const QString& error);

private:
    void poll();
    void applyRemoved();
    void finish();
    void setPaused(bool paused);

    MainWindow* m_window;
    InformationWindow* m_information;
    StatisticsStore& m_store;
    ResultStore* m_results;
    std::unique_ptr<DeletionRun> m_run;
    QTimer m_poll;
    // Sets the run handed back, applied to the tree from m_applied on.
    QList<DeletionRun::Removed> m_pending;
    qsizetype m_applied = 0;
    qint64 m_countAtStart = 0;
    quint64 m_sizeAtStart = 0;
    quint64 m_deletedCount = 0;
    quint64 m_deletedSize = 0;
    quint64 m_notMovedCount = 0;
    RunState m_state = RunState::Running;
    bool m_pauseDeletion = false;
    bool m_stopDeletion = false;
    bool m_holdRuns = false;
};
