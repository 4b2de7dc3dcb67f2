#pragma once

#include "platform/BackgroundWork.h"
#include "update/UpdateCheck.h"
#include "update/UpdateLock.h"
#include "updater/DownloadJob.h"
#include "updater/UpdaterLayout.h"

#include <QObject>
#include <QPointer>
#include <QVariantMap>
#include <atomic>
#include <functional>

class QTimer;
class StatusCenter;

namespace Updater {

class PromptWindow;
class ProgressPanel;

// The controller of Tidemark Updater: start-up, its own manifest check
// against the installed product, the attempts to download and the status
// handler that turns "notif" into the window's state.
class AppDelegate : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        // The updater's own bundle; empty: found from the executable.
        QByteArray updaterBundle;
        // Empty: the routing-table test.
        std::function<bool()> connectionTest;
        int checkTimeoutMs = 30000;
        int watchdogMs = 120000;
        // update()'s wait and the finished panel's wait.
        int pauseMs = 1000;
        DownloadJob::Settings job;
    };

    explicit AppDelegate(Options options, QObject* parent = nullptr);
    ~AppDelegate() override;

    void applicationDidFinishLaunching();
    void loadUrlsFile();
    QString appVersion() const;
    bool isInternetAvailable() const;
    // The manifest check, blocking; start-up runs its fetch off the UI thread.
    bool checkForUpdates();
    void updateApp();
    bool update();
    void remindMeLatter();
    void terminate();
    void promotWindow();
    void exception();
    void internetMsg();
    void handleException();
    void updateProgress(const QString& status);

    PromptWindow* window() const { return m_window; }
    ProgressPanel* progressPannel() const { return m_progressPannel; }
    const UpdaterLayout& layout() const { return m_layout; }
    const QString& cloudLattestFolderPath() const { return m_cloudLattestFolderPath; }
    const QString& localAppPlistFileVersion() const { return m_localAppPlistFileVersion; }
    bool watchdogArmed() const;
    // Waits for a running download job to end (tests, quitting).
    void waitForJob();
    bool jobRunning() const;
    // This updater holds the one-update-at-a-time lock.
    bool holdsLock() const { return m_lock.isHeld(); }

Q_SIGNALS:
    void terminateRequested();
    // Each status the handler took in, in order.
    void statusHandled(const QString& status);
    // The ok box came up: the run is over, one way or another.
    void finished();

private:
    UpdateCheck::Result fetchManifest();
    bool applyCheck(const UpdateCheck::Result& result);
    void afterCheck(bool found);
    void startDownload();
    void jobEnded();
    QByteArray cachesFolder() const;
    void showMessage(const QString& text);
    void disarmWatchdog();

    Options m_options;
    UpdaterLayout m_layout;
    StatusCenter* m_center;
    PromptWindow* m_window;
    ProgressPanel* m_progressPannel;
    QTimer* m_remindTimer = nullptr;
    QVariantMap m_urlDict;
    QByteArray m_localUrlsPath;
    QString m_cloudLattestFolderPath;
    QString m_localAppPlistFileVersion;
    QString m_expectedSha256;
    bool m_digestMalformed = false;
    // The manifest fetch and the download job, each off the UI thread.
    BackgroundWork m_check;
    BackgroundWork m_job;
    std::atomic_bool m_cancel{false};
    UpdateLock m_lock;
    bool m_manifestRead = false;
};

} // namespace Updater
