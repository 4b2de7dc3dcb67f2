#include "TestSupport.h"
#include "UpdateFixture.h"
#include "UpdateTestServer.h"
#include "app/UpdateController.h"
#include "update/InternetConnection.h"
#include "update/UpdateAddress.h"
#include "update/UpdateLock.h"
#include "update/UpdateManifest.h"
#include "update/UrlTable.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

// The update check of Tidemark against a real HTTP server: the manifest,
// the addresses it is fetched from, the prompt and the start of the updater.
class TestUpdate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void addresses_data();
    void addresses();
    void manifestLookup_data();
    void manifestLookup();
    void releaseNotesAndDigest();
    void defaultRoute_data();
    void defaultRoute();
    void check_data();
    void check();
    void spacesSentAsEscapes();
    void silentServerTimesOut();
    void updateStartsUpdaterWithNothing();
    void remindMeLaterStartsNothing();
    void urlTableBesideExecutable();
    void unreachableServerSaysSo();
    void richTextPromptIsPlain();
    void packageManagedPrompt();
    void secondUpdaterNeverStarted();

private:
    struct Bundle
    {
        QByteArray path;
    };
    // A Tidemark bundle at `root`/Tidemark.app with its Info.plist version
    // and URL table pointing at the test server.
    QByteArray makeBundle(const QByteArray& root, const QString& version, const QVariantMap& urls);
    UpdateController::Options options(const QByteArray& bundle, bool connected = true) const;
    QMessageBox* openBox(QWidget* window, const char* name) const;
    // A real click on the painted button.
    static void clickButton(QAbstractButton* button);
    // An installed product at `name` whose Tidemark runs `version` and
    // checks the test server.
    QByteArray installProduct(const QByteArray& name, const QString& version);

    QTemporaryDir m_home;
    TempRoot m_root;
    UpdateTestServer m_server;
    QWidget m_window;
    QByteArray m_marker;
};

void TestUpdate::initTestCase()
{
    QVERIFY(TestSupport::isolateUserFolders(m_home));
    m_marker = m_root / "marker.txt";
    qputenv("TIDEMARK_TEST_MARKER", m_marker);
}

QByteArray TestUpdate::makeBundle(const QByteArray& root, const QString& version, const QVariantMap& urls)
{
    const QByteArray bundle = root + "/Tidemark.app";
    UpdateFixture::writeFile(
        bundle + "/Contents/Info.plist",
        UpdateFixture::plistXml(QVariantMap{{QStringLiteral("CFBundleShortVersionString"), version}}));
    if (!urls.isEmpty()) {
        UpdateFixture::writeFile(bundle + "/Contents/Resources/Urls.plist", UpdateFixture::plistXml(urls));
    }
    UpdateFixture::writeFile(bundle + "/Contents/MacOS/Tidemark Updater.app/Contents/MacOS/Tidemark Updater",
                             UpdateFixture::markerScript("updater"), true);
    return bundle;
}

UpdateController::Options TestUpdate::options(const QByteArray& bundle, bool connected) const
{
    UpdateController::Options options;
    options.bundlePath = QFile::decodeName(bundle);
    options.connectionTest = [connected] { return connected; };
    options.timeoutMs = 5000;
    return options;
}

QMessageBox* TestUpdate::openBox(QWidget* window, const char* name) const
{
    for (QMessageBox* box : window->findChildren<QMessageBox*>(QLatin1String(name))) {
        if (box->isVisible()) {
            return box;
        }
    }
    return nullptr;
}

void TestUpdate::clickButton(QAbstractButton* button)
{
    QVERIFY(button && button->isVisible());
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

QByteArray TestUpdate::installProduct(const QByteArray& name, const QString& version)
{
    UpdateFixture::Tree tree;
    tree.version = version;
    tree.urls = {{"FolderLocation", m_server.base() + "/p"}, {"FolderName", "Tidemark"}};
    const QByteArray product = m_root / name + "/Tidemark";
    UpdateFixture::writeProduct(product, tree);
    return product;
}

void TestUpdate::addresses_data()
{
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("manifest");
    QTest::addColumn<QString>("archive");

    QTest::newRow("plain") << "https://h/u"
                           << "Tidemark"
                           << "https://h/u/Tidemark/Update.plist"
                           << "https://h/u/Tidemark/2.0/Tidemark.zip";
    QTest::newRow("slashes collapse at joins") << "https://h/u/"
                                               << "/Tidemark/"
                                               << "https://h/u/Tidemark/Update.plist"
                                               << "https://h/u/Tidemark/2.0/Tidemark.zip";
    QTest::newRow("spaces only are escaped") << "https://h/my files"
                                             << "Tide mark+é"
                                             << "https://h/my%20files/Tide%20mark+é/Update.plist"
                                             << "https://h/my%20files/Tide%20mark+é/2.0/Tidemark.zip";
}

void TestUpdate::addresses()
{
    QFETCH(QString, location);
    QFETCH(QString, name);
    QFETCH(QString, manifest);
    QFETCH(QString, archive);
    QCOMPARE(UpdateAddress::manifestAddress(location, name), manifest);
    const QString folder = UpdateAddress::versionFolder(location, name, QStringLiteral("2.0"));
    QCOMPARE(UpdateAddress::archiveAddress(folder), archive);
    QCOMPARE(UpdateAddress::localArchiveName(QStringLiteral("http://h/a%20b/My%20Archive.zip")),
             QStringLiteral("My Archive.zip"));
    QCOMPARE(UpdateAddress::localArchiveName(QStringLiteral("http://h/a/..")),
             QStringLiteral("Tidemark.zip"));
}

void TestUpdate::manifestLookup_data()
{
    QTest::addColumn<QString>("running");
    QTest::addColumn<QString>("expected");

    QTest::newRow("current maps to itself") << "2.0" << QString();
    QTest::newRow("older is offered newer") << "1.0"
                                            << "2.0";
    QTest::newRow("newer is offered older") << "3.0"
                                            << "2.0";
    QTest::newRow("not listed") << "1.5" << QString();
    QTest::newRow("compared as text, not numbers") << "2"
                                                   << "2.0";
    QTest::newRow("case matters") << "1.0b"
                                  << "1.0B";
    QTest::newRow("a non-text value is no entry") << "ReleaseNote" << QString();
}

void TestUpdate::manifestLookup()
{
    QFETCH(QString, running);
    QFETCH(QString, expected);
    const QByteArray xml = UpdateFixture::plistXml(
        QVariantMap{{"1.0", "2.0"},
                    {"2.0", "2.0"},
                    {"3.0", "2.0"},
                    {"2", "2.0"},
                    {"1.0b", "1.0B"},
                    {"ReleaseNote", QVariantList{QVariantMap{{"2.0", "Faster scans"}}}}});
    UpdateManifest manifest;
    QVERIFY(UpdateManifest::parse(xml, &manifest));
    QCOMPARE(manifest.nextVersion(running), expected);
}

void TestUpdate::releaseNotesAndDigest()
{
    UpdateManifest manifest;
    QVERIFY(!UpdateManifest::parse("<plist><array/></plist>", &manifest));
    QVERIFY(!UpdateManifest::parse("not a property list", &manifest));
    QVERIFY(UpdateManifest::parse(UpdateFixture::plistXml(QVariantMap{
                                      {"ReleaseNote", QVariantList{QVariantMap{{"2.0", "Faster scans"}}}},
                                      {"SHA256", QVariantMap{{"2.0", " ABCDEF01 "}}}}),
                                  &manifest));
    QCOMPARE(manifest.releaseNote("2.0"), QStringLiteral("Faster scans"));
    QCOMPARE(manifest.releaseNote("3.0"), QStringLiteral("Not Specified"));
    QCOMPARE(manifest.sha256("2.0"), QStringLiteral("abcdef01"));
    QVERIFY(manifest.sha256("3.0").isNull());
    QVERIFY(UpdateManifest::parse(UpdateFixture::plistXml(QVariantMap{{"ReleaseNote", QVariantList{}}}),
                                  &manifest));
    QCOMPARE(manifest.releaseNote("2.0"), QStringLiteral("Not Specified"));
}

void TestUpdate::defaultRoute_data()
{
    QTest::addColumn<QByteArray>("ipv4");
    QTest::addColumn<QByteArray>("ipv6");
    QTest::addColumn<bool>("available");

    const QByteArray header =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
    const QByteArray v4Default = "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n";
    const QByteArray v4Local = "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n";
    const QByteArray v4Down = "eth0\t00000000\t010200C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n";
    const QByteArray v6Default =
        "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
        "fd000000000000000000000000000001 00000400 00000002 00000000 00000003     eth0\n";
    const QByteArray v6Reject =
        "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
        "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n";
    QTest::newRow("IPv4 default route") << header + v4Local + v4Default << v6Reject << true;
    QTest::newRow("only a local network") << header + v4Local << v6Reject << false;
    QTest::newRow("default route down") << header + v4Down << QByteArray() << false;
    QTest::newRow("IPv6 default route") << header << v6Default << true;
    QTest::newRow("no tables") << QByteArray() << QByteArray() << false;
}

void TestUpdate::defaultRoute()
{
    QFETCH(QByteArray, ipv4);
    QFETCH(QByteArray, ipv6);
    QFETCH(bool, available);
    const QByteArray v4 = m_root / "route";
    const QByteArray v6 = m_root / "ipv6_route";
    QVERIFY(UpdateFixture::writeFile(v4, ipv4));
    QVERIFY(UpdateFixture::writeFile(v6, ipv6));
    QCOMPARE(InternetConnection::isAvailable(v4, v6), available);
    QVERIFY(!InternetConnection::isAvailable(m_root / "missing", m_root / "missing6"));
}

void TestUpdate::check_data()
{
    QTest::addColumn<QString>("running");
    QTest::addColumn<QByteArray>("manifest"); // empty: the server has none
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("withTable");
    QTest::addColumn<QString>("offered");
    QTest::addColumn<bool>("manifestRead"); // else the menu says the check could not be made

    const QByteArray manifest =
        UpdateFixture::plistXml(QVariantMap{{"1.0", "2.0"}, {"2.0", "2.0"}, {"3.0", "2.5"}});
    QTest::newRow("current version") << "2.0" << manifest << true << true << QString() << true;
    QTest::newRow("version not listed") << "1.7" << manifest << true << true << QString() << true;
    QTest::newRow("older version offered") << "3.0" << manifest << true << true << "2.5" << true;
    QTest::newRow("newer version offered") << "1.0" << manifest << true << true << "2.0" << true;
    QTest::newRow("no connection") << "1.0" << manifest << false << true << QString() << false;
    QTest::newRow("no URL table") << "1.0" << manifest << true << false << QString() << false;
    QTest::newRow("manifest missing") << "1.0" << QByteArray() << true << true << QString() << false;
    QTest::newRow("manifest not a dictionary")
        << "1.0" << QByteArray("<plist><array/></plist>") << true << true << QString() << false;
}

void TestUpdate::check()
{
    QFETCH(QString, running);
    QFETCH(QByteArray, manifest);
    QFETCH(bool, connected);
    QFETCH(bool, withTable);
    QFETCH(QString, offered);
    QFETCH(bool, manifestRead);

    m_server.clear();
    if (!manifest.isEmpty()) {
        m_server.setFile("/updates/Tidemark/Update.plist", manifest);
    }
    QVariantMap urls;
    if (withTable) {
        urls = {
            {"FolderLocation", m_server.base() + "/updates"}, {"FolderName", "Tidemark"}, {"Support", "x"}};
    }
    const QByteArray root = m_root / QTest::currentDataTag();
    const QByteArray bundle = makeBundle(root, running, urls);

    UpdateController controller(&m_window, options(bundle, connected));
    QCOMPARE(controller.runningVersion(), running);
    QCOMPARE(controller.urlTable().value("FolderName").toString(),
             withTable ? QStringLiteral("Tidemark") : QString());
    QCOMPARE(controller.checkForupUpdates(), offered);

    // At start-up: silent unless there is something to offer.
    QSignalSpy finished(&controller, &UpdateController::startupCheckFinished);
    QSignalSpy prompts(&controller, &UpdateController::promptShown);
    QSignalSpy alerts(&controller, &UpdateController::alertShown);
    controller.startupCheck();
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.first().first().toString(), offered);
    QCOMPARE(prompts.count(), offered.isNull() ? 0 : 1);
    QCOMPARE(alerts.count(), 0);
    if (!offered.isNull()) {
        QMessageBox* prompt = openBox(&m_window, "updatePrompt");
        QVERIFY(prompt);
        QCOMPARE(prompt->text(), QStringLiteral("New update available (Tidemark %1)").arg(offered));
        QCOMPARE(prompt->informativeText(), QStringLiteral("Would you like to update this version?"));
        QCOMPARE(prompt->defaultButton()->text(), QStringLiteral("Update"));
        prompt->findChild<QPushButton*>("remindMeLaterButton")->click();
        QTRY_VERIFY(!openBox(&m_window, "updatePrompt"));
    }

    // On the menu: a prompt (queued) or the up-to-date alert, always something.
    controller.updateMenuClicked();
    if (offered.isNull() && !manifestRead) {
        // "Up to date" only after a manifest was read.
        QTRY_COMPARE(alerts.count(), 1);
        QCOMPARE(alerts.first().at(0).toString(),
                 QStringLiteral("Unable to check for updates right now, please try again later."));
        QCOMPARE(alerts.first().at(1).toString(), QStringLiteral("Tidemark"));
        QVERIFY(!openBox(&m_window, "upToDateAlert"));
        QMessageBox* alert = openBox(&m_window, "unableToCheckAlert");
        QVERIFY(alert);
        QCOMPARE(alert->buttons().size(), 1);
        clickButton(alert->buttons().first());
        QTRY_VERIFY(!openBox(&m_window, "unableToCheckAlert"));
    } else if (offered.isNull()) {
        QTRY_COMPARE(alerts.count(), 1);
        QCOMPARE(alerts.first().at(0).toString(), QStringLiteral("No update required."));
        QCOMPARE(alerts.first().at(1).toString(), QStringLiteral("Your application is up to date"));
        QMessageBox* alert = openBox(&m_window, "upToDateAlert");
        QVERIFY(alert);
        QCOMPARE(alert->buttons().size(), 1);
        QCOMPARE(alert->buttons().first()->text(), QStringLiteral("Ok"));
        alert->buttons().first()->click();
    } else {
        QCOMPARE(prompts.count(), 1); // not yet: the check runs off the UI thread
        QTRY_COMPARE(prompts.count(), 2);
        QCOMPARE(prompts.last().first().toString(), offered);
        openBox(&m_window, "updatePrompt")->findChild<QPushButton*>("remindMeLaterButton")->click();
        QCOMPARE(alerts.count(), 0);
    }
    // No connection: nothing is fetched at all.
    if (!connected || !withTable) {
        QVERIFY(m_server.requests().isEmpty());
    }
}

void TestUpdate::spacesSentAsEscapes()
{
    m_server.clear();
    m_server.setFile("/my%20updates/Tide%20mark/Update.plist",
                     UpdateFixture::plistXml(QVariantMap{{"1.0", "2.0"}}));
    const QVariantMap urls{{"FolderLocation", m_server.base() + "/my updates"}, {"FolderName", "Tide mark"}};
    UpdateController controller(&m_window, options(makeBundle(m_root / "spaces", "1.0", urls)));
    QCOMPARE(controller.checkForupUpdates(), QStringLiteral("2.0"));
    QCOMPARE(m_server.requests(), QList<QByteArray>{"/my%20updates/Tide%20mark/Update.plist"});
}

void TestUpdate::silentServerTimesOut()
{
    m_server.clear();
    m_server.setMode("/slow/Tidemark/Update.plist", UpdateTestServer::Mode::Silent);
    const QVariantMap urls{{"FolderLocation", m_server.base() + "/slow"}, {"FolderName", "Tidemark"}};
    UpdateController::Options opts = options(makeBundle(m_root / "slow", "1.0", urls));
    opts.timeoutMs = 300;
    UpdateController controller(&m_window, opts);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(controller.checkForupUpdates().isNull());
    QVERIFY(timer.elapsed() < 5000);

    // A check still waiting at start-up does not hold up the program's end.
    opts.timeoutMs = 60000;
    const int asked = int(m_server.requests().count("/slow/Tidemark/Update.plist"));
    auto* waiting = new UpdateController(&m_window, opts);
    waiting->startupCheck();
    // The check has reached the server, which never answers.
    QTRY_COMPARE(int(m_server.requests().count("/slow/Tidemark/Update.plist")), asked + 1);
    timer.restart();
    delete waiting;
    QVERIFY(timer.elapsed() < 5000);
}

void TestUpdate::updateStartsUpdaterWithNothing()
{
    m_server.clear();
    m_server.setFile("/u/Tidemark/Update.plist", UpdateFixture::plistXml(QVariantMap{{"1.0", "2.0"}}));
    const QVariantMap urls{{"FolderLocation", m_server.base() + "/u"}, {"FolderName", "Tidemark"}};
    // A bundle folder whose name needs care in any shell.
    const QByteArray root = m_root / "it's $HOME `x`";
    const QByteArray bundle = makeBundle(root, "1.0", urls);
    UpdateController controller(&m_window, options(bundle));
    QCOMPARE(controller.updaterPath(), QFile::decodeName(bundle) + "/Contents/MacOS/Tidemark Updater.app");

    QSignalSpy launched(&controller, &UpdateController::updaterLaunched);
    QFile::remove(QFile::decodeName(m_marker));
    controller.updateMenuClicked();
    QTRY_VERIFY(openBox(&m_window, "updatePrompt"));
    openBox(&m_window, "updatePrompt")->findChild<QPushButton*>("updateButton")->click();
    QCOMPARE(launched.count(), 1);
    QCOMPARE(launched.first().at(1).toStringList(), QStringList{"nothing"});
    QVERIFY(launched.first().at(2).toBool());
    QTRY_COMPARE(UpdateFixture::readFile(m_marker), QByteArray("updater nothing\n"));
}

void TestUpdate::remindMeLaterStartsNothing()
{
    m_server.clear();
    m_server.setFile("/u/Tidemark/Update.plist", UpdateFixture::plistXml(QVariantMap{{"1.0", "2.0"}}));
    const QVariantMap urls{{"FolderLocation", m_server.base() + "/u"}, {"FolderName", "Tidemark"}};
    UpdateController controller(&m_window, options(makeBundle(m_root / "later", "1.0", urls)));
    QSignalSpy launched(&controller, &UpdateController::updaterLaunched);
    controller.updateMenuClicked();
    QTRY_VERIFY(openBox(&m_window, "updatePrompt"));
    openBox(&m_window, "updatePrompt")->findChild<QPushButton*>("remindMeLaterButton")->click();
    // Update launches at once from its click (see above); whatever the click
    // queued has run as well.
    QCoreApplication::sendPostedEvents();
    QCOMPARE(launched.count(), 0);
}

void TestUpdate::urlTableBesideExecutable()
{
    // The shipped layout keeps the table beside the executable, where the
    // updater keeps or replaces it.
    const QByteArray bundle = makeBundle(m_root / "inner", "1.0", {});
    QVERIFY(UpdateFixture::writeFile(
        bundle + "/Contents/MacOS/Urls.plist",
        UpdateFixture::plistXml(QVariantMap{{"Support", "https://example.invalid/s"}})));
    UpdateController controller(&m_window, options(bundle));
    QCOMPARE(UrlTable::text(controller.urlTable(), UrlTable::supportKey),
             QStringLiteral("https://example.invalid/s"));
    QVERIFY(controller.checkForupUpdates().isNull());
}

// A server that cannot be reached is not an application that is up to date.
void TestUpdate::unreachableServerSaysSo()
{
    m_server.clear();
    m_server.setMode("/down/Tidemark/Update.plist", UpdateTestServer::Mode::Close);
    const QVariantMap urls{{"FolderLocation", m_server.base() + "/down"}, {"FolderName", "Tidemark"}};
    UpdateController controller(&m_window, options(makeBundle(m_root / "down", "1.0", urls)));
    QSignalSpy alerts(&controller, &UpdateController::alertShown);
    controller.updateMenuClicked();
    QTRY_COMPARE(alerts.count(), 1);
    QMessageBox* alert = openBox(&m_window, "unableToCheckAlert");
    QVERIFY(alert);
    QCOMPARE(alert->informativeText(),
             QStringLiteral("Unable to check for updates right now, please try again later."));
    QVERIFY(!openBox(&m_window, "upToDateAlert"));
    // Qt asks again once when a connection closes unanswered.
    const QList<QByteArray> asked = m_server.requests();
    QVERIFY(!asked.isEmpty());
    QCOMPARE(asked.count(QByteArray("/down/Tidemark/Update.plist")), asked.size());
    clickButton(alert->buttons().first());
    QTRY_VERIFY(!openBox(&m_window, "unableToCheckAlert"));
}

// The version offered comes from the server: the prompt shows it as text.
void TestUpdate::richTextPromptIsPlain()
{
    m_server.clear();
    const QString offered = QStringLiteral("<b>2.0</b><a href=\"x\">click</a>");
    m_server.setFile("/rich/Tidemark/Update.plist", UpdateFixture::plistXml(QVariantMap{{"1.0", offered}}));
    const QVariantMap urls{{"FolderLocation", m_server.base() + "/rich"}, {"FolderName", "Tidemark"}};
    UpdateController controller(&m_window, options(makeBundle(m_root / "rich", "1.0", urls)));
    controller.updateMenuClicked();
    QTRY_VERIFY(openBox(&m_window, "updatePrompt"));
    QMessageBox* prompt = openBox(&m_window, "updatePrompt");
    QCOMPARE(prompt->textFormat(), Qt::PlainText);
    bool shown = false;
    for (QLabel* label : prompt->findChildren<QLabel*>()) {
        if (label->text().contains(offered)) {
            QCOMPARE(label->textFormat(), Qt::PlainText);
            shown = true;
        }
    }
    QVERIFY(shown);
    clickButton(prompt->findChild<QPushButton*>("remindMeLaterButton"));
    QTRY_VERIFY(!openBox(&m_window, "updatePrompt"));
}

// A copy installed by a package manager is told about a new version and
// where to get it, and never offered an update in place.
void TestUpdate::packageManagedPrompt()
{
    m_server.clear();
    m_server.setFile("/p/Tidemark/Update.plist", UpdateFixture::plistXml(QVariantMap{{"1.0", "2.0"}}));
    const QByteArray product = installProduct("packaged", "1.0");
    QVERIFY(UpdateFixture::writeFile(product + "/Tidemark.app/Contents/Resources/PackageManaged",
                                     "Run: sudo apt upgrade tidemark <b>now</b>\n"));
    UpdateController controller(&m_window, options(product + "/Tidemark.app/Contents/MacOS/Tidemark.app"));
    QCOMPARE(controller.productFolder(), QFile::decodeName(product));
    QVERIFY(controller.isPackageManaged());
    QSignalSpy launched(&controller, &UpdateController::updaterLaunched);
    controller.updateMenuClicked();
    QTRY_VERIFY(openBox(&m_window, "updatePrompt"));
    QMessageBox* prompt = openBox(&m_window, "updatePrompt");
    QCOMPARE(prompt->text(), QStringLiteral("New update available (Tidemark 2.0)"));
    QVERIFY(prompt->informativeText().contains(QStringLiteral("package manager")));
    QVERIFY(prompt->informativeText().endsWith(QStringLiteral("Run: sudo apt upgrade tidemark <b>now</b>")));
    QVERIFY(!prompt->findChild<QPushButton*>("updateButton"));
    QCOMPARE(prompt->buttons().size(), 1);
    clickButton(prompt->findChild<QPushButton*>("okButton"));
    QTRY_VERIFY(!openBox(&m_window, "updatePrompt"));
    QCOMPARE(launched.count(), 0);
}

// While an updater holds its lock on the product, Update starts no second one.
void TestUpdate::secondUpdaterNeverStarted()
{
    m_server.clear();
    m_server.setFile("/p/Tidemark/Update.plist", UpdateFixture::plistXml(QVariantMap{{"1.0", "2.0"}}));
    const QByteArray product = installProduct("busy", "1.0");
    UpdateController controller(&m_window, options(product + "/Tidemark.app/Contents/MacOS/Tidemark.app"));
    QSignalSpy launched(&controller, &UpdateController::updaterLaunched);
    QSignalSpy alerts(&controller, &UpdateController::alertShown);
    UpdateLock running;
    QVERIFY(running.acquire(product, UpdateLock::userCachesFolder()));
    QVERIFY(controller.updateUnderWay());

    QFile::remove(QFile::decodeName(m_marker));
    controller.updateMenuClicked();
    QTRY_VERIFY(openBox(&m_window, "updatePrompt"));
    clickButton(openBox(&m_window, "updatePrompt")->findChild<QPushButton*>("updateButton"));
    QTRY_VERIFY(openBox(&m_window, "updateUnderWayAlert"));
    QCOMPARE(alerts.last().at(0).toString(), QStringLiteral("An update of Tidemark is already under way."));
    QCOMPARE(launched.count(), 0);
    clickButton(openBox(&m_window, "updateUnderWayAlert")->buttons().first());
    QTRY_VERIFY(!openBox(&m_window, "updateUnderWayAlert"));

    // Once it is done, Update starts the updater again.
    running.release();
    QTRY_VERIFY(!controller.updateUnderWay());
    controller.updateMenuClicked();
    QTRY_VERIFY(openBox(&m_window, "updatePrompt"));
    clickButton(openBox(&m_window, "updatePrompt")->findChild<QPushButton*>("updateButton"));
    QTRY_COMPARE(launched.count(), 1);
    QTRY_COMPARE(UpdateFixture::readFile(m_marker), QByteArray("updater nothing\n"));
}

QTEST_MAIN(TestUpdate)
#include "tst_update.moc"
