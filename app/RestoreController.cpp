#include "app/RestoreController.h"

#include "app/AlertBox.h"
#include "platform/PathText.h"
#include "review/CleanupJournal.h"
#include "review/StatisticsStore.h"
#include "scan/Formatting.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QProgressDialog>

namespace {

constexpr int ListedInReport = 8;

} // namespace

RestoreController::RestoreController(QWidget* window, StatisticsStore& store,
                                     std::function<QByteArray()> supportFolder, QObject* parent)
    : QObject(parent), m_window(window), m_store(store), m_supportFolder(std::move(supportFolder))
{
    m_poll.setInterval(PollIntervalMs);
    connect(&m_poll, &QTimer::timeout, this, &RestoreController::poll);
}

RestoreController::~RestoreController()
{
    m_stop.store(true);
}

void RestoreController::setButton(QAbstractButton* button)
{
    m_button = button;
    connect(button, &QAbstractButton::clicked, this, &RestoreController::restoreLastCleanupClicked);
}

void RestoreController::restoreLastCleanupClicked()
{
    if (running()) {
        return;
    }
    const QString question =
        QStringLiteral("Put the files of the last clean-up back where they were? Files that stand "
                       "in their place now are left alone.");
    AlertBox::askYesNo(m_window, QStringLiteral("restoreQuestion"), question, this, [this](bool yes) {
        if (yes) {
            start();
        }
    });
    Q_EMIT questionShown(question);
}

void RestoreController::start()
{
    if (running()) {
        return;
    }
    m_stop.store(false);
    m_done.store(false);
    m_handled.store(0);
    m_total.store(0);
    m_result = {};
    m_running = true;
    if (m_button) {
        m_button->setEnabled(false);
    }
    auto* progress = new QProgressDialog(QStringLiteral("Restoring files from the Trash..."),
                                         QStringLiteral("Stop"), 0, 0, m_window);
    progress->setObjectName(QStringLiteral("restoreProgress"));
    progress->setWindowTitle(QStringLiteral("Tidemark"));
    progress->setWindowModality(Qt::WindowModal);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    progress->setMinimumDuration(ProgressAfterMs);
    // The stop is asked before each file; what came back until then stays back.
    connect(progress, &QProgressDialog::canceled, this, [this] { m_stop.store(true); });
    m_progress = progress;

    const QByteArray support = m_supportFolder ? m_supportFolder() : QByteArray();
    const std::function<void()> hook = m_beforeEachFile;
    m_work.start([this, support, hook] {
        // A store of its own: the window's is read on the UI thread only.
        StatisticsStore store;
        if (!support.isEmpty()) {
            store.loadDataFile(support);
        }
        CleanupJournal journal;
        if (const auto pending = journal.lastPending()) {
            m_total.store(quint64(pending->pendingCount()));
        }
        CleanupRestore::Result result =
            CleanupRestore::restoreLast(journal, support.isEmpty() ? nullptr : &store, [this, hook] {
                if (hook) {
                    hook();
                }
                if (m_stop.load()) {
                    return true;
                }
                m_handled.fetch_add(1, std::memory_order_relaxed);
                return false;
            });
        m_result = std::move(result);
        m_done.store(true);
    });
    m_poll.start();
}

void RestoreController::poll()
{
    const bool done = m_done.load();
    if (m_progress) {
        const quint64 total = m_total.load();
        if (total > 0 && quint64(m_progress->maximum()) != total) {
            m_progress->setRange(0, int(qMin<quint64>(total, INT_MAX)));
        }
        if (total > 0) {
            m_progress->setValue(int(qMin<quint64>(m_handled.load(), INT_MAX)));
        }
    }
    if (done) {
        finish();
    }
}

QString RestoreController::reportText(const CleanupRestore::Result& result, QString* detail)
{
    if (!result.found) {
        return QStringLiteral("There is no clean-up to restore.");
    }
    QString text = QStringLiteral("Restored %1 of %2 files (%3).")
                       .arg(result.restoredCount)
                       .arg(result.files.size())
                       .arg(Formatting::getFormattedStringForSize(result.restoredSize));
    QStringList failed;
    for (const CleanupRestore::FileOutcome& file : result.files) {
        if (file.status != CleanupRestore::Status::Restored) {
            failed << QStringLiteral("%1: %2").arg(PathText::display(file.originalPath), file.reason);
        }
    }
    if (!failed.isEmpty()) {
        text += QStringLiteral("\n\nNot restored:\n") + failed.mid(0, ListedInReport).join(QLatin1Char('\n'));
        if (failed.size() > ListedInReport) {
            text += QStringLiteral("\n... and %1 more (see the details)").arg(failed.size() - ListedInReport);
        }
    }
    if (result.stopped) {
        text += QStringLiteral("\n\nStopped before every file was tried: restore again for the rest.");
    }
    if (!result.journalError.isEmpty()) {
        text +=
            QStringLiteral("\n\nThe clean-up journal could not be updated (%1).").arg(result.journalError);
    }
    if (detail) {
        *detail = failed.join(QLatin1Char('\n'));
    }
    return text;
}

void RestoreController::finish()
{
    m_poll.stop();
    m_running = false;
    if (m_progress) {
        m_progress->close();
        m_progress->deleteLater();
    }
    if (m_button) {
        m_button->setEnabled(true);
    }
    // The restore lowered the totals in the file: the window reads them back.
    const QByteArray support = m_supportFolder ? m_supportFolder() : QByteArray();
    if (!support.isEmpty()) {
        m_store.loadDataFile(support);
    }
    Q_EMIT totalsChanged();

    QString detail;
    const QString text = reportText(m_result, &detail);
    QMessageBox* box =
        AlertBox::create(m_window, QStringLiteral("restoreReport"), QStringLiteral("Tidemark"), text);
    box->setIcon(m_result.found && !m_result.allRestored() ? QMessageBox::Warning : QMessageBox::Information);
    if (!detail.isEmpty()) {
        box->setDetailedText(detail);
    }
    box->addButton(QStringLiteral("Ok"), QMessageBox::AcceptRole);
    box->open();
    Q_EMIT reportShown(text);
    Q_EMIT restoreFinished();
}
