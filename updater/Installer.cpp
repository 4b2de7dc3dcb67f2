#include "updater/Installer.h"

#include "platform/InstanceRegistry.h"
#include "update/UrlTable.h"
#include "updater/ByteProcess.h"
#include "updater/FileTree.h"
#include "updater/StatusCenter.h"
#include "updater/UpdaterStatus.h"

#include <QRandomGenerator>
#include <QThread>
#include <thread>

namespace {

// A fresh name beside `path` for staging a copy or setting the old one aside.
QByteArray besideName(const QByteArray& path, const char* role)
{
    const qsizetype slash = path.lastIndexOf('/');
    return path.left(slash + 1) + '.' + path.mid(slash + 1) + '.' + role + '-' +
           QByteArray::number(QRandomGenerator::global()->generate64(), 36);
}

// The installed item at `installed` is replaced by the staged copy; after
// this the old item is at `staged`, or `installed` did not exist before.
bool putInPlace(const QByteArray& staged, const QByteArray& installed)
{
    if (FileTree::exists(installed)) {
        return FileTree::exchange(staged, installed);
    }
    return ::rename(staged.constData(), installed.constData()) == 0;
}

} // namespace

Installer::Installer(UpdaterLayout layout, StatusCenter* center, Settings settings)
    : m_layout(std::move(layout)), m_center(center), m_settings(std::move(settings))
{
    if (m_settings.registryFolder.isEmpty()) {
        m_settings.registryFolder = InstanceRegistry::defaultFolder();
    }
}

void Installer::pause() const
{
    if (m_settings.pauseMs > 0) {
        QThread::msleep(ulong(m_settings.pauseMs));
    }
}

void Installer::exception()
{
    m_center->post(UpdaterStatus::exception);
}

void Installer::loadUrlsFile()
{
    const QVariantMap table = UrlTable::load(m_layout.localUrlsPath());
    m_localAppPlistFileVersion = UrlTable::text(table, UrlTable::datVersionKey);
    m_urlsLoaded = true;
}

bool Installer::afterDownloadZipPath(const QByteArray& zipPath, const QByteArray& unzipPath)
{
    if (!FileTree::exists(zipPath) && !FileTree::exists(unzipPath)) {
        exception();
        return false;
    }
    if (FileTree::isDirectory(m_layout.productFolder())) {
        m_center->post(UpdaterStatus::applying);
        pause();
        KillDil();
    }
    // Nothing installed is touched until the new application is known to be
    // there in full (its nested executable included).
    const QByteArray newApplication = UpdaterLayout::newApplication(unzipPath);
    const QByteArray newUninstaller = UpdaterLayout::newUninstaller(unzipPath);
    if (!FileTree::isDirectory(newApplication) ||
        !FileTree::exists(UpdaterLayout::innerExecutable(newApplication))) {
        exception();
        return false;
    }
    KillDil();
    keepOrReplaceUrlTable(newApplication);
    if (!install(newApplication, newUninstaller)) {
        exception();
        return false;
    }
    FileTree::remove(unzipPath);
    FileTree::remove(zipPath);
    m_center->post(UpdaterStatus::updated);
    // The window shows the finished panel before the new copy appears.
    pause();
    if (m_settings.relaunch) {
        launchApp(m_layout.relaunchPath());
    }
    return true;
}

void Installer::keepOrReplaceUrlTable(const QByteArray& newApplication)
{
    if (!m_urlsLoaded) {
        loadUrlsFile();
    }
    const QByteArray newTable = UpdaterLayout::newUrlTable(newApplication);
    const QString newVersion = UrlTable::text(UrlTable::load(newTable), UrlTable::datVersionKey);
    if (newVersion.isNull() || newVersion != m_localAppPlistFileVersion) {
        return;
    }
    // Same data version: the installed table, perhaps edited for this site,
    // stays. It goes in beside the new one first so there is always a table.
    const QByteArray staged = besideName(newTable, "installed");
    if (FileTree::copy(m_layout.localUrlsPath(), staged)) {
        if (::rename(staged.constData(), newTable.constData()) != 0) {
            FileTree::remove(staged);
        }
    }
}

bool Installer::install(const QByteArray& newApplication, const QByteArray& newUninstaller)
{
    const QByteArray installedApp = m_layout.installedApplication();
    const QByteArray installedUninstaller = m_layout.installedUninstaller();
    const bool withUninstaller = FileTree::isDirectory(newUninstaller);

    // Full copies beside the installed ones first: a failed copy leaves
    // everything installed as it was.
    const QByteArray stagedApp = besideName(installedApp, "new");
    const QByteArray stagedUninstaller = besideName(installedUninstaller, "new");
    if (!FileTree::copy(newApplication, stagedApp)) {
        return false;
    }
    if (withUninstaller && !FileTree::copy(newUninstaller, stagedUninstaller)) {
        FileTree::remove(stagedApp);
        return false;
    }
    const bool hadApp = FileTree::exists(installedApp);
    if (!putInPlace(stagedApp, installedApp)) {
        FileTree::remove(stagedApp);
        FileTree::remove(stagedUninstaller);
        return false;
    }
    if (withUninstaller) {
        const bool hadUninstaller = FileTree::exists(installedUninstaller);
        if (!putInPlace(stagedUninstaller, installedUninstaller)) {
            // Put the old application back so the two stay a matching pair.
            if (hadApp) {
                FileTree::exchange(stagedApp, installedApp);
            } else {
                ::rename(installedApp.constData(), stagedApp.constData());
            }
            FileTree::remove(stagedApp);
            FileTree::remove(stagedUninstaller);
            return false;
        }
        if (hadUninstaller) {
            FileTree::remove(stagedUninstaller);
        }
    }
    // The old application now sits at the staged name.
    if (hadApp) {
        FileTree::remove(stagedApp);
    }
    return true;
}

void Installer::KillDil()
{
    const InstanceRegistry registry(m_settings.registryFolder);
    const QList<pid_t> running = registry.runningInstances();
    if (!running.isEmpty()) {
        InstanceRegistry::forceTerminate(running.first());
    }
}

void Installer::launchApp(const QByteArray& executable)
{
    QList<QByteArray> elevated;
    if (!m_settings.elevator.isEmpty() && ByteProcess::isAvailable(m_settings.elevator.first())) {
        elevated = m_settings.elevator;
        // The elevated program gets a clean environment; a window needs the
        // display it is to open on.
        elevated.append("env");
        for (const char* name : {"DISPLAY", "XAUTHORITY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"}) {
            const QByteArray value = qgetenv(name);
            if (!value.isEmpty()) {
                elevated.append(QByteArray(name) + '=' + value);
            }
        }
        elevated.append(executable);
    }
    // The elevated copy runs as long as Tidemark does, so its end is awaited
    // on a thread of its own; pkexec ends at once with 126 (dismissed) or
    // 127 (refused, no agent) and then the program starts with our rights.
    std::thread([elevated, executable] {
        if (!elevated.isEmpty()) {
            const ByteProcess::Result result = ByteProcess::wait(ByteProcess::spawn(elevated));
            if (result.started && !(result.exited && (result.exitCode == 126 || result.exitCode == 127))) {
                return;
            }
        }
        ByteProcess::wait(ByteProcess::spawn({executable}));
    }).detach();
}
