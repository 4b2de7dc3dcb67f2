#pragma once

#include "platform/BackgroundWork.h"
#include "update/UpdateCheck.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>
#include <atomic>
#include <functional>

class QWidget;

// Tidemark's side of updates: reads the URL table, asks the update server
// whether a newer version is offered (always off the UI thread), prompts, and
// starts Tidemark Updater from inside the bundle.
class UpdateController : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QString bundlePath;
        std::function<bool()> connectionTest;
        int timeoutMs = 30000;
        bool launchUpdater = true;
    };

    explicit UpdateController(QWidget* window, QObject* parent = nullptr);
    UpdateController(QWidget* window, Options options, QObject* parent = nullptr);
    ~UpdateController() override;

    const QVariantMap& urlTable() const { return m_urlTable; }
    QString runningVersion() const;
    QString updaterPath() const;
    // The product folder that holds the outer Tidemark.app, when Tidemark
    // runs from the installed layout; empty otherwise.
    QString productFolder() const;
    // A package manager installed this copy: its update prompt only points
    // there. The hint (where to get updates) may be empty.
    bool isPackageManaged(QString* hint = nullptr) const;
    // An updater is at work on this product (or was just started from here).
    bool updateUnderWay() const;

    // Both return at once; the answer comes on the UI thread. At start-up
    // only an offer is shown, from the menu the up-to-date alert too.
    void startupCheck();
    void updateMenuClicked();

    // The check itself; blocks for up to the time-out, so never on the UI thread.
    QString checkForupUpdates();
    // `manifestRead`: the server answered with a manifest; without one the
    // menu's answer is that the check could not be made, not "up to date".
    void showIfUpdateAvailable(const QString& version, bool fromMenu, bool manifestRead = true);
    bool launchApp(const QString& path, const QStringList& arguments);
    void waitForStartupCheck();

Q_SIGNALS:
    void alertShown(const QString& informativeText, const QString& messageText);
    void promptShown(const QString& version);
    void startupCheckFinished(const QString& version);
    void updaterLaunched(const QString& path, const QStringList& arguments, bool started);

private:
    void startCheck(bool fromMenu);
    void showPrompt(const QString& version);
    void showPackagePrompt(const QString& version, const QString& hint);
    void showUpToDateAlert();
    void showAlert(const char* objectName, const QString& informativeText);
    void startUpdater();

    QWidget* m_window;
    Options m_options;
    QString m_bundlePath;
    QVariantMap m_urlTable;
    BackgroundWork m_check;
    bool m_checking = false;
    std::atomic_bool m_cancel{false};
    bool m_menuAsked = false;
    qint64 m_updaterPid = 0;
};
