#include "AppHarness.h"
#include "TestSupport.h"
#include "app/AppDelegate.h"
#include "app/ExceptionController.h"
#include "app/LocationPageController.h"
#include "platform/InstanceRegistry.h"
#include "platform/SingleInstance.h"
#include "review/ExceptionList.h"
#include "review/StatisticsStore.h"
#include "scan/ScanSession.h"
#include "ui/AboutPanel.h"
#include "ui/BusyIndicator.h"
#include "ui/ExceptionWindow.h"
#include "ui/InformationWindow.h"
#include "ui/MainWindow.h"
#include "ui/ViewTransparent.h"

#include <QApplication>
#include <QDir>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int Long = 60000; // generous: the machine is shared and may be slow
const QString HomeImageKey = QStringLiteral("HomeImageValue");

bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

using App = AppHarness;

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    // Walks the road of one scan up to the scan page.
    void startScan(App& app, const QString& tree)
    {
        app.delegate.buttonScanFoldersClicked();
        QCOMPARE(app.page(), QStringLiteral("2"));
        app.delegate.locations()->addFolderPaths({QFile::encodeName(tree)});
        QVERIFY(app.w<QAbstractButton>("findDuplicateExact")->isEnabled());
        app.delegate.buttonFindDuplicatesExactClicked();
        QCOMPARE(app.page(), QStringLiteral("5"));
    }

    QTemporaryDir m_home;
    QString m_small;
    QString m_large;
    QString m_empty;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        QVERIFY(TestSupport::isolateUserFolders(m_home));
        Q_INIT_RESOURCE(resources);
        QCoreApplication::setOrganizationName(QStringLiteral("Quillon"));
        QCoreApplication::setApplicationName(QStringLiteral("Tidemark"));
        QCoreApplication::setApplicationVersion(QStringLiteral("4.5.6"));
        QApplication::setQuitOnLastWindowClosed(false);

        m_small = m_home.filePath(QStringLiteral("small"));
        for (const char* name : {"a.jpg", "sub/b.jpg", "c.txt", "sub/deeper/d.txt", "e.txt"}) {
            QVERIFY(writeFile(m_small + '/' + name, QByteArray(name).endsWith("jpg") ? "JPEG" : "text\n"));
        }
        QVERIFY(writeFile(m_small + QStringLiteral("/lonely.dat"), "nothing like it"));
        m_large = m_home.filePath(QStringLiteral("large"));
        QVERIFY(TestSupport::writeSlowTree(m_large));
        m_empty = m_home.filePath(QStringLiteral("empty"));
        QVERIFY(QDir().mkpath(m_empty + QStringLiteral("/no/files/here")));
    }

    void startupEffects_data()
    {
        QTest::addColumn<QString>("stored"); // null: no value stored
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("storedAfterClose");
        QTest::newRow("absent") << QString() << "HomePage1.png"
                                << "2";
        QTest::newRow("2") << "2"
                           << "HomePage2.png"
                           << "3";
        QTest::newRow("3 wraps") << "3"
                                 << "HomePage3.png"
                                 << "1";
        QTest::newRow("7 out of range") << "7"
                                        << "HomePage1.png"
                                        << "8";
    }

    void startupEffects()
    {
        QFETCH(QString, stored);
        QFETCH(QString, picture);
        QFETCH(QString, storedAfterClose);
        {
            QSettings settings;
            if (stored.isNull()) {
                settings.remove(HomeImageKey);
            } else {
                settings.setValue(HomeImageKey, stored);
            }
        }
        const QString support =
            QFile::decodeName(qgetenv("XDG_DATA_HOME")) + QStringLiteral("/Quillon/Tidemark");
        QDir(support).removeRecursively();

        App app;
        QVERIFY(app.delegate.launch());
        QVERIFY(app.window.isVisible());
        QCOMPARE(app.page(), QStringLiteral("1"));
        QVERIFY(QFileInfo(support).isDir());
        QCOMPARE(QFile::decodeName(app.delegate.appSupportPath()), support);
        QVERIFY(!app.w<QAbstractButton>("findDuplicateExact")->isEnabled());
        auto* effect = qobject_cast<QGraphicsOpacityEffect*>(
            app.w<QAbstractButton>("findDuplicateExact")->graphicsEffect());
        QVERIFY(effect);
        QCOMPARE(effect->opacity(), 0.6);
        QVERIFY(app.w<QLabel>("cleanHistory")->isHidden());
        QCOMPARE(app.w<QLabel>("HomePage")->property("pictureName").toString(), picture);
        QVERIFY(app.w<QWidget>("confirmationView")->isHidden());
        QVERIFY(app.w<QWidget>("runningAlert")->isHidden());

        QSignalSpy terminate(&app.delegate, &AppDelegate::terminateRequested);
        QVERIFY(app.window.close());
        QCOMPARE(terminate.count(), 1);
        QCOMPARE(QSettings().value(HomeImageKey).toString(), storedAfterClose);
    }

    // The stores load at start: the cleaned-so-far line, and exceptions that
    // the next scan skips.
    void storesAtStartUp()
    {
        const QByteArray support = QFile::encodeName(QFile::decodeName(qgetenv("XDG_DATA_HOME")) +
                                                     QStringLiteral("/Quillon/Tidemark"));
        QDir(QFile::decodeName(support)).removeRecursively();
        {
            App first;
            QVERIFY(first.delegate.launch());
            QVERIFY(QFileInfo::exists(QFile::decodeName(support + "/data.plist")));
            QVERIFY(first.w<QLabel>("cleanHistory")->isHidden());
        }
        {
            StatisticsStore store;
            store.loadDataFile(support);
            QVERIFY(store.recordRun(0, 0, 12, 3400000));
            ExceptionList exceptions;
            exceptions.load(support);
            exceptions.addPaths({QFile::encodeName(m_small + QStringLiteral("/sub/b.jpg"))});
        }
        App app;
        QVERIFY(app.delegate.launch());
        QVERIFY(!app.w<QLabel>("cleanHistory")->isHidden());
        QCOMPARE(app.w<QLabel>("cleanHistory")->text(), QStringLiteral("Files cleaned so far: 12 (3.40 MB)"));
        app.delegate.buttonScanFoldersClicked();
        QVERIFY(app.w<QLabel>("cleanHistory")->isHidden());
        app.delegate.locations()->addFolderPaths({QFile::encodeName(m_small)});
        app.delegate.buttonFindDuplicatesExactClicked();
        QTRY_COMPARE_WITH_TIMEOUT(app.page(), QStringLiteral("4"), Long);
        QVERIFY(!app.scan()->results().modal->getExtensionWithName("jpg"));
        for (const ExtensionsPtr& group : app.scan()->results().modal->extensionsArray()) {
            for (const SetPtr& set : group->sets()) {
                for (const FilePtr& file : set->files()) {
                    QVERIFY(!file->filePath().endsWith("/sub/b.jpg")); // its twin a.jpg is alone now
                }
            }
        }
        app.delegate.buttonHomeExactPageClicked();
        QVERIFY(!app.w<QLabel>("cleanHistory")->isHidden());
        QDir(QFile::decodeName(support)).removeRecursively();
    }

    // Marked files go to the exception list through the exception window; the
    // list can be emptied again.
    void exceptionCommands()
    {
        const QByteArray support = QFile::encodeName(QFile::decodeName(qgetenv("XDG_DATA_HOME")) +
                                                     QStringLiteral("/Quillon/Tidemark"));
        QDir(QFile::decodeName(support)).removeRecursively();
        App app;
        QVERIFY(app.delegate.launch());
        ExceptionController* commands = app.delegate.exceptionCommands();
        auto* addButton = app.w<QAbstractButton>("addEceptionBtn");
        auto* removeButton = app.w<QAbstractButton>("removeExceptionBtn");
        QVERIFY(!removeButton->isEnabled());

        app.delegate.buttonScanFoldersClicked();
        app.delegate.locations()->addFolderPaths({QFile::encodeName(m_small)});
        app.delegate.buttonFindDuplicatesExactClicked();
        QTRY_COMPARE_WITH_TIMEOUT(app.page(), QStringLiteral("4"), Long);
        const ModalPtr modal = app.scan()->results().modal;

        // Nothing marked: the button only switches itself off.
        commands->addExceptions(addButton);
        QVERIFY(!addButton->isEnabled());
        QVERIFY(commands->exceptionWindow()->isHidden());

        modal->markAllExtension(); // one jpg and two of the three texts
        QCOMPARE(modal->totalFilesSelected(), quint64(3));
        const quint64 totals = modal->totalFiles();
        QByteArray listedAlready;
        for (const FilePtr& file : modal->getExtensionWithName("txt")->sets().first()->files()) {
            if (isMarked(file->state())) {
                listedAlready = file->filePath();
            }
        }
        app.delegate.exceptions().addPaths({listedAlready});

        // Cancel changes nothing and takes the cover away.
        commands->addExceptions(addButton);
        QVERIFY(commands->exceptionWindow()->isVisible());
        QVERIFY(app.window.findChild<ViewTransparent*>());
        QCOMPARE(commands->exceptionWindow()->exceptionTextField()->text(),
                 QStringLiteral(
                     "The selected files will be excluded from all future scans. Press \"OK\" to exclude."));
        commands->addExceptionsCancelClicked();
        QVERIFY(commands->exceptionWindow()->isHidden());
        QVERIFY(!app.window.findChild<ViewTransparent*>());
        QCOMPARE(modal->totalFilesSelected(), quint64(3));
        QCOMPARE(app.delegate.exceptions().exceptionArrayData().size(), 1);

        // Three files, one of them listed already: the message counts three, the list grows by two.
        commands->addExceptions(addButton);
        commands->addExceptionsOKClicked();
        InformationWindow* information = app.delegate.informationWindow();
        QVERIFY(information->isVisible());
        QCOMPARE(information->line(0)->text(), QStringLiteral("\nSuccessfully added 3 files to exceptions."));
        QCOMPARE(app.delegate.exceptions().exceptionArrayData().size(), 3);
        QCOMPARE(app.delegate.exceptions().exceptionArrayData().first(), listedAlready);
        QCOMPARE(modal->totalFilesSelected(), quint64(0));
        QCOMPARE(modal->totalFiles(), totals);
        QCOMPARE(app.w<QLabel>("selectedCount")->text(), QStringLiteral("Marked Duplicate Files: 0"));
        QVERIFY(removeButton->isEnabled());
        information->button()->click();
        QVERIFY(information->isHidden());
        ExceptionList reread;
        reread.load(support);
        QCOMPARE(reread.exceptionArrayData(), app.delegate.exceptions().exceptionArrayData());

        // Emptying asks first; NO keeps the list, YES empties it, also when it is empty already.
        for (const bool yes : {false, true, true}) {
            QSignalSpy asked(commands, &ExceptionController::questionShown);
            removeButton->setEnabled(true);
            removeButton->click();
            QCOMPARE(asked.count(), 1);
            auto* box = app.window.findChild<QMessageBox*>(QStringLiteral("removeExceptionsQuestion"));
            QVERIFY(box);
            for (QAbstractButton* button : box->buttons()) {
                if (button->text() == (yes ? QStringLiteral("YES") : QStringLiteral("NO"))) {
                    button->click();
                }
            }
            QTRY_VERIFY(!app.window.findChild<QMessageBox*>(QStringLiteral("removeExceptionsQuestion")));
            reread.load(support);
            QCOMPARE(reread.isEmpty(), yes);
            if (yes) {
                QCOMPARE(information->line(0)->text(), QStringLiteral("\nAll exceptions has been removed."));
                QVERIFY(!removeButton->isEnabled());
                information->button()->click();
            }
        }
        QDir(QFile::decodeName(support)).removeRecursively();
    }

    void wholeScanTwice()
    {
        App app;
        QVERIFY(app.delegate.launch());
        for (int round = 0; round < 2; ++round) {
            startScan(app, m_small);
            if (QTest::currentTestFailed()) {
                return;
            }
            QCOMPARE(app.w<QLabel>("textelapse")->text(), QStringLiteral("Elapsed Time: 00:00:00"));
            QCOMPARE(app.w<QProgressBar>("similarIndicator")->value(),
                     app.w<QProgressBar>("similarIndicator")->minimum());
            QVERIFY(!app.w<QAbstractButton>("buttonHelpManual")->isEnabled());
            QTRY_COMPARE_WITH_TIMEOUT(app.page(), QStringLiteral("4"), Long);
            QVERIFY(app.w<QLabel>("resultSummary")
                        ->text()
                        .startsWith(QStringLiteral("2 sets in 2 groups: 3 duplicate files")));
            QCOMPARE(app.w<QLabel>("selectedCount")->text(), QStringLiteral("Marked Duplicate Files: 0"));
            QCOMPARE(app.w<QLabel>("selectedSize")->text(), QStringLiteral("Marked File Size: 0.00 KB"));
            QVERIFY(app.w<QAbstractButton>("buttonHelpManual")->isEnabled());
            QCOMPARE(app.w<QTableView>("tableExact")->model()->rowCount(),
                     0); // the location list was consumed
            QTRY_VERIFY_WITH_TIMEOUT(!app.scan()->scanning(), Long);

            app.delegate.buttonHomeExactPageClicked();
            QCOMPARE(app.page(), QStringLiteral("1"));
            QVERIFY(app.w<QLabel>("resultSummary")->text().isEmpty());
            QVERIFY(!app.scan()->results().modal);
        }
    }

    void pauseThenStopNo()
    {
        App app;
        QVERIFY(app.delegate.launch());
        QSignalSpy finished(app.scan(), &ScanSession::scanFinished);
        startScan(app, m_large);
        if (QTest::currentTestFailed()) {
            return;
        }
        QVERIFY(app.w<BusyIndicator>("animationImage")->isRunning());
        app.w<QAbstractButton>("pauseResume")->click();
        QCOMPARE(app.w<QAbstractButton>("pauseResume")->text(), QStringLiteral("Resume"));
        QVERIFY(!app.w<QAbstractButton>("stopButton")->isEnabled());
        QVERIFY(!app.w<BusyIndicator>("animationImage")->isRunning());
        QVERIFY(app.scan()->isPaused());
        app.w<QAbstractButton>("pauseResume")->click();
        QCOMPARE(app.w<QAbstractButton>("pauseResume")->text(), QStringLiteral("Pause"));
        QVERIFY(app.w<QAbstractButton>("stopButton")->isEnabled());
        QVERIFY(app.w<BusyIndicator>("animationImage")->isRunning());

        app.w<QAbstractButton>("stopButton")->click();
        QVERIFY(app.w<QWidget>("confirmationView")->isVisible());
        QVERIFY(!app.w<QAbstractButton>("pauseResume")->isEnabled());
        QVERIFY(app.scan()->isPaused());
        // Held while the question is open: the run waits at a pause point.
        QTRY_VERIFY_WITH_TIMEOUT(app.scan()->restsInPause(), Long);
        QCOMPARE(finished.count(), 0);

        app.w<QAbstractButton>("cancelNo")->click();
        QVERIFY(app.w<QWidget>("confirmationView")->isHidden());
        QVERIFY(app.w<QAbstractButton>("pauseResume")->isEnabled());
        QCOMPARE(app.w<QAbstractButton>("pauseResume")->text(), QStringLiteral("Pause"));
        QVERIFY(app.w<QAbstractButton>("stopButton")->isEnabled());
        QVERIFY(!app.scan()->isPaused());
        QTRY_COMPARE_WITH_TIMEOUT(app.page(), QStringLiteral("4"), Long);
        QVERIFY(app.w<QLabel>("resultSummary")->text().startsWith(QStringLiteral("256 sets in 1 group:")));
    }

    void stopYesDuringDetection()
    {
        App app;
        QVERIFY(app.delegate.launch());
        QSignalSpy detection(app.scan(), &ScanSession::detectionStarted);
        // The user presses Stop as soon as detection shows.
        connect(app.scan(), &ScanSession::detectionStarted, &app.delegate, &AppDelegate::stop);
        startScan(app, m_large);
        if (QTest::currentTestFailed()) {
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(detection.count(), 1, Long);
        QVERIFY(app.w<QWidget>("confirmationView")->isVisible());
        app.w<QAbstractButton>("cancelYes")->click();
        QVERIFY(app.w<QWidget>("confirmationView")->isHidden());
        QTRY_COMPARE_WITH_TIMEOUT(app.page(), QStringLiteral("4"), Long);
        QVERIFY(app.w<QLabel>("resultSummary")->text().contains(QStringLiteral(" sets in ")));
        QCOMPARE(app.w<QLabel>("selectedCount")->text(), QStringLiteral("Marked Duplicate Files: 0"));
    }

    void stopYesDuringCollection()
    {
        App app;
        QVERIFY(app.delegate.launch());
        QSignalSpy detection(app.scan(), &ScanSession::detectionStarted);
        QSignalSpy finished(app.scan(), &ScanSession::scanFinished);
        // On a busy machine collection may outrun the click; then start over.
        for (int attempt = 0;; ++attempt) {
            QSignalSpy consumed(app.scan(), &ScanSession::locationsConsumed);
            startScan(app, m_large);
            if (QTest::currentTestFailed()) {
                return;
            }
            app.w<QAbstractButton>("stopButton")->click(); // collection holds from here
            QTRY_VERIFY_WITH_TIMEOUT(app.scan()->restsInPause() || !app.scan()->scanning(), Long);
            QCoreApplication::processEvents(); // what the run reported before it held
            if (consumed.isEmpty() || attempt == 4) {
                break;
            }
            app.delegate.homeCleanup();
            // The dropped run ends before the next one starts.
            QTRY_VERIFY_WITH_TIMEOUT(app.scan()->allRunsEnded(), Long);
            detection.clear();
            finished.clear();
        }
        QCOMPARE(detection.count(), 0);
        QVERIFY(app.w<QWidget>("confirmationView")->isVisible());
        app.w<QAbstractButton>("cancelYes")->click();
        QTRY_COMPARE_WITH_TIMEOUT(app.page(), QStringLiteral("1"), Long);
        QTRY_VERIFY_WITH_TIMEOUT(!app.scan()->scanning(), Long);
        // Once the run's threads have ended, all it reported has arrived.
        QTRY_VERIFY_WITH_TIMEOUT(app.scan()->allRunsEnded(), Long);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(app.page(), QStringLiteral("1"));
        QCOMPARE(detection.count(), 0);
        QCOMPARE(finished.count(), 0);
        QCOMPARE(app.w<QTableView>("tableExact")->model()->rowCount(), 0);
        QCOMPARE(app.w<QAbstractButton>("pauseResume")->text(), QStringLiteral("Pause"));
        QVERIFY(app.w<QAbstractButton>("pauseResume")->isEnabled());
        QVERIFY(app.w<QAbstractButton>("stopButton")->isEnabled());
        QVERIFY(app.w<QAbstractButton>("buttonHelpManual")->isEnabled());
    }

    void closeGuard()
    {
        QSettings().setValue(HomeImageKey, QStringLiteral("1"));
        App app;
        QVERIFY(app.delegate.launch());
        QSignalSpy terminate(&app.delegate, &AppDelegate::terminateRequested);
        QSignalSpy finished(app.scan(), &ScanSession::scanFinished);
        startScan(app, m_large);
        if (QTest::currentTestFailed()) {
            return;
        }
        QVERIFY(!app.window.close());
        QVERIFY(app.window.isVisible());
        QVERIFY(app.w<QWidget>("runningAlert")->isVisible());
        QCOMPARE(app.w<QLabel>("runningAlertText")->text(),
                 QStringLiteral("A operation is in progress. Please stop the current process."));
        QVERIFY(app.scan()->isPaused());
        QVERIFY(!app.w<BusyIndicator>("animationImage")->isRunning());
        QTRY_VERIFY_WITH_TIMEOUT(app.scan()->restsInPause(), Long); // the run waits at a pause point
        QCOMPARE(finished.count(), 0);
        QCOMPARE(app.page(), QStringLiteral("5"));
        QCOMPARE(terminate.count(), 0);
        QCOMPARE(QSettings().value(HomeImageKey).toString(), QStringLiteral("1")); // not advanced

        app.w<QAbstractButton>("runningAlertOk")->click();
        QVERIFY(app.w<QWidget>("runningAlert")->isHidden());
        QVERIFY(!app.scan()->isPaused());
        QVERIFY(app.w<BusyIndicator>("animationImage")->isRunning());
        QTRY_COMPARE_WITH_TIMEOUT(app.page(), QStringLiteral("4"), Long);
        QTRY_VERIFY_WITH_TIMEOUT(!app.scan()->scanning(), Long);

        QVERIFY(app.window.close());
        QCOMPARE(terminate.count(), 1);
        QCOMPARE(QSettings().value(HomeImageKey).toString(), QStringLiteral("2"));
    }

    void nothingFound()
    {
        App app;
        QVERIFY(app.delegate.launch());
        QSignalSpy alert(&app.delegate, &AppDelegate::alertShown);
        startScan(app, m_empty);
        if (QTest::currentTestFailed()) {
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(alert.count(), 1, Long);
        QCOMPARE(alert.first().first().toString(), QStringLiteral("No duplicates File found"));
        auto* box = app.window.findChild<QMessageBox*>(QStringLiteral("tidemarkAlert"));
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("Tidemark"));
        QCOMPARE(box->buttons().size(), 1);
        QCOMPARE(box->buttons().first()->text(), QStringLiteral("Ok"));
        box->buttons().first()->click();
        QTRY_COMPARE_WITH_TIMEOUT(app.page(), QStringLiteral("1"), Long);
        QTRY_VERIFY_WITH_TIMEOUT(!app.scan()->scanning(), Long);
    }

    void helpMenuAndAbout()
    {
        App app;
        QVERIFY(app.delegate.launch());
        app.delegate.helpMenuClicked();
        QVERIFY(app.delegate.lastOpened().endsWith(QStringLiteral("/index.html")));

        app.delegate.buttonScanFoldersClicked();
        QCOMPARE(app.page(), QStringLiteral("2"));
        app.delegate.aboutMenuClicked();
        QVERIFY(app.delegate.aboutPanel()->isVisible());
        QCOMPARE(app.delegate.aboutPanel()->findChild<QLabel*>(QStringLiteral("aboutVersion"))->text(),
                 QStringLiteral("Version 4.5.6"));
        app.delegate.buttonHomePageClicked();
        app.delegate.buttonHomeExactPageClicked();
        QCOMPARE(app.page(), QStringLiteral("2")); // nothing while the About panel is up
        QVERIFY(app.w<QTableView>("tableExact")->model()->rowCount() > 0);

        app.delegate.aboutPanel()->hide();
        app.delegate.buttonHomePageClicked();
        QCOMPARE(app.page(), QStringLiteral("1"));
        QCOMPARE(app.w<QTableView>("tableExact")->model()->rowCount(), 0);
    }

    // A second copy quits and brings the first one's window forward.
    void singleInstance()
    {
        QCOMPARE(InstanceRegistry::defaultFolder(),
                 QByteArray(qgetenv("XDG_RUNTIME_DIR") + "/Tidemark-instances"));
        App app(true);
        QVERIFY(app.delegate.launch());
        auto* first = app.delegate.findChild<SingleInstance*>();
        QVERIFY(first);
        QCOMPARE(first->registry().runningInstances(), QList<pid_t>{::getpid()});
        QSignalSpy raise(first, &SingleInstance::raiseRequested);
        {
            SingleInstance second;
            QVERIFY(!second.claim());
        }
        QTRY_COMPARE_WITH_TIMEOUT(raise.count(), 1, Long);
        QCOMPARE(first->registry().runningInstances(), QList<pid_t>{::getpid()});
    }

    void instanceRegistry()
    {
        const QByteArray folder = QFile::encodeName(m_home.filePath(QStringLiteral("registry")));
        QVERIFY(::mkdir(folder.constData(), 0700) == 0);
        // Entries held by this process under other pids stand for other copies.
        const auto hold = [&](const QByteArray& name) {
            const int fd = ::open((folder + '/' + name).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            return fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? fd : -1;
        };
        const int early = hold("00000000000000000001-111.lock");
        const int late = hold("90000000000000000000-333.lock");
        QVERIFY(early >= 0 && late >= 0);
        QVERIFY(writeFile(QFile::decodeName(folder + "/00000000000000000002-222.lock"), {})); // stale
        const pid_t self = ::getpid();
        {
            InstanceRegistry a(folder);
            QVERIFY(a.registerSelf());
            auto b = std::make_unique<InstanceRegistry>(folder);
            QVERIFY(b->registerSelf());
            QCOMPARE(a.runningInstances(), (QList<pid_t>{111, self, self, 333}));
            b.reset();
            QCOMPARE(a.runningInstances(), (QList<pid_t>{111, self, 333}));
        }
        ::close(late);
        InstanceRegistry c(folder);
        QCOMPARE(c.runningInstances(), QList<pid_t>{111});
        ::close(early);
        QCOMPARE(c.runningInstances(), QList<pid_t>{});

        const QByteArray open = QFile::encodeName(m_home.filePath(QStringLiteral("open-registry")));
        QVERIFY(::mkdir(open.constData(), 0700) == 0 && ::chmod(open.constData(), 0755) == 0);
        InstanceRegistry refused(open);
        QVERIFY(!refused.registerSelf());
        QVERIFY(QDir(QFile::decodeName(open)).entryList(QDir::Files).isEmpty());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
