#include "app/UpdateController.h"

#include "app/AlertBox.h"
#include "platform/BundleLauncher.h"
#include "update/BundleInfo.h"
#include "update/UpdateLock.h"
#include "update/UrlTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <csignal>
#include <utility>

namespace {

// Versions, notes and hints come from the server or the package: never
// read as markup.
void showAsPlainText(QMessageBox* box)
{
    box->setTextFormat(Qt::PlainText);
    for (QLabel* label : box->findChildren<QLabel*>()) {
        label->setTextFormat(Qt::PlainText);
    }
}

} // namespace

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

QString UpdateController::productFolder() const
{
    // <product>/Tidemark.app/Contents/MacOS/Tidemark.app
    QDir dir(m_bundlePath);
    for (const char* expected : {"Tidemark.app", "MacOS", "Contents", "Tidemark.app"}) {
        if (dir.dirName() != QLatin1String(expected) || !dir.cdUp()) {
            return {};
        }
    }
    return dir.path();
}

bool UpdateController::isPackageManaged(QString* hint) const
{
    QStringList markers{m_bundlePath + QStringLiteral("/Contents/Resources/PackageManaged")};
    const QString product = productFolder();
    if (!product.isEmpty()) {
        markers.prepend(product + QStringLiteral("/Tidemark.app/Contents/Resources/PackageManaged"));
    }
    for (const QString& marker : markers) {
        QFile file(marker);
        if (file.exists()) {
            if (hint) {
                *hint = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readLine(4096)).trimmed()
                                                       : QString();
            }
            return true;
        }
    }
    return false;
}

bool UpdateController::updateUnderWay() const
{
    // The updater started from here takes its lock a moment after it starts;
    // until then its process (not yet ended, not a zombie) answers for it.
    if (m_updaterPid > 0 && ::kill(pid_t(m_updaterPid), 0) == 0) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(m_updaterPid));
        const QByteArray line = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
        const qsizetype close = line.lastIndexOf(')');
        if (close < 0 || line.mid(close + 2, 1) != "Z") {
            return true;
        }
    }
    const QString product = productFolder();
    return UpdateLock::updateUnderWay(QFile::encodeName(product.isEmpty() ? m_bundlePath : product),
                                      UpdateLock::userCachesFolder());
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
    if (m_checking) {
        return;
    }
    // The fetch waits for the server; the window must not.
    m_checking = true;
    m_check.start([this] {
        UpdateCheck::Settings settings;
        settings.timeoutMs = m_options.timeoutMs;
        settings.connectionTest = m_options.connectionTest;
        settings.cancel = &m_cancel;
        const UpdateCheck::Result result = UpdateCheck::run(m_urlTable, runningVersion(), settings);
        const QString version = result.version;
        const bool manifestRead = result.manifestRead;
        QMetaObject::invokeMethod(
            this,
            [this, version, manifestRead] {
                // The worker is done with this object: a new check may start.
                m_checking = false;
                const bool fromMenu = std::exchange(m_menuAsked, false);
                showIfUpdateAvailable(version, fromMenu, manifestRead);
                Q_EMIT startupCheckFinished(version);
            },
            Qt::QueuedConnection);
    });
}

void UpdateController::waitForStartupCheck()
{
    m_check.wait();
}

void UpdateController::showIfUpdateAvailable(const QString& version, bool fromMenu, bool manifestRead)
{
    QString hint;
    if (!version.isNull() && isPackageManaged(&hint)) {
        showPackagePrompt(version, hint);
    } else if (!version.isNull()) {
        showPrompt(version);
    } else if (fromMenu && manifestRead) {
        showUpToDateAlert();
    } else if (fromMenu) {
        showAlert("unableToCheckAlert",
                  QStringLiteral("Unable to check for updates right now, please try again later."));
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
    showAsPlainText(box);
    connect(update, &QPushButton::clicked, this, &UpdateController::startUpdater);
    box->open();
    Q_EMIT promptShown(version);
}

void UpdateController::startUpdater()
{
    // Never a second updater: two would share one download and one product.
    if (updateUnderWay()) {
        showAlert("updateUnderWayAlert", QStringLiteral("An update of Tidemark is already under way."));
        return;
    }
    // Tidemark keeps running; the updater stops it when it installs.
    launchApp(updaterPath(), {QStringLiteral("nothing")});
}

void UpdateController::showPackagePrompt(const QString& version, const QString& hint)
{
    // The package manager owns these files: no update in place, only where
    // to get it.
    QString text = QStringLiteral("This copy of Tidemark is installed and updated by your package manager. "
                                  "Get the new version from there.");
    if (!hint.isEmpty()) {
        text += QLatin1Char('\n') + hint;
    }
    QMessageBox* box =
        AlertBox::create(m_window, QStringLiteral("updatePrompt"),
                         QStringLiteral("New update available (Tidemark %1)").arg(version), text);
    QPushButton* ok = box->addButton(QStringLiteral("Ok"), QMessageBox::AcceptRole);
    ok->setObjectName(QStringLiteral("okButton"));
    box->setDefaultButton(ok);
    showAsPlainText(box);
    box->open();
    Q_EMIT promptShown(version);
}

void UpdateController::showAlert(const char* objectName, const QString& informativeText)
{
    QMessageBox* box =
        AlertBox::create(m_window, QLatin1String(objectName), QStringLiteral("Tidemark"), informativeText);
    box->addButton(QStringLiteral("Ok"), QMessageBox::AcceptRole);
    showAsPlainText(box);
    box->open();
    Q_EMIT alertShown(box->informativeText(), box->text());
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
    qint64 pid = 0;
    const bool started =
        m_options.launchUpdater && !path.isEmpty() && BundleLauncher::launchApp(path, arguments, &pid);
    if (started) {
        m_updaterPid = pid;
    }
    Q_EMIT updaterLaunched(path, arguments, started);
    return started;
}
