#include "TestSupport.h"
#include "UpdateFixture.h"
#include "UpdateTestServer.h"
#include "platform/InstanceRegistry.h"
#include "update/InternetConnection.h"
#include "update/UpdateLock.h"
#include "update/UrlTable.h"
#include "updater/AppDelegate.h"
#include "updater/ArchiveUnpacker.h"
#include "updater/ArchiveVerifier.h"
#include "updater/ByteProcess.h"
#include "updater/FileTree.h"
#include "updater/Installer.h"
#include "updater/ProgressPanel.h"
#include "updater/PromptWindow.h"
#include "updater/StatusCenter.h"
#include "updater/UpdaterLayout.h"
#include "updater/UpdaterStatus.h"

#include <QCryptographicHash>
#include <QFrame>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTextEdit>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Tidemark Updater against real installed trees in temporary product
// folders, real archives made with zip and a real HTTP server.
class TestUpdater : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void layoutPaths_data();
    void layoutPaths();
    void entryNames_data();
    void entryNames();
    void copyKeepsModesAndLinks();
    void exchangeSwapsFolders();
    void killDilStopsFirstCopyOnly();
    void relaunchFallsBackWithoutRights_data();
    void relaunchFallsBackWithoutRights();
    void fullUpdate_data();
    void fullUpdate();
    void failedUpdate_data();
    void failedUpdate();
    void noUpdate_data();
    void noUpdate();
    void noConnection();
    void realProgramUpdatesInPlace();
    void malformedDigestFails_data();
    void malformedDigestFails();
    void linkEntriesRefused_data();
    void linkEntriesRefused();
    void unsafeNamesRefused_data();
    void unsafeNamesRefused();
    void zipBombRefused_data();
    void zipBombRefused();
    void unpackChecksFreeSpace();
    void stagedTreeCheckedAgainstArchive();
    void stalledBodyFails();
    void twoUpdatersOneUpdate();
    void readOnlyProduct_data();
    void readOnlyProduct();
    void awkwardInstallPath();
    void richTextShownAsText();
    void unreachableServerIsNotUpToDate_data();
    void unreachableServerIsNotUpToDate();
    void packageManagedNotReplaced();

private:
    // An installed product at `name` with version 1.0, a table pointing at
    // the server folder "/rel/Tidemark" and an archive for 2.0 served there.
    QByteArray install(const QByteArray& name, const QString& version = QStringLiteral("1.0"));
    QByteArray makeArchive(const QByteArray& name, const UpdateFixture::Tree& tree);
    void serveManifest(const QVariantMap& manifest);
    Updater::AppDelegate::Options options(const QByteArray& product) const;
    bool installedIntact(const QByteArray& product, const QByteArray& label);
    pid_t startRegisteredCopy(const QByteArray& folder);
    // Runs a delegate from start-up to its ok box.
    bool runToEnd(Updater::AppDelegate& delegate);
    // A failed attempt left the installed product as it was, byte for byte,
    // and the old Tidemark starts.
    void expectUntouched(const QByteArray& product, const QMap<QByteArray, QByteArray>& before);
    // The archive tree of a 2.0 release ("new") staged under `name`.
    QList<UpdateFixture::ZipEntry> releaseEntries(const QByteArray& name, const QByteArray& label = "new");

    QTemporaryDir m_home;
    TempRoot m_root;
    UpdateTestServer m_server;
    QByteArray m_marker;
    QByteArray m_caches;
    QByteArray m_registry;
};

void TestUpdater::initTestCase()
{
    QVERIFY(TestSupport::isolateUserFolders(m_home));
    m_caches = m_root / "cache dir 'x' $y";
    qputenv("XDG_CACHE_HOME", m_caches);
    m_marker = m_root / "marker.txt";
    qputenv("TIDEMARK_TEST_MARKER", m_marker);
    m_registry = m_root / "registry";
    // The updater unpacks in process; the tests build some archives with zip.
    if (!ByteProcess::isAvailable("zip")) {
        QSKIP("the update tests need the zip tool (Debian package zip)");
    }
}

void TestUpdater::init()
{
    m_server.clear();
    QFile::remove(QFile::decodeName(m_marker));
}

QByteArray TestUpdater::install(const QByteArray& name, const QString& version)
{
    const QByteArray product = m_root / name + "/Tidemark";
    UpdateFixture::Tree tree;
    tree.version = version;
    tree.urls = {{"FolderLocation", m_server.base() + "/rel"}, {"FolderName", "Tidemark"}};
    tree.label = "old";
    UpdateFixture::writeProduct(product, tree);
    return product;
}

QByteArray TestUpdater::makeArchive(const QByteArray& name, const UpdateFixture::Tree& tree)
{
    const QByteArray stage = m_root / "stage-" + name;
    if (!UpdateFixture::writeProduct(stage + "/Tidemark", tree)) {
        return {};
    }
    const QByteArray zip = m_root / "zip-" + name + ".zip";
    if (!UpdateFixture::zipFolder(stage, zip)) {
        return {};
    }
    return UpdateFixture::readFile(zip);
}

void TestUpdater::serveManifest(const QVariantMap& manifest)
{
    m_server.setFile("/rel/Tidemark/Update.plist", UpdateFixture::plistXml(manifest));
}

Updater::AppDelegate::Options TestUpdater::options(const QByteArray& product) const
{
    Updater::AppDelegate::Options options;
    options.updaterBundle = UpdateFixture::updaterBundle(product);
    options.connectionTest = [] { return true; };
    options.checkTimeoutMs = 5000;
    options.watchdogMs = 120000;
    options.pauseMs = 0;
    options.job.pauseMs = 0;
    options.job.idleMs = 5000;
    options.job.install.pauseMs = 0;
    options.job.install.registryFolder = m_registry;
    options.job.install.elevator = {"/nonexistent/pkexec"};
    options.job.install.helperProgram = TIDEMARK_UPDATER_PATH;
    options.job.cachesFolder = m_caches;
    return options;
}

bool TestUpdater::installedIntact(const QByteArray& product, const QByteArray& label)
{
    const QString version = UrlTable::text(UrlTable::load(product + "/Tidemark.app/Contents/Info.plist"),
                                           QStringLiteral("CFBundleShortVersionString"));
    QFile::remove(QFile::decodeName(m_marker));
    const int code = UpdateFixture::runProgram(UpdateFixture::relaunchPath(product));
    const QByteArray started = UpdateFixture::readFile(m_marker);
    if (version != QLatin1String("1.0") || code != 0 || started != label + " \n") {
        qWarning() << "installed application:" << version << code << started;
        return false;
    }
    return FileTree::exists(product + "/Uninstaller.app/Contents/MacOS/Uninstaller");
}

// A running copy in the registry: a child holding a lock file named the way
// copies register themselves.
pid_t TestUpdater::startRegisteredCopy(const QByteArray& folder)
{
    ::mkdir(folder.constData(), 0700);
    const QByteArray temp = folder + "/pending";
    const int fd = ::open(temp.constData(), O_RDWR | O_CREAT, 0600);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return -1;
    }
    // The child inherits the descriptor, and with it the lock.
    const pid_t pid = ByteProcess::spawn({"sleep", "30"});
    ::close(fd);
    static int order = 0;
    const QByteArray name =
        QByteArray::number(++order).rightJustified(20, '0') + '-' + QByteArray::number(pid) + ".lock";
    ::rename(temp.constData(), (folder + '/' + name).constData());
    return pid;
}

void TestUpdater::layoutPaths_data()
{
    QTest::addColumn<QByteArray>("product");
    QTest::newRow("opt") << QByteArray("/opt/Tidemark");
    QTest::newRow("awkward names") << QByteArray("/home/u/my \"apps\" $HOME `id`\n/Tidemark");
}

void TestUpdater::layoutPaths()
{
    QFETCH(QByteArray, product);
    const UpdaterLayout layout(UpdateFixture::updaterBundle(product) + '/');
    QCOMPARE(layout.productFolder(), product);
    QCOMPARE(layout.localUrlsPath(), product + "/Tidemark.app/Contents/Resources/Urls.plist");
    QCOMPARE(layout.installedInfoPlist(), product + "/Tidemark.app/Contents/Info.plist");
    QCOMPARE(layout.installedApplication(), product + "/Tidemark.app");
    QCOMPARE(layout.installedUninstaller(), product + "/Uninstaller.app");
    QCOMPARE(layout.relaunchPath(), UpdateFixture::relaunchPath(product));
    QCOMPARE(UpdaterLayout::bundleOfExecutableDir(UpdateFixture::updaterBundle(product) + "/Contents/MacOS"),
             UpdateFixture::updaterBundle(product));
    QCOMPARE(UpdaterLayout::temporaryFolder("/c/Tidemark.zip"), QByteArray("/c/softwareQuillon"));
    QCOMPARE(UpdaterLayout::newUrlTable("/t/Tidemark/Tidemark.app"),
             QByteArray("/t/Tidemark/Tidemark.app/Contents/MacOS/Tidemark.app/Contents/MacOS/Urls.plist"));
}

void TestUpdater::entryNames_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("safe");
    QTest::newRow("plain") << QByteArray("Tidemark/Tidemark.app/Contents/Info.plist") << true;
    QTest::newRow("dots in a name") << QByteArray("Tidemark/a..b/..c") << true;
    QTest::newRow("absolute") << QByteArray("/etc/passwd") << false;
    QTest::newRow("parent") << QByteArray("Tidemark/../../x") << false;
    QTest::newRow("parent at end") << QByteArray("Tidemark/..") << false;
    QTest::newRow("backslash parent") << QByteArray("Tidemark\\..\\x") << false;
    QTest::newRow("drive letter") << QByteArray("C:/x") << false;
}

void TestUpdater::entryNames()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, safe);
    QCOMPARE(ArchiveVerifier::entryIsSafe(name), safe);
}

void TestUpdater::copyKeepsModesAndLinks()
{
    const QByteArray from = m_root / "copy-from";
    QVERIFY(UpdateFixture::writeFile(from + "/bin/tool", "#!/bin/sh\n", true));
    QVERIFY(UpdateFixture::writeFile(from + "/name-\xff.txt", "latin"));
    QCOMPARE(::symlink("bin/tool", (from + "/link").constData()), 0);
    const QByteArray to = m_root / "copy-to";
    QVERIFY(FileTree::copy(from, to));
    struct stat st;
    QCOMPARE(::stat((to + "/bin/tool").constData(), &st), 0);
    QVERIFY(st.st_mode & S_IXUSR);
    QCOMPARE(UpdateFixture::readFile(to + "/name-\xff.txt"), QByteArray("latin"));
    char target[64] = {};
    QCOMPARE(::readlink((to + "/link").constData(), target, sizeof target - 1), ssize_t(8));
    QCOMPARE(QByteArray(target), QByteArray("bin/tool"));
    QVERIFY(!FileTree::copy(from, to)); // never over something there
    QVERIFY(FileTree::remove(to));
    QVERIFY(!FileTree::exists(to));
    QVERIFY(FileTree::remove(to)); // nothing there is done
}

void TestUpdater::exchangeSwapsFolders()
{
    const QByteArray a = m_root / "swap-a";
    const QByteArray b = m_root / "swap-b";
    QVERIFY(UpdateFixture::writeFile(a + "/f", "a"));
    QVERIFY(UpdateFixture::writeFile(b + "/f", "b"));
    QVERIFY(FileTree::exchange(a, b));
    QCOMPARE(UpdateFixture::readFile(a + "/f"), QByteArray("b"));
    QCOMPARE(UpdateFixture::readFile(b + "/f"), QByteArray("a"));
    QVERIFY(!FileTree::exchange(a, m_root / "swap-missing"));
}

void TestUpdater::killDilStopsFirstCopyOnly()
{
    const QByteArray folder = m_root / "running";
    const pid_t first = startRegisteredCopy(folder);
    const pid_t second = startRegisteredCopy(folder);
    QVERIFY(first > 0 && second > 0);
    QCOMPARE(InstanceRegistry(folder).runningInstances(), (QList<pid_t>{first, second}));

    StatusCenter center;
    Installer::Settings settings;
    settings.registryFolder = folder;
    Installer installer(UpdaterLayout(UpdateFixture::updaterBundle(m_root / "nowhere")), &center, settings);
    installer.KillDil();
    int status = 0;
    QCOMPARE(::waitpid(first, &status, 0), first);
    QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    QCOMPARE(::waitpid(second, &status, WNOHANG), 0); // still running
    ::kill(second, SIGKILL);
    ::waitpid(second, &status, 0);
}

void TestUpdater::relaunchFallsBackWithoutRights_data()
{
    QTest::addColumn<QByteArray>("elevatorExit"); // empty: no elevator at all
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("no pkexec") << QByteArray() << QByteArray("new \n");
    QTest::newRow("prompt dismissed") << QByteArray("126") << QByteArray("new \n");
    QTest::newRow("not authorised") << QByteArray("127") << QByteArray("new \n");
    QTest::newRow("elevated start") << QByteArray("run") << QByteArray("elevated\nnew \n");
}

void TestUpdater::relaunchFallsBackWithoutRights()
{
    QFETCH(QByteArray, elevatorExit);
    QFETCH(QByteArray, expected);
    const QByteArray program = m_root / "it's a \"new\" $app=1 " + QTest::currentDataTag();
    QVERIFY(UpdateFixture::writeFile(program, UpdateFixture::markerScript("new"), true));
    Installer::Settings settings;
    settings.registryFolder = m_registry;
    settings.elevator = {"/nonexistent/pkexec"};
    if (!elevatorExit.isEmpty()) {
        // Stands in for pkexec: runs the rest of its arguments (env ...) or
        // ends the way pkexec ends when the user says no.
        const QByteArray elevator = m_root / "elevator-" + QTest::currentDataTag();
        const QByteArray body = elevatorExit == "run"
                                    ? "#!/bin/sh\necho elevated >> \"$TIDEMARK_TEST_MARKER\"\nexec \"$@\"\n"
                                    : "#!/bin/sh\nexit " + elevatorExit + "\n";
        QVERIFY(UpdateFixture::writeFile(elevator, body, true));
        settings.elevator = {elevator};
    }
    settings.helperProgram = TIDEMARK_UPDATER_PATH;
    StatusCenter center;
    Installer installer(UpdaterLayout(UpdateFixture::updaterBundle(m_root / "nowhere")), &center, settings);
    installer.launchApp(program);
    QTRY_COMPARE(UpdateFixture::readFile(m_marker), expected);
}

void TestUpdater::fullUpdate_data()
{
    QTest::addColumn<QString>("newDatVersion");
    QTest::addColumn<bool>("withUninstaller");
    QTest::addColumn<bool>("withDigest");
    QTest::newRow("same table version: installed table kept") << "1" << true << false;
    QTest::newRow("new table version: new table stays") << "2" << true << true;
    QTest::newRow("no uninstaller in the archive") << "2" << false << false;
}

void TestUpdater::fullUpdate()
{
    QFETCH(QString, newDatVersion);
    QFETCH(bool, withUninstaller);
    QFETCH(bool, withDigest);

    const QByteArray product =
        install("full-" + QByteArray(QTest::currentDataTag()).left(8).replace(' ', '-'));
    // The installed table carries a local touch that only survives when kept.
    const QByteArray installedInner =
        product + "/Tidemark.app/Contents/MacOS/Tidemark.app/Contents/MacOS/Urls.plist";
    QVariantMap outer = UrlTable::load(product + "/Tidemark.app/Contents/Resources/Urls.plist");
    outer.insert("Support", "https://local.invalid/help");
    QVERIFY(UpdateFixture::writeFile(product + "/Tidemark.app/Contents/Resources/Urls.plist",
                                     UpdateFixture::plistXml(outer)));

    UpdateFixture::Tree next;
    next.version = "2.0";
    next.datVersion = newDatVersion;
    next.label = "new";
    next.urls = {{"FolderLocation", "https://elsewhere.invalid"}, {"FolderName", "Tidemark"}};
    next.withUninstaller = withUninstaller;
    const QByteArray archive = makeArchive(QTest::currentDataTag(), next);
    QVERIFY(!archive.isEmpty());
    m_server.setFile("/rel/Tidemark/2.0/Tidemark.zip", archive);
    QVariantMap manifest{{"1.0", "2.0"},
                         {"ReleaseNote", QVariantList{QVariantMap{{"2.0", "Better at finding copies"}}}}};
    if (withDigest) {
        manifest.insert(
            "SHA256",
            QVariantMap{{"2.0", QString::fromLatin1(
                                    QCryptographicHash::hash(archive, QCryptographicHash::Sha256).toHex())}});
    }
    serveManifest(manifest);

    Updater::AppDelegate delegate(options(product));
    QSignalSpy statuses(&delegate, &Updater::AppDelegate::statusHandled);
    QSignalSpy finished(&delegate, &Updater::AppDelegate::finished);
    delegate.applicationDidFinishLaunching();
    QVERIFY(finished.wait(20000));
    delegate.waitForJob();

    QStringList seen;
    for (const QList<QVariant>& status : statuses) {
        seen.append(status.first().toString());
    }
    QCOMPARE(seen, (QStringList{UpdaterStatus::downloading, UpdaterStatus::downloaded,
                                UpdaterStatus::checkingIntegrity, UpdaterStatus::applying,
                                UpdaterStatus::updated}));
    Updater::ProgressPanel* panel = delegate.progressPannel();
    QCOMPARE(panel->progressInd()->value(), 100);
    QCOMPARE(panel->progressLabel()->text(), UpdaterStatus::updated);
    QVERIFY(panel->ok()->isVisible());
    QVERIFY(!panel->noUpdate()->isVisible());
    QVERIFY(!delegate.watchdogArmed());
    QCOMPARE(delegate.window()->version()->text(),
             QStringLiteral(
                 "New update available (Tidemark Updater 2.0).\n Would you like to update this version?"));
    QCOMPARE(delegate.window()->releaseNote()->toPlainText(), QStringLiteral("Better at finding copies"));

    // The new application is in place and was started.
    QCOMPARE(UrlTable::text(UrlTable::load(product + "/Tidemark.app/Contents/Info.plist"),
                            "CFBundleShortVersionString"),
             QStringLiteral("2.0"));
    QTRY_COMPARE(UpdateFixture::readFile(m_marker), QByteArray("new \n"));
    const QVariantMap table = UrlTable::load(installedInner);
    if (newDatVersion == QLatin1String("1")) {
        QCOMPARE(UrlTable::text(table, "Support"), QStringLiteral("https://local.invalid/help"));
    } else {
        QCOMPARE(UrlTable::text(table, "DatVersion"), newDatVersion);
        QCOMPARE(UrlTable::text(table, "FolderLocation"), QStringLiteral("https://elsewhere.invalid"));
    }
    // The uninstaller is replaced only when the archive brings one.
    const QByteArray uninstaller =
        UpdateFixture::readFile(product + "/Uninstaller.app/Contents/MacOS/Uninstaller");
    QCOMPARE(uninstaller, UpdateFixture::markerScript(withUninstaller ? "new" : "old"));
    // Nothing of the download is left, nothing staged beside the product.
    QVERIFY(!FileTree::exists(m_caches + "/Tidemark.zip"));
    QVERIFY(!FileTree::exists(m_caches + "/softwareQuillon"));
    QCOMPARE(
        QDir(QFile::decodeName(product)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        (QStringList{"Tidemark.app", "Uninstaller.app"}));
    QCOMPARE(m_server.requests(),
             (QList<QByteArray>{"/rel/Tidemark/Update.plist", "/rel/Tidemark/2.0/Tidemark.zip"}));
}

void TestUpdater::failedUpdate_data()
{
    QTest::addColumn<QByteArray>("kind");
    for (const char* kind : {"no application", "truncated", "escaping entry", "wrong digest", "not found",
                             "connection closed", "never answers"}) {
        QTest::newRow(kind) << QByteArray(kind);
    }
}

void TestUpdater::failedUpdate()
{
    QFETCH(QByteArray, kind);
    const QByteArray product = install("failed-" + QByteArray(kind).replace(' ', '-'));
    // A leftover of an earlier attempt that the new one must clear away.
    QVERIFY(UpdateFixture::writeFile(m_caches + "/softwareQuillon/Tidemark/stale", "stale"));

    UpdateFixture::Tree next;
    next.version = "2.0";
    next.label = "new";
    next.withApplication = kind != "no application";
    QByteArray archive = makeArchive("failed-" + QByteArray(kind).replace(' ', '-'), next);
    QVERIFY(!archive.isEmpty());
    QVariantMap manifest{{"1.0", "2.0"}};
    Updater::AppDelegate::Options opts = options(product);
    const QByteArray path = "/rel/Tidemark/2.0/Tidemark.zip";
    if (kind == "truncated") {
        archive.truncate(archive.size() / 2);
    } else if (kind == "escaping entry") {
        const QByteArray zip = m_root / "escaping.zip";
        QVERIFY(UpdateFixture::writeFile(zip, archive));
        if (!UpdateFixture::addEscapingEntry(zip)) {
            QSKIP("needs python3 to write the entry");
        }
        archive = UpdateFixture::readFile(zip);
    } else if (kind == "wrong digest") {
        manifest.insert("SHA256", QVariantMap{{"2.0", QString(64, QLatin1Char('0'))}});
    } else if (kind == "connection closed") {
        m_server.setMode(path, UpdateTestServer::Mode::Close);
    } else if (kind == "never answers") {
        m_server.setMode(path, UpdateTestServer::Mode::Silent);
        opts.watchdogMs = 300;
        opts.job.idleMs = 1500;
    }
    if (kind != "not found") {
        m_server.setFile(path, archive);
    }
    serveManifest(manifest);

    Updater::AppDelegate delegate(opts);
    QSignalSpy statuses(&delegate, &Updater::AppDelegate::statusHandled);
    QSignalSpy finished(&delegate, &Updater::AppDelegate::finished);
    delegate.applicationDidFinishLaunching();
    QVERIFY(finished.wait(20000));
    Updater::ProgressPanel* panel = delegate.progressPannel();
    QCOMPARE(panel->noUpdateresion()->text(), UpdaterStatus::failureMessage);
    QVERIFY(panel->noUpdate()->isVisible());
    QVERIFY(panel->ok()->isVisible());
    QVERIFY(!panel->progressInd()->isVisible());
    QVERIFY(statuses.count() >= 2);
    QCOMPARE(statuses.first().first().toString(), UpdaterStatus::downloading);
    QVERIFY(statuses.contains(QVariantList{UpdaterStatus::exception}));
    const bool fetchFails = kind == "never answers" || kind == "connection closed" || kind == "not found";
    if (kind == "never answers") {
        // The watchdog spoke while the job still waits for the server.
        QVERIFY(delegate.jobRunning());
    } else if (fetchFails) {
        // One step for the download, one for the failure.
        QTRY_COMPARE(panel->progressInd()->value(), 40);
        QCOMPARE(statuses.count(), 2);
    }
    delegate.waitForJob();
    QVERIFY(!statuses.contains(QVariantList{UpdaterStatus::updated}));
    QVERIFY(installedIntact(product, "old"));
    QVERIFY(!FileTree::exists(m_root / "escaped.txt"));
    // Leftovers go once an archive has arrived, before it is written.
    QCOMPARE(FileTree::exists(m_caches + "/softwareQuillon/Tidemark/stale"), fetchFails);
    QCOMPARE(
        QDir(QFile::decodeName(product)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        (QStringList{"Tidemark.app", "Uninstaller.app"}));
}

void TestUpdater::noUpdate_data()
{
    QTest::addColumn<QString>("installed");
    QTest::addColumn<bool>("offered");
    // The manifest knows 0.9 only: what counts is the installed Info.plist.
    QTest::newRow("installed version offered") << "0.9" << true;
    QTest::newRow("installed version current") << "1.0" << false;
    QTest::newRow("installed version not listed") << "1.5" << false;
}

void TestUpdater::noUpdate()
{
    QFETCH(QString, installed);
    QFETCH(bool, offered);
    const QByteArray product = install("check-" + installed.toLatin1(), installed);
    serveManifest(QVariantMap{{"0.9", "2.0"}, {"1.0", "1.0"}});
    Updater::AppDelegate::Options opts = options(product);
    Updater::AppDelegate delegate(opts);
    delegate.loadUrlsFile();
    QCOMPARE(delegate.appVersion(), installed);
    QCOMPARE(delegate.localAppPlistFileVersion(), QStringLiteral("1"));
    QCOMPARE(delegate.checkForUpdates(), offered);
    if (offered) {
        QCOMPARE(delegate.cloudLattestFolderPath(), m_server.base() + "/rel/Tidemark/2.0");
        QCOMPARE(delegate.window()->releaseNote()->toPlainText(), QStringLiteral("Not Specified"));
        return;
    }
    QVERIFY(delegate.window()->version()->text().isEmpty());
    QSignalSpy finished(&delegate, &Updater::AppDelegate::finished);
    delegate.applicationDidFinishLaunching();
    QVERIFY(finished.wait(20000));
    QVERIFY(delegate.progressPannel()->noUpdate()->isVisible());
    QVERIFY(delegate.progressPannel()->ok()->isVisible());
    QVERIFY(!delegate.window()->isVisible());
    QVERIFY(!m_server.requests().contains("/rel/Tidemark/1.0/Tidemark.zip"));
}

void TestUpdater::noConnection()
{
    const QByteArray product = install("offline");
    serveManifest(QVariantMap{{"1.0", "2.0"}});
    Updater::AppDelegate::Options opts = options(product);
    opts.connectionTest = [] { return false; };
    Updater::AppDelegate delegate(opts);
    delegate.applicationDidFinishLaunching();
    QCOMPARE(delegate.progressPannel()->noUpdateresion()->text(), UpdaterStatus::noConnectionMessage);
    QVERIFY(delegate.progressPannel()->ok()->isVisible());
    QVERIFY(m_server.requests().isEmpty());
    QVERIFY(installedIntact(product, "old"));
}

// The built program itself, as Tidemark starts it from inside an installed
// product: it finds that product from its own place, fetches, installs the
// new version in place and starts it.
void TestUpdater::realProgramUpdatesInPlace()
{
    if (!InternetConnection::isAvailable()) {
        QSKIP("this machine has no default route: the updater would report no connection");
    }
    const QByteArray product = install("real");
    const QByteArray program = UpdateFixture::updaterBundle(product) + "/Contents/MacOS/Tidemark Updater";
    QVERIFY(UpdateFixture::writeFile(program, UpdateFixture::readFile(TIDEMARK_UPDATER_PATH), true));

    UpdateFixture::Tree next;
    next.version = "2.0";
    next.label = "new";
    next.urls = {{"FolderLocation", m_server.base() + "/rel"}, {"FolderName", "Tidemark"}};
    const QByteArray archive = makeArchive("real", next);
    QVERIFY(!archive.isEmpty());
    m_server.setFile("/rel/Tidemark/2.0/Tidemark.zip", archive);
    serveManifest(QVariantMap{{"1.0", "2.0"}});

    QProcess updater;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CACHE_HOME", QFile::decodeName(m_root / "real-cache"));
    env.insert("TIDEMARK_TEST_MARKER", QFile::decodeName(m_marker));
    updater.setProcessEnvironment(env);
    updater.start(QFile::decodeName(program), {"nothing"});
    QVERIFY(updater.waitForStarted());
    const auto installedVersion = [&] {
        return UrlTable::text(UrlTable::load(product + "/Tidemark.app/Contents/Info.plist"),
                              "CFBundleShortVersionString");
    };
    QTRY_COMPARE_WITH_TIMEOUT(installedVersion(), QStringLiteral("2.0"), 60000);
    // pkexec would start it with a cleaned environment, without the marker.
    if (QStandardPaths::findExecutable("pkexec").isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(UpdateFixture::readFile(m_marker), QByteArray("new \n"), 30000);
    }
    QTRY_VERIFY(!FileTree::exists(m_root / "real-cache/Tidemark.zip"));
    QCOMPARE(m_server.requests(),
             (QList<QByteArray>{"/rel/Tidemark/Update.plist", "/rel/Tidemark/2.0/Tidemark.zip"}));
    updater.kill(); // it waits for its Ok button
    updater.waitForFinished();
}

bool TestUpdater::runToEnd(Updater::AppDelegate& delegate)
{
    QSignalSpy finished(&delegate, &Updater::AppDelegate::finished);
    delegate.applicationDidFinishLaunching();
    // Some ends come at once, before start-up returns.
    if (finished.isEmpty() && !finished.wait(30000)) {
        return false;
    }
    delegate.waitForJob();
    return true;
}

void TestUpdater::expectUntouched(const QByteArray& product, const QMap<QByteArray, QByteArray>& before)
{
    QCOMPARE(UpdateFixture::snapshot(product), before);
    QVERIFY(installedIntact(product, "old"));
}

QList<UpdateFixture::ZipEntry> TestUpdater::releaseEntries(const QByteArray& name, const QByteArray& label)
{
    UpdateFixture::Tree next;
    next.version = "2.0";
    next.datVersion = "2";
    next.label = label;
    next.urls = {{"FolderLocation", m_server.base() + "/rel"}, {"FolderName", "Tidemark"}};
    const QByteArray stage = m_root / "tree-" + name;
    if (!UpdateFixture::writeProduct(stage + "/Tidemark", next)) {
        return {};
    }
    return UpdateFixture::entriesOf(stage + "/Tidemark", "Tidemark");
}

namespace {

QByteArray manifestWithDigest(const QByteArray& digestXml)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
           "<key>1.0</key><string>2.0</string><key>SHA256</key>" +
           digestXml + "</dict></plist>\n";
}

// Anything under `root` that is neither a regular file nor a folder.
QList<QByteArray> oddItems(const QByteArray& root)
{
    QList<QByteArray> odd;
    const QMap<QByteArray, QByteArray> items = UpdateFixture::snapshot(root);
    for (auto it = items.begin(); it != items.end(); ++it) {
        if (it.value().startsWith("other")) {
            odd.append(it.key());
        }
    }
    return odd;
}

} // namespace

void TestUpdater::malformedDigestFails_data()
{
    QTest::addColumn<QByteArray>("digest");
    const QByteArray hex(64, 'a');
    QTest::newRow("data instead of a dictionary") << QByteArray("<data>AAAA</data>");
    QTest::newRow("an integer") << QByteArray("<integer>5</integer>");
    QTest::newRow("a bare string") << "<string>" + hex + "</string>";
    QTest::newRow("no entry for the version") << "<dict><key>1.0</key><string>" + hex + "</string></dict>";
    QTest::newRow("data for the version") << QByteArray("<dict><key>2.0</key><data>AAAA</data></dict>");
    QTest::newRow("63 digits") << "<dict><key>2.0</key><string>" + hex.left(63) + "</string></dict>";
    QTest::newRow("not hex") << "<dict><key>2.0</key><string>" + QByteArray(64, 'g') + "</string></dict>";
}

// A "SHA256" key that gives no usable digest fails the update: it never
// turns the check off.
void TestUpdater::malformedDigestFails()
{
    QFETCH(QByteArray, digest);
    static int row = 0;
    const QByteArray product = install("digest-" + QByteArray::number(++row));
    const auto before = UpdateFixture::snapshot(product);
    m_server.setFile("/rel/Tidemark/2.0/Tidemark.zip", UpdateFixture::zip(releaseEntries("digest")));
    m_server.setFile("/rel/Tidemark/Update.plist", manifestWithDigest(digest));

    Updater::AppDelegate delegate(options(product));
    QSignalSpy statuses(&delegate, &Updater::AppDelegate::statusHandled);
    QVERIFY(runToEnd(delegate));
    QCOMPARE(delegate.progressPannel()->noUpdateresion()->text(), UpdaterStatus::failureMessage);
    QVERIFY(!statuses.contains(QVariantList{UpdaterStatus::updated}));
    // The check fails before anything is fetched.
    QCOMPARE(m_server.requests(), QList<QByteArray>{"/rel/Tidemark/Update.plist"});
    expectUntouched(product, before);
}

void TestUpdater::linkEntriesRefused_data()
{
    QTest::addColumn<int>("host");
    QTest::addColumn<quint32>("external");
    const quint32 link = quint32(S_IFLNK | 0777) << 16;
    QTest::newRow("Unix link") << 3 << link;
    QTest::newRow("VMS link") << 2 << link;
    QTest::newRow("FAT link") << 0 << (link | 0x20);
    QTest::newRow("NTFS link") << 10 << (link | 0x20);
    QTest::newRow("NTFS reparse point") << 10 << quint32(0x400 | 0x20);
    QTest::newRow("Unix device") << 3 << (quint32(S_IFCHR | 0666) << 16);
    QTest::newRow("Unix pipe") << 3 << (quint32(S_IFIFO | 0666) << 16);
}

// Whatever system made the archive, an entry whose mode says link (or
// device) is refused, and nothing but files and folders is ever created.
void TestUpdater::linkEntriesRefused()
{
    QFETCH(int, host);
    QFETCH(quint32, external);
    const QByteArray tag = QByteArray(QTest::currentDataTag()).replace(' ', '-');
    const QByteArray product = install("link-" + tag);
    const auto before = UpdateFixture::snapshot(product);
    QList<UpdateFixture::ZipEntry> entries = releaseEntries("link-" + tag);
    // Placed first: any unpacker that made the link would then write the
    // application's files through it.
    entries.insert(1, {"Tidemark/Tidemark.app", m_root / "outside", quint8(host), external});
    entries.insert(2, {"Tidemark/escape", QByteArray("../../.."), quint8(host), external});
    const QByteArray archive = UpdateFixture::zip(entries);
    QList<ArchiveUnpacker::Entry> listed;
    QCOMPARE(ArchiveUnpacker::list(archive, &listed), ArchiveUnpacker::Verdict::UnsafeEntry);

    m_server.setFile("/rel/Tidemark/2.0/Tidemark.zip", archive);
    serveManifest(QVariantMap{{"1.0", "2.0"}});
    Updater::AppDelegate delegate(options(product));
    QVERIFY(runToEnd(delegate));
    QCOMPARE(delegate.progressPannel()->noUpdateresion()->text(), UpdaterStatus::failureMessage);
    QCOMPARE(oddItems(m_caches), QList<QByteArray>{});
    QVERIFY(!FileTree::exists(m_root / "outside"));
    expectUntouched(product, before);
}

void TestUpdater::unsafeNamesRefused_data()
{
    QTest::addColumn<QByteArrayList>("names"); // a trailing slash makes a folder
    QTest::addColumn<int>("verdict");
    const int unsafe = int(ArchiveUnpacker::Verdict::UnsafeEntry);
    QTest::newRow("plain") << QByteArrayList{"Tidemark/", "Tidemark/a", "Tidemark/b/c"}
                           << int(ArchiveUnpacker::Verdict::Sound);
    QTest::newRow("absolute") << QByteArrayList{"/etc/cron.d/x"} << unsafe;
    QTest::newRow("parent") << QByteArrayList{"Tidemark/../../x"} << unsafe;
    QTest::newRow("backslash parent") << QByteArrayList{"Tidemark\\..\\x"} << unsafe;
    QTest::newRow("same name twice") << QByteArrayList{"Tidemark/a", "Tidemark/a"} << unsafe;
    QTest::newRow("file used as a folder") << QByteArrayList{"Tidemark/a", "Tidemark/a/b"} << unsafe;
}

// Names that would leave the staging folder, or whose result would depend
// on the order of unpacking, are refused before anything is written.
void TestUpdater::unsafeNamesRefused()
{
    QFETCH(QByteArrayList, names);
    QFETCH(int, verdict);
    QList<UpdateFixture::ZipEntry> entries;
    for (const QByteArray& name : names) {
        const bool folder = name.endsWith('/');
        entries.append({name, folder ? QByteArray() : QByteArray("x"), 3,
                        quint32(folder ? S_IFDIR | 0755 : S_IFREG | 0644) << 16});
    }
    const QByteArray folder = m_root / "names-" + QByteArray(QTest::currentDataTag()).replace(' ', '-');
    QVERIFY(FileTree::makePath(folder));
    QList<ArchiveUnpacker::Entry> listed;
    QCOMPARE(int(ArchiveUnpacker::unpack(UpdateFixture::zip(entries), folder, &listed)), verdict);
    if (verdict != int(ArchiveUnpacker::Verdict::Sound)) {
        QVERIFY(UpdateFixture::snapshot(folder).isEmpty());
    }
}

void TestUpdater::zipBombRefused_data()
{
    QTest::addColumn<bool>("honestSizes");
    QTest::newRow("sizes as they are") << true;
    QTest::newRow("sizes that lie") << false;
}

// A small archive that would unpack far beyond its size (here 64 MiB of
// zeros in about 64 KiB) is refused, whatever its headers claim.
void TestUpdater::zipBombRefused()
{
    QFETCH(bool, honestSizes);
    const QByteArray tag = honestSizes ? "honest" : "lying";
    const QByteArray product = install("bomb-" + tag);
    const auto before = UpdateFixture::snapshot(product);
    QList<UpdateFixture::ZipEntry> entries = releaseEntries("bomb-" + tag);
    UpdateFixture::ZipEntry bomb{"Tidemark/Tidemark.app/Contents/Resources/bomb", QByteArray(64 << 20, '\0'),
                                 3, quint32(S_IFREG | 0644) << 16, true};
    if (!honestSizes) {
        bomb.declaredSize = 100;
    }
    entries.append(bomb);
    const QByteArray archive = UpdateFixture::zip(entries);
    QVERIFY(archive.size() < (1 << 20));
    QList<ArchiveUnpacker::Entry> listed;
    if (honestSizes) {
        QCOMPARE(ArchiveUnpacker::list(archive, &listed), ArchiveUnpacker::Verdict::TooLarge);
    }

    m_server.setFile("/rel/Tidemark/2.0/Tidemark.zip", archive);
    serveManifest(QVariantMap{{"1.0", "2.0"}});
    Updater::AppDelegate delegate(options(product));
    QVERIFY(runToEnd(delegate));
    QCOMPARE(delegate.progressPannel()->noUpdateresion()->text(), UpdaterStatus::failureMessage);
    // Nothing near the bomb's size reached the disk.
    QFileInfo staged(
        QFile::decodeName(m_caches + "/softwareQuillon/Tidemark/Tidemark.app/Contents/Resources/bomb"));
    QVERIFY(!staged.exists() || staged.size() <= 100);
    expectUntouched(product, before);
}

// The free space is checked before the first byte is unpacked.
void TestUpdater::unpackChecksFreeSpace()
{
    const QByteArray small = m_root / "small fs";
    QVERIFY(FileTree::makePath(small));
    const ByteProcess::Result mounted =
        ByteProcess::run({"mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs", small});
    if (!mounted.exited || mounted.exitCode != 0) {
        QSKIP("mounting a small tmpfs was refused; the free-space check needs one");
    }
    QByteArray noise(1 << 20, '\0');
    for (qsizetype i = 0; i < noise.size(); i += 4) {
        const quint32 value = QRandomGenerator::global()->generate();
        std::memcpy(noise.data() + i, &value, 4);
    }
    const QByteArray archive =
        UpdateFixture::zip({{"Tidemark/", {}, 3, quint32(S_IFDIR | 0755) << 16},
                            {"Tidemark/big", noise, 3, quint32(S_IFREG | 0644) << 16}});
    QList<ArchiveUnpacker::Entry> entries;
    const ArchiveUnpacker::Verdict verdict = ArchiveUnpacker::unpack(archive, small, &entries);
    const QMap<QByteArray, QByteArray> left = UpdateFixture::snapshot(small);
    ByteProcess::run({"umount", small});
    QCOMPARE(verdict, ArchiveUnpacker::Verdict::NoSpace);
    QVERIFY(left.isEmpty());
}

// What is staged must be what the archive describes, file by file.
void TestUpdater::stagedTreeCheckedAgainstArchive()
{
    const QByteArray archive = UpdateFixture::zip(releaseEntries("staged"));
    const QByteArray folder = m_root / "staged-check";
    QVERIFY(FileTree::makePath(folder));
    QList<ArchiveUnpacker::Entry> entries;
    QCOMPARE(ArchiveUnpacker::unpack(archive, folder, &entries), ArchiveUnpacker::Verdict::Sound);
    const QByteArray app = folder + "/Tidemark/Tidemark.app";
    const QByteArray executable = UpdaterLayout::innerExecutable(app);
    QVERIFY(ArchiveUnpacker::matches(app, entries, "Tidemark/Tidemark.app"));
    struct stat st;
    QCOMPARE(::stat(executable.constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, mode_t(0755));

    QVERIFY(::truncate(executable.constData(), 3) == 0);
    QVERIFY(!ArchiveUnpacker::matches(app, entries, "Tidemark/Tidemark.app"));
    QVERIFY(UpdateFixture::writeFile(executable, UpdateFixture::markerScript("new"), true));
    QVERIFY(ArchiveUnpacker::matches(app, entries, "Tidemark/Tidemark.app"));
    QCOMPARE(::chmod(executable.constData(), 0644), 0);
    QVERIFY(!ArchiveUnpacker::matches(app, entries, "Tidemark/Tidemark.app"));
    QCOMPARE(::chmod(executable.constData(), 0755), 0);
    QVERIFY(UpdateFixture::writeFile(app + "/Contents/extra", "x"));
    QVERIFY(!ArchiveUnpacker::matches(app, entries, "Tidemark/Tidemark.app"));
    QVERIFY(FileTree::remove(app + "/Contents/extra"));
    QCOMPARE(::symlink("/", (app + "/Contents/link").constData()), 0);
    QVERIFY(!ArchiveUnpacker::matches(app, entries, "Tidemark/Tidemark.app"));
}

// A server that sends half the body and then nothing: the download gives
// up after the idle time and nothing is installed.
void TestUpdater::stalledBodyFails()
{
    const QByteArray product = install("stalled");
    const auto before = UpdateFixture::snapshot(product);
    const QByteArray path = "/rel/Tidemark/2.0/Tidemark.zip";
    m_server.setFile(path, UpdateFixture::zip(releaseEntries("stalled")));
    m_server.setMode(path, UpdateTestServer::Mode::Stall);
    serveManifest(QVariantMap{{"1.0", "2.0"}});
    Updater::AppDelegate::Options opts = options(product);
    opts.job.idleMs = 500;
    Updater::AppDelegate delegate(opts);
    QSignalSpy statuses(&delegate, &Updater::AppDelegate::statusHandled);
    QVERIFY(runToEnd(delegate));
    QCOMPARE(delegate.progressPannel()->noUpdateresion()->text(), UpdaterStatus::failureMessage);
    QVERIFY(!statuses.contains(QVariantList{UpdaterStatus::downloaded}));
    expectUntouched(product, before);
}

// Two updaters, the second started while the first is downloading (the
// server holds the archive back until told): the second says an update is
// under way and quits, the archive is fetched once, and the first installs
// a whole application that starts.
void TestUpdater::twoUpdatersOneUpdate()
{
    const QByteArray product = install("two");
    const QList<UpdateFixture::ZipEntry> entries = releaseEntries("two");
    const QByteArray path = "/rel/Tidemark/2.0/Tidemark.zip";
    m_server.setFile(path, UpdateFixture::zip(entries));
    m_server.setMode(path, UpdateTestServer::Mode::Hold);
    serveManifest(QVariantMap{{"1.0", "2.0"}});

    Updater::AppDelegate first(options(product));
    QSignalSpy firstDone(&first, &Updater::AppDelegate::finished);
    first.applicationDidFinishLaunching();
    QTRY_VERIFY(m_server.requests().contains(path));
    QVERIFY(first.holdsLock());
    QVERIFY(UpdateLock::updateUnderWay(product, m_caches));

    Updater::AppDelegate second(options(product));
    QSignalSpy quit(&second, &Updater::AppDelegate::terminateRequested);
    QSignalSpy secondDone(&second, &Updater::AppDelegate::finished);
    second.applicationDidFinishLaunching();
    QTRY_COMPARE(secondDone.count(), 1);
    QCOMPARE(second.progressPannel()->noUpdateresion()->text(), UpdaterStatus::underWayMessage);
    QVERIFY(!second.holdsLock());
    QPushButton* ok = second.progressPannel()->okButton();
    QVERIFY(ok->isVisible());
    QTest::mouseClick(ok, Qt::LeftButton, {}, ok->rect().center());
    QCOMPARE(quit.count(), 1);

    m_server.release(path);
    QVERIFY(firstDone.wait(30000));
    first.waitForJob();
    QCOMPARE(first.progressPannel()->progressLabel()->text(), UpdaterStatus::updated);
    QCOMPARE(m_server.requests(), (QList<QByteArray>{"/rel/Tidemark/Update.plist", path}));
    QCOMPARE(UpdateFixture::snapshot(product + "/Tidemark.app"),
             UpdateFixture::snapshot(m_root / "tree-two/Tidemark/Tidemark.app"));
    QTRY_COMPARE(UpdateFixture::readFile(m_marker), QByteArray("new \n"));
    QFile::remove(QFile::decodeName(m_marker));
    QCOMPARE(UpdateFixture::runProgram(UpdateFixture::relaunchPath(product)), 0);
    QCOMPARE(UpdateFixture::readFile(m_marker), QByteArray("new \n"));
    // The lock went with the end of the job.
    QTRY_VERIFY(!UpdateLock::updateUnderWay(product, m_caches));
}

void TestUpdater::readOnlyProduct_data()
{
    QTest::addColumn<bool>("granted");
    QTest::addColumn<bool>("canAsk");
    QTest::newRow("administrator rights refused") << false << true;
    QTest::newRow("no pkexec to ask for them") << false << false;
    QTest::newRow("administrator rights given") << true << true;
}

// A product folder the updater cannot write (a read-only mount: even root
// cannot write it) is found out before Tidemark is stopped. The
// installation then runs as the updater's own step with administrator
// rights; refused, the updater says so and Tidemark keeps running.
void TestUpdater::readOnlyProduct()
{
    QFETCH(bool, granted);
    QFETCH(bool, canAsk);
    const QByteArray product = install(granted  ? "read-only-granted"
                                       : canAsk ? "read-only-refused"
                                                : "read-only-none");
    const ByteProcess::Result bound = ByteProcess::run({"mount", "--bind", product, product});
    if (!bound.exited || bound.exitCode != 0) {
        QSKIP("bind mounts are refused here; a read-only product folder needs one");
    }
    const ByteProcess::Result readOnly = ByteProcess::run({"mount", "-o", "remount,bind,ro", product});
    if (!readOnly.exited || readOnly.exitCode != 0) {
        ByteProcess::run({"umount", product});
        QSKIP("a read-only remount was refused");
    }
    const auto before = UpdateFixture::snapshot(product);
    m_server.setFile("/rel/Tidemark/2.0/Tidemark.zip", UpdateFixture::zip(releaseEntries("read-only")));
    serveManifest(QVariantMap{{"1.0", "2.0"}});

    // Stands in for pkexec: refuses as pkexec does, or gives the rights,
    // which here means lifting the read-only mount of its first argument,
    // and runs the rest.
    const QByteArray elevator = m_root / (granted ? "grant" : "refuse");
    QVERIFY(UpdateFixture::writeFile(
        elevator,
        granted ? QByteArray("#!/bin/sh\necho elevated >> \"$TIDEMARK_TEST_MARKER\"\n"
                             "umount -l \"$1\" 2>/dev/null\nshift\nexec \"$@\"\n")
                : QByteArray("#!/bin/sh\nexit 126\n"),
        true));
    const pid_t tidemark = startRegisteredCopy(m_registry);
    QVERIFY(tidemark > 0);
    Updater::AppDelegate::Options opts = options(product);
    opts.job.install.elevator = {elevator, product};
    if (!canAsk) {
        opts.job.install.elevator = {"/nonexistent/pkexec"};
    }
    Updater::AppDelegate delegate(opts);
    const bool ended = runToEnd(delegate);
    int status = 0;
    if (!granted) {
        const pid_t still = ::waitpid(tidemark, &status, WNOHANG);
        ::kill(tidemark, SIGKILL);
        ::waitpid(tidemark, &status, 0);
        // The updater may still hold the folder open for its lock.
        ByteProcess::run({"umount", "-l", product});
        QVERIFY(ended);
        QCOMPARE(still, pid_t(0)); // Tidemark was never stopped
        QCOMPARE(delegate.progressPannel()->noUpdateresion()->text(),
                 canAsk ? UpdaterStatus::rightsRefusedMessage : UpdaterStatus::rightsUnavailableMessage);
        QTRY_VERIFY(!delegate.holdsLock());
        expectUntouched(product, before);
        return;
    }
    QVERIFY(ended);
    QCOMPARE(::waitpid(tidemark, &status, 0), tidemark);
    QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    ByteProcess::run({"umount", "-l", product});
    QCOMPARE(delegate.progressPannel()->progressLabel()->text(), UpdaterStatus::updated);
    QCOMPARE(UpdateFixture::snapshot(product + "/Tidemark.app"),
             UpdateFixture::snapshot(m_root / "tree-read-only/Tidemark/Tidemark.app"));
    QTRY_VERIFY(UpdateFixture::readFile(m_marker).endsWith("new \n"));
    QVERIFY(UpdateFixture::readFile(m_marker).startsWith("elevated\n"));
}

// An install path with "=", spaces and quotes is updated and relaunched
// with administrator rights.
void TestUpdater::awkwardInstallPath()
{
    const QByteArray product = install("a=b c \"q\" 'x'");
    m_server.setFile("/rel/Tidemark/2.0/Tidemark.zip", UpdateFixture::zip(releaseEntries("awkward")));
    serveManifest(QVariantMap{{"1.0", "2.0"}});
    const QByteArray elevator = m_root / "elevator-awkward";
    QVERIFY(UpdateFixture::writeFile(
        elevator, "#!/bin/sh\necho elevated >> \"$TIDEMARK_TEST_MARKER\"\nexec \"$@\"\n", true));
    Updater::AppDelegate::Options opts = options(product);
    opts.job.install.elevator = {elevator};
    Updater::AppDelegate delegate(opts);
    QVERIFY(runToEnd(delegate));
    QCOMPARE(delegate.progressPannel()->progressLabel()->text(), UpdaterStatus::updated);
    QCOMPARE(UpdateFixture::snapshot(product + "/Tidemark.app"),
             UpdateFixture::snapshot(m_root / "tree-awkward/Tidemark/Tidemark.app"));
    QTRY_COMPARE(UpdateFixture::readFile(m_marker), QByteArray("elevated\nnew \n"));
}

// The version and the notes from the server are shown as they are, never
// read as markup.
void TestUpdater::richTextShownAsText()
{
    const QByteArray product = install("rich");
    const auto before = UpdateFixture::snapshot(product);
    const QString version = QStringLiteral("<b>9.9</b><img src=\"x\">");
    serveManifest(
        QVariantMap{{"1.0", version}, {"ReleaseNote", QVariantList{QVariantMap{{version, "<h1>Big</h1>"}}}}});
    Updater::AppDelegate delegate(options(product));
    QVERIFY(runToEnd(delegate));
    QLabel* line = delegate.window()->version();
    QCOMPARE(line->textFormat(), Qt::PlainText);
    QVERIFY(line->text().contains(version));
    QCOMPARE(delegate.window()->releaseNote()->toPlainText(), QStringLiteral("<h1>Big</h1>"));
    QCOMPARE(delegate.progressPannel()->noUpdateresion()->textFormat(), Qt::PlainText);
    QCOMPARE(delegate.progressPannel()->progressLabel()->textFormat(), Qt::PlainText);
    expectUntouched(product, before);
}

void TestUpdater::unreachableServerIsNotUpToDate_data()
{
    QTest::addColumn<bool>("closed");
    QTest::newRow("connection closed") << true;
    QTest::newRow("nothing listening") << false;
}

// "Up to date" only after a manifest was read.
void TestUpdater::unreachableServerIsNotUpToDate()
{
    QFETCH(bool, closed);
    const QByteArray product = install(closed ? "unreachable-closed" : "unreachable-none");
    if (closed) {
        m_server.setMode("/rel/Tidemark/Update.plist", UpdateTestServer::Mode::Close);
    } else {
        QVariantMap outer = UrlTable::load(product + "/Tidemark.app/Contents/Resources/Urls.plist");
        outer.insert("FolderLocation", "http://127.0.0.1:1/rel");
        QVERIFY(UpdateFixture::writeFile(product + "/Tidemark.app/Contents/Resources/Urls.plist",
                                         UpdateFixture::plistXml(outer)));
    }
    const auto before = UpdateFixture::snapshot(product);
    Updater::AppDelegate delegate(options(product));
    QVERIFY(runToEnd(delegate));
    Updater::ProgressPanel* panel = delegate.progressPannel();
    QCOMPARE(panel->noUpdateresion()->text(), UpdaterStatus::unableToCheckMessage);
    QVERIFY(panel->noUpdate()->isVisible());
    QVERIFY(!panel->progressLabel()->text().contains(QStringLiteral("up to date")));
    QVERIFY(!delegate.holdsLock());
    expectUntouched(product, before);
}

// A package manager's files are never replaced: the updater says where
// updates come from and fetches nothing.
void TestUpdater::packageManagedNotReplaced()
{
    const QByteArray product = install("packaged");
    QVERIFY(UpdateFixture::writeFile(product + "/Tidemark.app/Contents/Resources/PackageManaged",
                                     "Update with: apt upgrade tidemark\n"));
    const auto before = UpdateFixture::snapshot(product);
    m_server.setFile("/rel/Tidemark/2.0/Tidemark.zip", UpdateFixture::zip(releaseEntries("packaged")));
    serveManifest(QVariantMap{{"1.0", "2.0"}});
    Updater::AppDelegate delegate(options(product));
    QVERIFY(runToEnd(delegate));
    const QString text = delegate.progressPannel()->noUpdateresion()->text();
    QVERIFY2(text.startsWith(UpdaterStatus::packageManagedMessage), qPrintable(text));
    QVERIFY(text.endsWith(QStringLiteral("Update with: apt upgrade tidemark")));
    QVERIFY(m_server.requests().isEmpty());
    QCOMPARE(UpdateFixture::snapshot(product), before);
    QVERIFY(installedIntact(product, "old"));

    // The installation step with rights refuses too, even on its own.
    const QByteArray zipPath = m_root / "packaged.zip";
    QVERIFY(UpdateFixture::writeFile(zipPath, UpdateFixture::zip(releaseEntries("packaged"))));
    QCOMPARE(Installer::installStep({zipPath, m_root / "tree-packaged", product, m_registry, "-"}),
             int(Installer::PackageManaged));
    QCOMPARE(UpdateFixture::snapshot(product), before);
}

QTEST_MAIN(TestUpdater)
#include "tst_updater.moc"
