#pragma once

#include "platform/BackgroundWork.h"
#include "review/CleanupRestore.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>

class QAbstractButton;
#include <QProgressDialog>
class QWidget;
class StatisticsStore;

// "Restore Last Clean-up": asks first, then puts the files of the last
// clean-up back from the Trash on a thread of its own. The window polls the
// share done on a timer and shows it when the work takes long, so it never
// waits and never freezes; at the end it tells what could not come back and
// why, and reads the lowered totals back from data.plist.
class RestoreController : public QObject
{
    Q_OBJECT
public:
    // `supportFolder` gives the folder of data.plist at the time of the restore.
    RestoreController(QWidget* window, StatisticsStore& store, std::function<QByteArray()> supportFolder,
                      QObject* parent = nullptr);
    // Stops the restore before its next file and waits for the file in hand
    // (only when the program ends).
    ~RestoreController() override;

    // The command's button; disabled while a restore runs.
    void setButton(QAbstractButton* button);

    bool running() const { return m_running; }
    // Asks the question; "YES" starts the restore.
    void restoreLastCleanupClicked();
    void start();
    QProgressDialog* progressDialog() const { return m_progress; }

    // Runs on the restore's thread before each file (tests hold it there).
    void setBeforeEachFile(std::function<void()> hook) { m_beforeEachFile = std::move(hook); }

    static constexpr int PollIntervalMs = 100;
    // The progress shows when the restore takes longer than this.
    static constexpr int ProgressAfterMs = 400;

    // The report's text for a result; `detail` gets every file not restored.
    static QString reportText(const CleanupRestore::Result& result, QString* detail = nullptr);

Q_SIGNALS:
    void questionShown(const QString& text);
    void reportShown(const QString& text);
    // data.plist was read again: the cleaned-so-far line is stale.
    void totalsChanged();
    void restoreFinished();

private:
    void poll();
    void finish();

    QWidget* m_window;
    StatisticsStore& m_store;
    std::function<QByteArray()> m_supportFolder;
    QPointer<QAbstractButton> m_button;
    QPointer<QProgressDialog> m_progress;
    QTimer m_poll;
    std::function<void()> m_beforeEachFile;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{false};
    std::atomic<quint64> m_handled{0};
    std::atomic<quint64> m_total{0};
    bool m_running = false;
    // Written by the worker before m_done is raised; read after.
    CleanupRestore::Result m_result;
    // Last: it goes first, waiting for the restore in hand.
    BackgroundWork m_work;
};
