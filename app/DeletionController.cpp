#include "app/DeletionController.h"

#include "app/AlertBox.h"
#include "review/DeletionRun.h"
#include "review/ResultStore.h"
#include "review/StatisticsStore.h"
#include "scan/Formatting.h"
#include "ui/DeletionPanel.h"
#include "ui/InformationWindow.h"
#include "ui/MainWindow.h"
#include "ui/ResultPage.h"
#include "ui/ViewTransparent.h"

#include <QAbstractButton>

namespace {
// The bar counts in int; very large runs are shown in proportion.
int barValue(quint64 value, quint64 maximum)
{
    const quint64 scale = maximum > 1000000000ULL ? maximum / 1000000 : 1;
    return static_cast<int>(qMin(value, maximum) / scale);
}
} // namespace

DeletionController::DeletionController(MainWindow* window, InformationWindow* information,
                                       StatisticsStore& store, ResultStore* results, QObject* parent)
    : QObject(parent), m_window(window), m_information(information), m_store(store), m_results(results)
{
    m_poll.setInterval(PollIntervalMs);
    connect(&m_poll, &QTimer::timeout, this, &DeletionController::poll);
    connect(m_window->resultPage(), &ResultPage::deleteClicked, this,
            [this] { deleteButtonExactPageClicked(m_window->resultPage()->deleteButton()); });
    DeletionPanel* panel = m_window->deletionPanel();
    connect(panel, &DeletionPanel::pauseResumeClicked, this, &DeletionController::pauseDeletionProcess);
    connect(panel, &DeletionPanel::stopClicked, this, &DeletionController::stopDeletionProcess);
}

DeletionController::~DeletionController() = default;

void DeletionController::deleteButtonExactPageClicked(QAbstractButton* sender)
{
    if (!m_window->resultPage()->unmarkAllButton()->isEnabled()) {
        m_information->showInformation(QStringLiteral("Information"),
                                       QStringLiteral("Please select any file to delete."), QString(),
                                       QString(), QStringLiteral("common_info"), QStringLiteral("Ok"));
        return;
    }
    sendToRecycleClicked(sender);
}

void DeletionController::sendToRecycleClicked(QAbstractButton*)
{
    const ModalPtr modal = m_results->tree();
    if (m_run || !modal || modal->totalFilesSelected() == 0) {
        return;
    }
    m_deletedCount = 0;
    m_deletedSize = 0;
    m_notMovedCount = 0;
    m_stopDeletion = false;
    m_pauseDeletion = false;
    m_state = RunState::Running;
    m_window->deletionPanel()->pauseButton()->setEnabled(true);
    m_window->deletionPanel()->stopButton()->setEnabled(true);
    setDeletionView();
    m_run = std::make_unique<DeletionRun>(*modal);
    m_window->deletionPanel()->setMaximum(barValue(m_run->maximum(), m_run->maximum()));
    m_run->setHeld(m_holdRuns);
    m_run->start();
    m_poll.start();
}

QString DeletionController::notMovedText(quint64 count)
{
    // A partial failure must never read as full success.
    if (count == 0) {
        return {};
    }
    if (count == 1) {
        return QStringLiteral("1 marked file could not be moved to the Trash and stays marked.");
    }
    return QStringLiteral("%1 marked files could not be moved to the Trash and stay marked.").arg(count);
}

QString DeletionController::journalErrorText(quint64 moved, const QString& error)
{
    if (moved == 0 || error.isEmpty()) {
        return {};
    }
    return QStringLiteral("The clean-up journal could not be written (%1): this clean-up cannot be undone.")
        .arg(error);
}

void DeletionController::setDeletionView()
{
    m_window->deletionPanel()->setStatus(QStringLiteral("Deleting files, please wait..."));
    m_window->deletionPanel()->setPaused(false);
    showDeletion();
}

void DeletionController::showDeletion()
{
    DeletionPanel* panel = m_window->deletionPanel();
    panel->setValue(0);
    new ViewTransparent(m_window);
    m_window->showOverlayAt(panel, 205, 114);
    panel->pauseButton()->setFocus();
    m_window->resultPage()->setDeleting(true);
}

void DeletionController::removeDeletionView()
{
    m_window->deletionPanel()->hide();
    ViewTransparent::removeAll(m_window);
    m_window->resultPage()->setDeleting(false);
}

void DeletionController::setRunsHeld(bool held)
{
    m_holdRuns = held;
    if (m_run) {
        m_run->setHeld(held);
    }
}

void DeletionController::setPaused(bool paused)
{
    m_pauseDeletion = paused;
    if (m_run) {
        m_run->setPaused(paused);
    }
}

void DeletionController::pauseDeletionProcess()
{
    const bool pause = m_state != RunState::Paused;
    m_state = pause ? RunState::Paused : RunState::Running;
    setPaused(pause);
    m_window->deletionPanel()->setPaused(pause);
    m_window->deletionPanel()->stopButton()->setEnabled(!m_pauseDeletion);
}

void DeletionController::stopDeletionProcess()
{
    m_state = RunState::StopAsked;
    setPaused(true);
    m_window->deletionPanel()->pauseButton()->setEnabled(false);
    m_window->deletionPanel()->setPaused(false);
    const QString question = QStringLiteral("Are you sure, you want to stop this process?");
    AlertBox::askYesNo(m_window, QStringLiteral("stopDeletionQuestion"), question, this,
                       [this](bool yes) { stopDeletionAnswered(yes); });
    Q_EMIT questionShown(question);
}

void DeletionController::stopDeletionAnswered(bool yes)
{
    if (yes) {
        m_state = RunState::Stopping;
        m_stopDeletion = true;
        if (m_run) {
            m_run->requestStop();
        }
        setPaused(false);
        return;
    }
    m_state = RunState::Running;
    setPaused(false);
    m_window->deletionPanel()->pauseButton()->setEnabled(true);
    m_window->deletionPanel()->stopButton()->setEnabled(true);
}

void DeletionController::applyRemoved()
{
    m_pending += m_run->takeRemoved();
    // A bounded share per turn of the event loop, so the window stays live
    // however many sets the Trash run handed back at once.
    QElapsedTimer clock;
    clock.start();
    while (m_applied < m_pending.size() && clock.elapsed() < ApplyBudgetMs) {
        const qsizetype end = qMin(m_pending.size(), m_applied + ApplyChunk);
        const RemovalResult result = m_results->forgetRemoved(m_pending.mid(m_applied, end - m_applied));
        for (qsizetype i = m_applied; i < end; ++i) {
            m_notMovedCount += m_pending.at(i).notMoved;
        }
        m_deletedCount += result.deletedFilesCount;
        m_deletedSize += result.deletedFilesSize;
        m_applied = end;
    }
    if (m_applied == m_pending.size()) {
        m_pending.clear();
        m_applied = 0;
    }
}

void DeletionController::poll()
{
    if (!m_run) {
        m_poll.stop();
        return;
    }
    // Read before draining: once finished, nothing more can arrive.
    const bool done = m_run->finished();
    applyRemoved();
    m_window->deletionPanel()->setValue(barValue(m_run->progress(), m_run->maximum()));
    if (done && m_pending.isEmpty()) {
        finish();
    } else if (!m_pending.isEmpty()) {
        QTimer::singleShot(0, this, &DeletionController::poll); // the rest at the next turn
    }
}

void DeletionController::finish()
{
    m_poll.stop();
    const QString journalError = m_run->recorder().error();
    m_run.reset(); // the thread has ended: this only joins it
    m_pauseDeletion = false;
    removeDeletionView();
    // Added to the totals as they are in the file now: a clean-up from the
    // command line meanwhile is kept.
    m_store.addToTotals(qint64(qMin<quint64>(m_deletedCount, INT64_MAX)),
                        qint64(qMin<quint64>(m_deletedSize, INT64_MAX)));
    Q_EMIT totalsChanged();
    QString third = notMovedText(m_notMovedCount);
    const QString journal = journalErrorText(m_deletedCount, journalError);
    if (!journal.isEmpty()) {
        third = third.isEmpty() ? journal : third + QLatin1Char(' ') + journal;
    }
    m_information->showInformation(
        QStringLiteral("Information"), QStringLiteral("Duplicates Cleaned: %1").arg(m_deletedCount),
        QStringLiteral("Space Regained: %1 ").arg(Formatting::getFormattedStringForSize(m_deletedSize)),
        third, QStringLiteral("common_info"), QStringLiteral("Ok"));
    Q_EMIT deletionFinished(m_deletedCount, m_deletedSize);
}
