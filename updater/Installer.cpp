#include "updater/Installer.h"

#include "platform/BackgroundWork.h"
#include "platform/FdIo.h"
#include "platform/InstanceRegistry.h"
#include "platform/UniqueFd.h"
#include "update/UrlTable.h"
#include "updater/ByteProcess.h"
#include "updater/FileTree.h"
#include "updater/StatusCenter.h"
#include "updater/UpdaterStatus.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>
#include <QThread>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern char** environ;

namespace {

const QByteArray appEntry = "Tidemark/Tidemark.app";
const QByteArray uninstallerEntry = "Tidemark/Uninstaller.app";

// pkexec ends with 126 when the user dismisses the prompt and with 127 when
// the rights are refused or no agent can ask.
bool refusedByElevator(const ByteProcess::Result& result)
{
    return !result.started || (result.exited && (result.exitCode == 126 || result.exitCode == 127));
}

// The launch step's own end when it could not start the program.
constexpr int launchFailed = 125;

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

// Every folder of the tree can be written, so the tree can be removed.
bool treeWritable(const QByteArray& path)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0) {
        return errno == ENOENT;
    }
    if (!S_ISDIR(st.st_mode)) {
        return true;
    }
    if (::access(path.constData(), W_OK | X_OK) != 0) {
        return false;
    }
    DIR* dir = ::opendir(path.constData());
    if (!dir) {
        return false;
    }
    bool ok = true;
    while (dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != ".." && !treeWritable(path + '/' + name)) {
            ok = false;
            break;
        }
    }
    ::closedir(dir);
    return ok;
}

} // namespace

Installer::Installer(UpdaterLayout layout, StatusCenter* center, Settings settings)
    : m_layout(std::move(layout)), m_center(center), m_settings(std::move(settings))
{
    if (m_settings.registryFolder.isEmpty()) {
        m_settings.registryFolder = InstanceRegistry::defaultFolder();
    }
    // The updater in the product folder: after an installation it is the
    // new one, and this process's own file may be gone.
    if (m_settings.helperProgram.isEmpty()) {
        m_settings.helperProgram = m_layout.updaterBundle() + "/Contents/MacOS/Tidemark Updater";
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

QByteArray Installer::helper() const
{
    return m_settings.helperProgram;
}

void Installer::loadUrlsFile()
{
    const QVariantMap table = UrlTable::load(m_layout.localUrlsPath());
    m_localAppPlistFileVersion = UrlTable::text(table, UrlTable::datVersionKey);
    m_urlsLoaded = true;
}

QByteArray Installer::packageManagedMarker(const QByteArray& productFolder)
{
    return productFolder + "/Tidemark.app/Contents/Resources/PackageManaged";
}

bool Installer::isPackageManaged(const QByteArray& productFolder)
{
    return FileTree::exists(packageManagedMarker(productFolder));
}

bool Installer::canWriteProduct() const
{
    const QByteArray product = m_layout.productFolder();
    if (!FileTree::isDirectory(product)) {
        return false;
    }
    // access() knows read-only mounts and modes; a probe file also meets
    // attributes and policies that only show on a real write.
    const QByteArray probe = besideName(product + "/Tidemark.app", "probe");
    UniqueFd fd(FdIo::retry([&] {
        return ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    }));
    if (!fd.isValid()) {
        return false;
    }
    fd.close();
    ::unlink(probe.constData());
    return treeWritable(m_layout.installedApplication()) && treeWritable(m_layout.installedUninstaller());
}

bool Installer::afterDownloadZipPath(const QByteArray& zipPath, const QByteArray& unzipPath)
{
    if (!FileTree::exists(zipPath) && !FileTree::exists(unzipPath)) {
        exception();
        return false;
    }
    // Nothing installed is touched, and Tidemark is not stopped, until the
    // new application is there in full, as the archive describes it.
    const QByteArray newApplication = UpdaterLayout::newApplication(unzipPath);
    const QByteArray newUninstaller = UpdaterLayout::newUninstaller(unzipPath);
    if (!ArchiveUnpacker::matches(newApplication, m_entries, appEntry) ||
        !FileTree::exists(UpdaterLayout::innerExecutable(newApplication)) ||
        (FileTree::exists(newUninstaller) &&
         !ArchiveUnpacker::matches(newUninstaller, m_entries, uninstallerEntry))) {
        exception();
        return false;
    }
    const QByteArray product = m_layout.productFolder();
    if (isPackageManaged(product)) {
        m_center->post(UpdaterStatus::packageManaged);
        return false;
    }
    if (!canWriteProduct()) {
        m_center->post(UpdaterStatus::applying);
        if (!installWithRights(zipPath, unzipPath)) {
            return false;
        }
        finish(zipPath, unzipPath);
        return true;
    }
    m_center->post(UpdaterStatus::applying);
    pause();
    KillDil();
    if (!install(newApplication, newUninstaller)) {
        exception();
        return false;
    }
    finish(zipPath, unzipPath);
    return true;
}

void Installer::finish(const QByteArray& zipPath, const QByteArray& unzipPath)
{
    FileTree::remove(unzipPath);
    FileTree::remove(zipPath);
    m_center->post(UpdaterStatus::updated);
    // The window shows the finished panel before the new copy appears.
    pause();
    if (m_settings.relaunch) {
        launchApp(m_layout.relaunchPath());
    }
}

bool Installer::installWithRights(const QByteArray& zipPath, const QByteArray& unzipPath)
{
    if (m_settings.elevator.isEmpty() || !ByteProcess::isAvailable(m_settings.elevator.first())) {
        m_center->post(UpdaterStatus::rightsUnavailable);
        return false;
    }
    QList<QByteArray> command = m_settings.elevator;
    command << helper() << "--install" << zipPath << unzipPath << m_layout.productFolder()
            << m_settings.registryFolder << (m_digest.isEmpty() ? QByteArray("-") : m_digest.toLatin1());
    const ByteProcess::Result result = ByteProcess::run(command);
    if (refusedByElevator(result)) {
        m_center->post(UpdaterStatus::rightsRefused);
        return false;
    }
    if (result.exited && result.exitCode == PackageManaged) {
        m_center->post(UpdaterStatus::packageManaged);
        return false;
    }
    if (!result.exited || result.exitCode != Installed) {
        exception();
        return false;
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

    // Full copies beside the installed ones first, each checked file by file
    // against the archive: a short or failed copy leaves everything
    // installed as it was.
    const QByteArray stagedApp = besideName(installedApp, "new");
    const QByteArray stagedUninstaller = besideName(installedUninstaller, "new");
    const auto dropStaged = [&] {
        FileTree::remove(stagedApp);
        FileTree::remove(stagedUninstaller);
    };
    if (!FileTree::copyPlain(newApplication, stagedApp) ||
        !ArchiveUnpacker::matches(stagedApp, m_entries, appEntry) ||
        !FileTree::exists(UpdaterLayout::innerExecutable(stagedApp))) {
        dropStaged();
        return false;
    }
    if (withUninstaller && (!FileTree::copyPlain(newUninstaller, stagedUninstaller) ||
                            !ArchiveUnpacker::matches(stagedUninstaller, m_entries, uninstallerEntry))) {
        dropStaged();
        return false;
    }
    keepOrReplaceUrlTable(stagedApp);
    const bool hadApp = FileTree::exists(installedApp);
    if (!putInPlace(stagedApp, installedApp)) {
        dropStaged();
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
            dropStaged();
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
    if (running.isEmpty()) {
        return;
    }
    // With administrator rights the registry is still the user's folder:
    // only a process of that folder's owner is stopped, never another's.
    if (::geteuid() == 0) {
        struct stat folder;
        struct stat process;
        const QByteArray proc = "/proc/" + QByteArray::number(running.first());
        if (::stat(m_settings.registryFolder.constData(), &folder) != 0 ||
            ::stat(proc.constData(), &process) != 0 || folder.st_uid != process.st_uid) {
            return;
        }
    }
    InstanceRegistry::forceTerminate(running.first());
}

void Installer::launchApp(const QByteArray& executable)
{
    QList<QByteArray> elevated;
    if (!m_settings.elevator.isEmpty() && ByteProcess::isAvailable(m_settings.elevator.first())) {
        // The elevated program gets a clean environment; a window needs the
        // display it is to open on. Our own launch step sets it and then
        // starts the executable, which it takes from a fixed place in its
        // arguments, so no path (with "=", spaces or quotes) is ever read
        // as a setting.
        elevated = m_settings.elevator;
        elevated << helper() << "--launch" << executable;
        for (const char* name : {"DISPLAY", "XAUTHORITY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"}) {
            const QByteArray value = qgetenv(name);
            if (!value.isEmpty()) {
                elevated.append(QByteArray(name) + '=' + value);
            }
        }
    }
    // The elevated copy runs as long as Tidemark does, so its end is awaited
    // on a thread of its own; a refusal ends at once, and then the program
    // starts with our rights.
    BackgroundWork::detach([elevated, executable] {
        if (!elevated.isEmpty()) {
            const ByteProcess::Result result = ByteProcess::wait(ByteProcess::spawn(elevated));
            if (!refusedByElevator(result) && !(result.exited && result.exitCode == launchFailed)) {
                return;
            }
        }
        ByteProcess::wait(ByteProcess::spawn({executable}));
    });
}

int Installer::installStep(const QList<QByteArray>& arguments)
{
    if (arguments.size() != 5) {
        return Failed;
    }
    const QByteArray& zipPath = arguments.at(0);
    const QByteArray& unzipPath = arguments.at(1);
    const QByteArray& product = arguments.at(2);
    Settings settings;
    settings.registryFolder = arguments.at(3);
    settings.relaunch = false;
    settings.pauseMs = 0;
    // The archive is read once into memory: what is checked is what is used.
    QFile file(QFile::decodeName(zipPath));
    if (!file.open(QIODevice::ReadOnly)) {
        return Failed;
    }
    const QByteArray archive = file.readAll();
    if (arguments.at(4) != "-" &&
        QCryptographicHash::hash(archive, QCryptographicHash::Sha256).toHex() != arguments.at(4)) {
        return Failed;
    }
    QList<ArchiveUnpacker::Entry> entries;
    if (ArchiveUnpacker::list(archive, &entries) != ArchiveUnpacker::Verdict::Sound) {
        return Failed;
    }
    if (isPackageManaged(product)) {
        return PackageManaged;
    }
    StatusCenter center;
    Installer installer(UpdaterLayout(product + "/Tidemark.app/Contents/MacOS/Tidemark.app/Contents/MacOS/"
                                                "Tidemark Updater.app"),
                        &center, settings);
    installer.setEntries(entries);
    const QByteArray newApplication = UpdaterLayout::newApplication(unzipPath);
    if (!ArchiveUnpacker::matches(newApplication, entries, appEntry)) {
        return Failed;
    }
    installer.KillDil();
    return installer.install(newApplication, UpdaterLayout::newUninstaller(unzipPath)) ? Installed : Failed;
}

int Installer::launchStep(const QList<QByteArray>& arguments)
{
    if (arguments.isEmpty() || !arguments.first().startsWith('/')) {
        return launchFailed;
    }
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QByteArray& setting = arguments.at(i);
        const qsizetype equals = setting.indexOf('=');
        if (equals <= 0) {
            return launchFailed;
        }
        ::setenv(setting.left(equals).constData(), setting.mid(equals + 1).constData(), 1);
    }
    char* const argv[] = {const_cast<char*>(arguments.first().constData()), nullptr};
    ::execve(argv[0], argv, environ);
    return launchFailed;
}
