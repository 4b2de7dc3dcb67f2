#include "updater/AppDelegate.h"

#include "update/BundleInfo.h"
#include "update/InternetConnection.h"
#include "update/UpdateAddress.h"
#include "update/UrlTable.h"
#include "updater/DownloadApp.h"
#include "updater/Installer.h"
#include "updater/ProgressPanel.h"
#include "updater/PromptWindow.h"
#include "updater/StatusCenter.h"
#include "updater/UpdaterStatus.h"

#include <QCoreApplication>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <unistd.h>

namespace Updater {

namespace {

QByteArray ownBundle()
{
    return UpdaterLayout::bundleOfExecutableDir(QFile::encodeName(QCoreApplication::applicationDirPath()));
}

} // namespace

AppDelegate::AppDelegate(Options options, QObject* parent)
    : QObject(parent), m_options(std::move(options)),
      m_layout(m_options.updaterBundle.isEmpty() ? ownBundle() : m_options.updaterBundle),
      m_center(new StatusCenter(this)), m_window(new PromptWindow), m_progressPannel(new ProgressPanel)
{
    m_options.job.cancel = &m_cancel;
    connect(m_window->updateButton(), &QPushButton::clicked, this, &AppDelegate::updateApp);
    connect(m_window->remindButton(), &QPushButton::clicked, this, &AppDelegate::remindMeLatter);
    connect(m_window, &PromptWindow::closeRequested, this, &AppDelegate::terminate);
    connect(m_progressPannel->okButton(), &QPushButton::clicked, this, &AppDelegate::terminate);
    // Statuses come from the job's thread and from the watchdog; both are
    // posted so the handler always runs after the poster has moved on.
    connect(m_center, &StatusCenter::archiveArrived, this, &AppDelegate::disarmWatchdog,
            Qt::QueuedConnection);
}

AppDelegate::~AppDelegate()
{
    m_cancel = true;
    m_check.wait(); // the fetch sees the cancel within a tenth of a second
    waitForJob();
    delete m_window;
    delete m_progressPannel;
}

void AppDelegate::waitForJob()
{
    m_job.wait();
}

bool AppDelegate::jobRunning() const
{
    return m_job.busy();
}

QByteArray AppDelegate::cachesFolder() const
{
    return m_options.job.cachesFolder.isEmpty() ? UpdaterLayout::cachesFolder() : m_options.job.cachesFolder;
}

void AppDelegate::applicationDidFinishLaunching()
{
    loadUrlsFile();
    m_progressPannel->show();
    // Files that a package manager owns are never replaced here.
    const QByteArray product = m_layout.productFolder();
    if (Installer::isPackageManaged(product)) {
        QString text = UpdaterStatus::packageManagedMessage;
        const QString hint =
            QString::fromUtf8(UpdaterLayout::readHint(Installer::packageManagedMarker(product))).trimmed();
        if (!hint.isEmpty()) {
            text += QLatin1Char('\n') + hint;
        }
        showMessage(text);
        return;
    }
    // One update at a time, from the check to the end of the installation.
    if (!m_lock.acquire(product, cachesFolder())) {
        showMessage(UpdaterStatus::underWayMessage);
        return;
    }
    if (!isInternetAvailable()) {
        internetMsg();
        return;
    }
    m_progressPannel->ok()->hide();
    connect(m_center, &StatusCenter::notif, this, &AppDelegate::updateProgress, Qt::QueuedConnection);
    m_progressPannel->noUpdate()->hide();
    m_progressPannel->setChecking(true);
    m_window->show();
    // The fetch may wait for the server for its whole time-out: off the UI
    // thread, so the windows stay live while the spinner turns.
    m_check.start([this] {
        const UpdateCheck::Result result = fetchManifest();
        QMetaObject::invokeMethod(
            this, [this, result] { afterCheck(applyCheck(result)); }, Qt::QueuedConnection);
    });
}

void AppDelegate::afterCheck(bool found)
{
    if (found) {
        m_progressPannel->checkingBox()->hide();
        m_progressPannel->progressLabel()->setText(UpdaterStatus::preparing);
        updateApp();
        return;
    }
    m_lock.release();
    m_window->close();
    // "Up to date" only once a manifest was read.
    if (!m_manifestRead) {
        m_progressPannel->progressLabel()->setText(QStringLiteral("Update check failed"));
        showMessage(UpdaterStatus::unableToCheckMessage);
        return;
    }
    m_progressPannel->setChecking(false);
    m_progressPannel->checkingBox()->hide();
    m_progressPannel->progressLabel()->setText(QStringLiteral("Tidemark is up to date."));
    m_progressPannel->noUpdate()->show();
    m_progressPannel->ok()->show();
    m_progressPannel->raise();
    Q_EMIT finished();
}

void AppDelegate::loadUrlsFile()
{
    m_localUrlsPath = m_layout.localUrlsPath();
    m_urlDict = UrlTable::load(m_localUrlsPath);
    m_localAppPlistFileVersion = UrlTable::text(m_urlDict, UrlTable::datVersionKey);
}

QString AppDelegate::appVersion() const
{
    return BundleInfo::value(QFile::decodeName(m_layout.installedInfoPlist()), BundleInfo::shortVersionKey);
}

bool AppDelegate::isInternetAvailable() const
{
    return m_options.connectionTest ? m_options.connectionTest() : InternetConnection::isAvailable();
}

bool AppDelegate::checkForUpdates()
{
    return applyCheck(fetchManifest());
}

UpdateCheck::Result AppDelegate::fetchManifest()
{
    UpdateCheck::Settings settings;
    settings.timeoutMs = m_options.checkTimeoutMs;
    // The connection was tested at start-up already.
    settings.connectionTest = [] { return true; };
    settings.cancel = &m_cancel;
    return UpdateCheck::run(m_urlDict, appVersion(), settings);
}

bool AppDelegate::applyCheck(const UpdateCheck::Result& result)
{
    m_manifestRead = result.manifestRead;
    if (result.version.isNull()) {
        return false;
    }
    m_cloudLattestFolderPath = result.versionFolder;
    m_expectedSha256.clear();
    m_digestMalformed =
        result.manifest.digest(result.version, &m_expectedSha256) == UpdateManifest::Digest::Malformed;
    m_window->version()->setText(
        QStringLiteral("New update available (Tidemark Updater %1).\n Would you like to update this version?")
            .arg(result.version));
    m_window->releaseNote()->setPlainText(result.manifest.releaseNote(result.version));
    return true;
}

void AppDelegate::updateApp()
{
    m_progressPannel->progressLabel()->setText(UpdaterStatus::preparing);
    m_progressPannel->progressLabel()->repaint();
    disarmWatchdog();
    m_window->close();
    m_progressPannel->progressInd()->show();
    m_progressPannel->show();
    m_progressPannel->raise();
    update();
}

bool AppDelegate::update()
{
    if (::geteuid() == 0) {
        m_progressPannel->setChecking(true);
        m_window->show();
        m_window->raise();
    }
    if (!isInternetAvailable()) {
        internetMsg();
        return false;
    }
    m_progressPannel->progressLabel()->setText(UpdaterStatus::pleaseWait);
    // The pause before the download is a timer: the window stays live.
    QTimer::singleShot(qMax(0, m_options.pauseMs), this, &AppDelegate::startDownload);
    return true;
}

void AppDelegate::startDownload()
{
    disarmWatchdog();
    if (jobRunning() || (!m_lock.isHeld() && !m_lock.acquire(m_layout.productFolder(), cachesFolder()))) {
        m_progressPannel->progressInd()->hide();
        showMessage(UpdaterStatus::underWayMessage);
        return;
    }
    DownloadJob::Settings settings = m_options.job;
    settings.expectedSha256 = m_expectedSha256;
    settings.digestMalformed = m_digestMalformed;
    // The lock goes with the job's end, whatever the watchdog said before.
    DownloadApp::downloadApp(m_job, UpdateAddress::archiveAddress(m_cloudLattestFolderPath), m_layout,
                             m_center, settings, this, [this] { jobEnded(); });
    m_remindTimer = new QTimer(this);
    m_remindTimer->setInterval(m_options.watchdogMs);
    connect(m_remindTimer, &QTimer::timeout, this, &AppDelegate::promotWindow);
    m_remindTimer->start();
}

void AppDelegate::jobEnded()
{
    m_lock.release();
}

void AppDelegate::disarmWatchdog()
{
    if (m_remindTimer) {
        m_remindTimer->stop();
        m_remindTimer->deleteLater();
        m_remindTimer = nullptr;
    }
}

bool AppDelegate::watchdogArmed() const
{
    return m_remindTimer && m_remindTimer->isActive();
}

void AppDelegate::remindMeLatter()
{
    m_window->close();
    terminate();
}

void AppDelegate::terminate()
{
    Q_EMIT terminateRequested();
}

void AppDelegate::promotWindow()
{
    exception();
}

void AppDelegate::exception()
{
    m_center->post(UpdaterStatus::exception);
}

void AppDelegate::showMessage(const QString& text)
{
    // Every message ends the attempt; a job still running keeps the lock
    // until it is done.
    if (!jobRunning()) {
        m_lock.release();
    }
    m_progressPannel->setChecking(false);
    m_progressPannel->checkingBox()->hide();
    m_progressPannel->noUpdateresion()->setText(text);
    m_progressPannel->noUpdate()->show();
    m_progressPannel->ok()->show();
    m_progressPannel->show();
    m_progressPannel->raise();
    Q_EMIT finished();
}

void AppDelegate::internetMsg()
{
    showMessage(UpdaterStatus::noConnectionMessage);
}

void AppDelegate::handleException()
{
    showMessage(UpdaterStatus::failureMessage);
}

void AppDelegate::updateProgress(const QString& status)
{
    QProgressBar* bar = m_progressPannel->progressInd();
    QMetaObject::invokeMethod(
        bar, [bar] { bar->setValue(bar->value() + 20); }, Qt::QueuedConnection);
    Q_EMIT statusHandled(status);
    if (status == UpdaterStatus::exception) {
        bar->hide();
        handleException();
        return;
    }
    if (status == UpdaterStatus::rightsRefused || status == UpdaterStatus::rightsUnavailable ||
        status == UpdaterStatus::packageManaged) {
        bar->hide();
        showMessage(status == UpdaterStatus::rightsRefused       ? UpdaterStatus::rightsRefusedMessage
                    : status == UpdaterStatus::rightsUnavailable ? UpdaterStatus::rightsUnavailableMessage
                                                                 : UpdaterStatus::packageManagedMessage);
        return;
    }
    m_progressPannel->progressLabel()->setText(status);
    m_progressPannel->progressLabel()->repaint();
    if (status == UpdaterStatus::updated) {
        m_progressPannel->raise();
        bar->setValue(100);
        QTimer::singleShot(m_options.pauseMs, this, [this, bar] {
            bar->hide();
            m_progressPannel->ok()->show();
            Q_EMIT finished();
        });
    }
}

} // namespace Updater
