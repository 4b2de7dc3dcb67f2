#include "app/UpdateController.h"

#include "app/AlertBox.h"
#include "platform/BundleLauncher.h"
#include "update/BundleInfo.h"
#include "update/UrlTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <utility>

// The update check of Tidemark: the URL table shipped in the bundle, the
// silent check at start-up on a thread of its own, the check on demand, the
// prompt, and the start of Tidemark Updater from inside the bundle.

UpdateController::UpdateController(QWidget* window, QObject* parent)
    : UpdateController(window, Options{}, parent)
{
}

UpdateController::UpdateController(QWidget* window, Options options, QObject* parent)
    : QObject(parent), m_window(window), m_options(std::move(options))
{
    m_bundlePath = m_options.bundlePath.isEmpty()
                       ? BundleInfo::bundleOfExecutableDir(QCoreApplication::applicationDirPath())
                       : QDir::cleanPath(m_options.bundlePath);
    if (m_bundlePath.isEmpty()) {
        return;
    }
    // The shipped layout keeps the table beside the executable (where the
    // updater keeps or replaces it); a bundle may also carry it as a resource.
    for (const char* place : {"/Contents/Resources/Urls.plist", "/Contents/MacOS/Urls.plist"}) {
        m_urlTable = UrlTable::load(QFile::encodeName(m_bundlePath) + place);
        if (!m_urlTable.isEmpty()) {
            break;
        }
    }
}

UpdateController::~UpdateController()
{
    m_cancel = true;
    waitForStartupCheck();
}

QString UpdateController::runningVersion() const
{
    if (!m_bundlePath.isEmpty()) {
        const QString version =
            BundleInfo::value(BundleInfo::infoPlistPath(m_bundlePath), BundleInfo::shortVersionKey);
        if (!version.isNull()) {
            return version;
        }
    }
    return QCoreApplication::applicationVersion();
}

QString UpdateController::updaterPath() const
{
    if (m_bundlePath.isEmpty()) {
        return {};
    }
    return m_bundlePath + QStringLiteral("/Contents/MacOS/Tidemark Updater.app");
}

QString UpdateController::checkForupUpdates()
{
    UpdateCheck::Settings settings;
    settings.timeoutMs = m_options.timeoutMs;
    settings.connectionTest = m_options.connectionTest;
    settings.cancel = &m_cancel;
    return UpdateCheck::run(m_urlTable, runningVersion(), settings).version;
}

void UpdateController::startupCheck()
{
    startCheck(false);
}

void UpdateController::updateMenuClicked()
{
    startCheck(true);
}

void UpdateController::startCheck(bool fromMenu)
{
    // A check already under way answers the menu too.
    m_menuAsked = m_menuAsked || fromMenu;
    if (m_startupThread) {
        return;
    }
    // The fetch waits for the server; the window must not.
    m_startupThread = QThread::create([this] {
        const QString version = checkForupUpdates();
        QMetaObject::invokeMethod(
            this,
            [this, version] {
                // The worker is done with this object: a new check may start.
                m_startupThread = nullptr;
                const bool fromMenu = std::exchange(m_menuAsked, false);
                showIfUpdateAvailable(version, fromMenu);
                Q_EMIT startupCheckFinished(version);
            },
            Qt::QueuedConnection);
    });
    connect(m_startupThread, &QThread::finished, m_startupThread, &QObject::deleteLater);
    m_startupThread->start();
}

void UpdateController::waitForStartupCheck()
{
    if (m_startupThread) {
        m_startupThread->wait();
    }
}

void UpdateController::showIfUpdateAvailable(const QString& version, bool fromMenu)
{
    if (!version.isNull()) {
        showPrompt(version);
    } else if (fromMenu) {
        showUpToDateAlert();
    }
}

void UpdateController::showPrompt(const QString& version)
{
    QMessageBox* box = AlertBox::create(m_window, QStringLiteral("updatePrompt"),
                                        QStringLiteral("New update available (Tidemark %1)").arg(version),
                                        QStringLiteral("Would you like to update this version?"));
    QPushButton* update = box->addButton(QStringLiteral("Update"), QMessageBox::AcceptRole);
    update->setObjectName(QStringLiteral("updateButton"));
    QPushButton* later = box->addButton(QStringLiteral("Remind Me Later"), QMessageBox::RejectRole);
    later->setObjectName(QStringLiteral("remindMeLaterButton"));
    box->setDefaultButton(update);
    connect(update, &QPushButton::clicked, this, [this] {
        // Tidemark keeps running; the updater stops it when it installs.
        launchApp(updaterPath(), {QStringLiteral("nothing")});
    });
    box->open();
    Q_EMIT promptShown(version);
}

void UpdateController::showUpToDateAlert()
{
    QMessageBox* box = AlertBox::create(m_window, QStringLiteral("upToDateAlert"),
                                        QStringLiteral("Your application is up to date"),
                                        QStringLiteral("No update required."));
    box->addButton(QStringLiteral("Ok"), QMessageBox::AcceptRole);
    box->open();
    Q_EMIT alertShown(box->informativeText(), box->text());
}

bool UpdateController::launchApp(const QString& path, const QStringList& arguments)
{
    const bool started =
        m_options.launchUpdater && !path.isEmpty() && BundleLauncher::launchApp(path, arguments);
    Q_EMIT updaterLaunched(path, arguments, started);
    return started;
}
