#pragma once

#include "update/UpdateCheck.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>
#include <atomic>
#include <functional>

class QThread;
class QWidget;

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

    void startupCheck();
    void updateMenuClicked();

    QString checkForupUpdates();
    void showIfUpdateAvailable(QObject* sender);
    bool launchApp(const QString& path, const QStringList& arguments);
    void waitForStartupCheck();

Q_SIGNALS:
    void alertShown(const QString& informativeText, const QString& messageText);
    void promptShown(const QString& version);
    void startupCheckFinished(const QString& version);
    void updaterLaunched(const QString& path, const QStringList& arguments, bool started);

private:
    void showPrompt(const QString& version);
    void showUpToDateAlert();

    QWidget* m_window;
    Options m_options;
    QString m_bundlePath;
    QVariantMap m_urlTable;
    QPointer<QThread> m_startupThread;
    std::atomic_bool m_cancel{false};
};
