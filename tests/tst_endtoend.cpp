// Tidemark driven as a user drives it, in a real window on a real X server
// (Xvfb under ctest): Qt's own file dialog, mouse clicks on the painted
// buttons and boxes, drops proposing a move, the real Trash.
#include "AppHarness.h"
#include "TestSupport.h"
#include "TreeBuilder.h"
#include "UserActions.h"
#include "app/DeletionController.h"
#include "app/LocationPageController.h"
#include "app/ReviewController.h"
#include "locations/LocationList.h"
#include "locations/LocationTableModel.h"
#include "platform/UriList.h"
#include "review/ExceptionList.h"
#include "review/ResultOutlineModel.h"
#include "review/SetFilesModel.h"
#include "review/StatisticsStore.h"
#include "scan/Formatting.h"
#include "scan/ScanSession.h"
#include "ui/ExceptionWindow.h"
#include "ui/InformationWindow.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTreeView>
#include <dirent.h>
#include <sys/stat.h>

namespace {

constexpr int Long = 60000; // generous: the machine is shared and may be slow

quint64 sizeOf(const QByteArray& path)
{
    struct stat st
    {
    };
    return ::lstat(path.constData(), &st) == 0 ? quint64(st.st_size) : 0;
}

// Every file of every set, as the scan found them.
QList<QByteArrayList> setsOf(const ModalPtr& modal)
{
    QList<QByteArrayList> sets;
    for (const ExtensionsPtr& group : modal->extensions()) {
        for (const SetPtr& set : group->sets()) {
            QByteArrayList files;
            for (const FilePtr& file : set->files()) {
                files << file->filePath();
            }
            sets << files;
        }
    }
    return sets;
}

} // namespace

class TstEndToEnd : public QObject
{
    Q_OBJECT

    TempRoot m_root;
    QByteArray m_trash;
    int m_round = 0;

    // The user's gestures come from the shared set; these names keep the
    // cases below short.
    static bool click(QWidget* widget) { return UserActions::click(widget); }
    static void clickCell(QAbstractItemView* view, const QModelIndex& index,
                          Qt::KeyboardModifiers modifiers = {})
    {
        UserActions::clickCell(view, index, modifiers);
    }
    static QFileDialog* activeFileDialog() { return UserActions::activeFileDialog(); }
    static bool accept(QFileDialog* dialog) { return UserActions::accept(dialog); }
    static void typePath(QFileDialog* dialog, const QByteArray& path)
    {
        QVERIFY2(UserActions::typePath(dialog, QFile::decodeName(path)), "the name field took no focus");
    }

    QByteArray freshFolder(const char* name)
    {
        const QByteArray folder = m_root / (QByteArray(name) + QByteArray::number(++m_round));
        QDir().mkpath(QFile::decodeName(folder));
        return folder;
    }

    // Two sets of text and one of pictures under `root`.
    static bool writeDuplicates(const QByteArray& root)
    {
        bool ok = QDir().mkpath(QFile::decodeName(root + "/sub")) &&
                  TreeBuilder::writeBytes(root + "/notes.txt", "the same words\n") &&
                  TreeBuilder::writeBytes(root + "/sub/notes copy.txt", "the same words\n") &&
                  TreeBuilder::writeBytes(root + "/sub/again.txt", "the same words\n");
        ok = ok && TreeBuilder::writeBytes(root + "/x.bin", QByteArray(3000, 'q')) &&
             TreeBuilder::writeBytes(root + "/sub/y.bin", QByteArray(3000, 'q'));
        ok = ok && TreeBuilder::writeBytes(root + "/p.jpg", QByteArray(500, 'p')) &&
             TreeBuilder::writeBytes(root + "/sub/p.jpg", QByteArray(500, 'p'));
        return ok && TreeBuilder::writeBytes(root + "/lonely.txt", "no twin");
    }

    void launch(AppHarness& app)
    {
        QVERIFY(app.delegate.launch());
        QVERIFY(QTest::qWaitForWindowExposed(&app.window));
        QTRY_VERIFY_WITH_TIMEOUT(app.window.isActiveWindow(), Long);
    }

    // From the home page to the folder page, by its button.
    void openFolderPage(AppHarness& app)
    {
        QVERIFY(click(app.w<QWidget>("buttonScanFolders")));
        QCOMPARE(app.page(), QStringLiteral("2"));
    }

    // "Add Folders", a typed path, "Choose".
    void addFolderByDialog(AppHarness& app, const QByteArray& folder)
    {
        QVERIFY(click(app.w<QWidget>("addFolders")));
        QFileDialog* dialog = activeFileDialog();
        QVERIFY(dialog);
        typePath(dialog, folder);
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(dialog->selectedFiles(), QStringList{QFile::decodeName(folder)});
        QVERIFY(accept(dialog));
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), Long);
    }

    QByteArrayList listedNames(AppHarness& app) const
    {
        QByteArrayList names;
        const LocationTableModel* model = app.delegate.locations()->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            names << model->index(row, 0).data(LocationTableModel::PathRole).toByteArray();
        }
        return names;
    }

    // "Scan", then the results page with its summary acknowledged.
    void scanToResults(AppHarness& app)
    {
        QVERIFY(click(app.w<QWidget>("findDuplicateExact")));
        QTRY_COMPARE_WITH_TIMEOUT(app.page(), QStringLiteral("4"), Long);
        QTRY_VERIFY_WITH_TIMEOUT(!app.scan()->scanning(), Long);
        InformationWindow* information = app.delegate.informationWindow();
        QTRY_VERIFY_WITH_TIMEOUT(information->isVisible(), Long);
        QVERIFY(click(information->button()));
        QVERIFY(information->isHidden());
    }

    // From the home page: the folder added through Qt's dialog, then scanned.
    void scanFolderToResults(AppHarness& app, const QByteArray& tree)
    {
        launch(app);
        openFolderPage(app);
        addFolderByDialog(app, tree);
        scanToResults(app);
    }

    // Selects a file's row in the file table, then clicks its check box.
    void tickFile(AppHarness& app, int row)
    {
        auto* table = app.w<QTableView>("resultTable");
        clickCell(table, table->model()->index(row, SetFilesModel::ButtonCell));
    }

    // With TIDEMARK_SCREENSHOTS set, the window as shown, for a person to look at.
    static void snap(AppHarness& app, const char* name)
    {
        const QString folder = qEnvironmentVariable("TIDEMARK_SCREENSHOTS");
        if (!folder.isEmpty()) {
            QCoreApplication::processEvents();
            app.window.grab().save(folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
        }
    }

    QString infoLine(AppHarness& app, int i) const
    {
        return app.delegate.informationWindow()->line(i)->text();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(TestSupport::isolateUserFolders(m_root.dir));
        m_trash = qgetenv("XDG_DATA_HOME") + "/Trash";
        Q_INIT_RESOURCE(resources);
        QCoreApplication::setOrganizationName(QStringLiteral("Quillon"));
        QCoreApplication::setApplicationName(QStringLiteral("Tidemark"));
        QApplication::setQuitOnLastWindowClosed(false);
        // Qt's own dialog, whatever the desktop offers.
        QVERIFY(QGuiApplication::platformName() != QLatin1String("offscreen"));
    }

    // Mark All, Add to Exceptions, OK: the marked copies are on the stored
    // list, and nothing left its place on disk.
    void markAllAddToExceptions()
    {
        const QByteArray tree = freshFolder("excepted");
        QVERIFY(writeDuplicates(tree));
        AppHarness app;
        scanFolderToResults(app, tree);
        const QList<QByteArrayList> sets = setsOf(app.delegate.review()->modal());
        QVERIFY(click(app.w<QWidget>("markAll")));
        QCOMPARE(app.w<QLabel>("selectedCount")->text(), QStringLiteral("Marked Duplicate Files: 4"));
        QVERIFY(click(app.w<QWidget>("addEceptionBtn")));
        auto* ok = app.w<QWidget>("excOKBtn");
        QTRY_VERIFY_WITH_TIMEOUT(ok->isVisible(), Long);
        QVERIFY(click(ok));
        QTRY_VERIFY_WITH_TIMEOUT(app.delegate.informationWindow()->isVisible() &&
                                     infoLine(app, 0).contains(QStringLiteral("Successfully added 4 files")),
                                 Long);

        ExceptionList stored;
        stored.load(qgetenv("XDG_DATA_HOME") + "/Quillon/Tidemark");
        int listed = 0;
        for (const QByteArrayList& set : sets) {
            for (const QByteArray& path : set) {
                QVERIFY2(QFileInfo::exists(QFile::decodeName(path)), path.constData());
                listed += stored.contains(path) ? 1 : 0;
            }
            QVERIFY(!stored.contains(set.first())); // the kept copy stays out of the list
        }
        QCOMPARE(listed, 4);
    }

    // Add Folders by the dialog, scan, review, Mark All, Delete: the Trash and
    // data.plist say what the report says, and every set keeps a live copy.
    void addFoldersScanMarkAllDelete()
    {
        const QByteArray tree = freshFolder("photos");
        QVERIFY(writeDuplicates(tree));
        AppHarness app;
        launch(app);
        openFolderPage(app);
        addFolderByDialog(app, tree);
        QVERIFY(listedNames(app).contains(tree));
        QVERIFY(app.w<QWidget>("findDuplicateExact")->isEnabled());
        snap(app, "locations");
        scanToResults(app);
        snap(app, "results");
        const QList<QByteArrayList> sets = setsOf(app.delegate.review()->modal());
        QCOMPARE(sets.size(), 3);

        const StatisticsStore& store = app.delegate.store();
        const qint64 countBefore = store.alreadyDeletedCount();
        const QByteArrayList trashedBefore = TestSupport::trashedNames(m_trash);
        QVERIFY(click(app.w<QWidget>("markAll")));
        QCOMPARE(app.w<QLabel>("selectedCount")->text(), QStringLiteral("Marked Duplicate Files: 4"));
        QVERIFY(click(app.w<QWidget>("finishButton")));
        InformationWindow* information = app.delegate.informationWindow();
        QTRY_VERIFY_WITH_TIMEOUT(
            information->isVisible() && infoLine(app, 0).startsWith("Duplicates Cleaned"), Long);
        QCOMPARE(infoLine(app, 0), QStringLiteral("Duplicates Cleaned: 4"));

        QByteArrayList trashed = TestSupport::trashedNames(m_trash);
        for (const QByteArray& name : trashedBefore) {
            trashed.removeOne(name);
        }
        QCOMPARE(trashed.size(), 4);
        quint64 trashedBytes = 0;
        for (const QByteArray& name : trashed) {
            trashedBytes += sizeOf(m_trash + "/files/" + name);
        }
        QCOMPARE(
            infoLine(app, 1),
            QStringLiteral("Space Regained: %1 ").arg(Formatting::getFormattedStringForSize(trashedBytes)));
        StatisticsStore reread;
        reread.loadDataFile(app.delegate.appSupportPath());
        QCOMPARE(reread.alreadyDeletedCount(), countBefore + 4);
        for (const QByteArrayList& set : sets) {
            int alive = 0;
            for (const QByteArray& path : set) {
                alive += TreeBuilder::exists(path) ? 1 : 0;
            }
            QCOMPARE(alive, 1);
        }
        QVERIFY(TreeBuilder::exists(tree + "/lonely.txt"));
        QVERIFY(click(information->button()));
    }

    // The deletion panel by real clicks, with the run held before its first
    // set: Pause and Resume, Stop answered "NO", then Stop answered "YES",
    // which ends the run with nothing moved. A second Delete then cleans up,
    // and every set keeps one live copy.
    void deletionPauseResumeStop()
    {
        const QByteArray tree = freshFolder("held");
        QVERIFY(writeDuplicates(tree));
        AppHarness app;
        scanFolderToResults(app, tree);
        const QList<QByteArrayList> sets = setsOf(app.delegate.review()->modal());
        DeletionController* deletion = app.delegate.deletion();
        QSignalSpy finished(deletion, &DeletionController::deletionFinished);
        const QByteArrayList trashedBefore = TestSupport::trashedNames(m_trash);
        deletion->setRunsHeld(true);
        QVERIFY(click(app.w<QWidget>("markAll")));
        QVERIFY(click(app.w<QWidget>("finishButton")));

        auto* pause = app.w<QAbstractButton>("pauseResumeBtn");
        auto* stop = app.w<QAbstractButton>("stopDeleteBtn");
        QTRY_VERIFY_WITH_TIMEOUT(pause->isVisible(), Long);
        QVERIFY(click(pause));
        QCOMPARE(pause->text(), QStringLiteral("Resume"));
        QCOMPARE(deletion->runState(), DeletionController::RunState::Paused);
        QVERIFY(!stop->isEnabled());
        QVERIFY(click(pause));
        QCOMPARE(pause->text(), QStringLiteral("Pause"));
        QVERIFY(stop->isEnabled());

        QVERIFY(click(stop));
        QVERIFY(
            UserActions::answer(UserActions::messageBox(&app.window, QStringLiteral("stopDeletionQuestion")),
                                QStringLiteral("NO")));
        QCOMPARE(deletion->runState(), DeletionController::RunState::Running);
        QVERIFY(click(stop));
        QVERIFY(
            UserActions::answer(UserActions::messageBox(&app.window, QStringLiteral("stopDeletionQuestion")),
                                QStringLiteral("YES")));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, Long);
        QCOMPARE(finished.at(0).at(0).toULongLong(), 0ULL);
        for (const QByteArrayList& set : sets) {
            for (const QByteArray& path : set) {
                QVERIFY2(TreeBuilder::exists(path), path.constData());
            }
        }
        InformationWindow* information = app.delegate.informationWindow();
        QTRY_VERIFY_WITH_TIMEOUT(information->isVisible(), Long);
        QVERIFY(click(information->button()));

        deletion->setRunsHeld(false);
        QCOMPARE(app.w<QLabel>("selectedCount")->text(), QStringLiteral("Marked Duplicate Files: 4"));
        QVERIFY(click(app.w<QWidget>("finishButton")));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, Long);
        QCOMPARE(finished.at(1).at(0).toULongLong(), 4ULL);
        for (const QByteArrayList& set : sets) {
            int alive = 0;
            for (const QByteArray& path : set) {
                alive += TreeBuilder::exists(path) ? 1 : 0;
            }
            QCOMPARE(alive, 1);
        }
        QCOMPARE(TestSupport::trashedNames(m_trash).size(), trashedBefore.size() + 4);
        QTRY_VERIFY_WITH_TIMEOUT(information->isVisible(), Long);
        QVERIFY(click(information->button()));
    }

    // Qt's own folder dialog takes several folders at once: it opens in the
    // home folder, a double click goes in, Ctrl+click adds to the choice.
    void addSeveralFoldersByDialog()
    {
        const QByteArray parent = qgetenv("HOME") + "/several";
        for (const char* name : {"one", "two", "three"}) {
            QVERIFY(QDir().mkpath(QFile::decodeName(parent + '/' + name)));
        }
        AppHarness app;
        launch(app);
        openFolderPage(app);
        QVERIFY(click(app.w<QWidget>("addFolders")));
        QFileDialog* dialog = activeFileDialog();
        QVERIFY(dialog);
        auto* fileSystem = dialog->findChild<QFileSystemModel*>();
        QVERIFY(fileSystem);
        QAbstractItemView* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
        if (!view->isVisible()) {
            view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        }
        QVERIFY(view && view->isVisible());
        const QModelIndex folder = fileSystem->index(QFile::decodeName(parent));
        QTRY_VERIFY_WITH_TIMEOUT(view->visualRect(folder).isValid(), Long);
        view->scrollTo(folder);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(folder).center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(folder).center());
        const QModelIndex one = fileSystem->index(QFile::decodeName(parent + "/one"));
        const QModelIndex three = fileSystem->index(QFile::decodeName(parent + "/three"));
        QTRY_VERIFY_WITH_TIMEOUT(view->visualRect(one).isValid() && view->visualRect(three).isValid(), Long);
        clickCell(view, one);
        clickCell(view, three, Qt::ControlModifier);
        QCOMPARE(dialog->selectedFiles().size(), 2);
        QVERIFY(accept(dialog));
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), Long);
        const QByteArrayList names = listedNames(app);
        QVERIFY(names.contains(parent + "/one"));
        QVERIFY(names.contains(parent + "/three"));
        QVERIFY(!names.contains(parent + "/two"));
    }

    // Add Photos by the dialog; a drop from a file manager proposing a move
    // lands as a copy; the scan covers both.
    void addPhotosAndDropMove()
    {
        const QByteArray pictures = freshFolder("pictures");
        QVERIFY(TreeBuilder::writeBytes(pictures + "/a.jpg", "same pixels"));
        QVERIFY(TreeBuilder::writeBytes(pictures + "/b.JPG", "same pixels"));
        const QByteArray dropped = freshFolder("dropped");
        QVERIFY(writeDuplicates(dropped));
        AppHarness app;
        launch(app);
        openFolderPage(app);

        QVERIFY(click(app.w<QWidget>("addPhotos")));
        QFileDialog* dialog = activeFileDialog();
        QVERIFY(dialog);
        typePath(dialog, pictures + "/a.jpg");
        QVERIFY(accept(dialog));
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), Long);
        QVERIFY(listedNames(app).contains(pictures + "/a.jpg"));

        QTableView* table = app.w<QTableView>("tableExact");
        QMimeData mime;
        mime.setData(QStringLiteral("text/uri-list"),
                     UriList::fromLocalPaths({dropped, pictures + "/b.JPG"}));
        const QPoint at = table->visualRect(table->model()->index(0, 0)).center();
        const Qt::DropActions possible = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(at, possible, &mime, Qt::LeftButton, {});
        QDragMoveEvent move(at, possible, &mime, Qt::LeftButton, {});
        QDropEvent drop(QPointF(at), possible, &mime, Qt::LeftButton, {});
        for (QDropEvent* event : {static_cast<QDropEvent*>(&enter), static_cast<QDropEvent*>(&move), &drop}) {
            event->setDropAction(Qt::MoveAction);
            QApplication::sendEvent(table->viewport(), event);
            QVERIFY(event->isAccepted());
            QCOMPARE(event->dropAction(), Qt::CopyAction); // the file manager keeps its files
        }
        QVERIFY(listedNames(app).contains(dropped));
        QVERIFY(listedNames(app).contains(pictures + "/b.JPG"));
        QVERIFY(TreeBuilder::exists(dropped + "/notes.txt"));
        scanToResults(app);
        // The two pictures are one set; the dropped folder gives three more.
        QCOMPARE(setsOf(app.delegate.review()->modal()).size(), 4);
    }

    // Add to Exceptions, then a rescan skips the excepted files.
    void exceptionsThenRescan()
    {
        const QByteArray tree = freshFolder("except");
        QVERIFY(writeDuplicates(tree));
        AppHarness app;
        scanFolderToResults(app, tree);
        QCOMPARE(setsOf(app.delegate.review()->modal()).size(), 3);
        QVERIFY(click(app.w<QWidget>("markAll")));
        QVERIFY(click(app.w<QWidget>("addEceptionBtn")));
        auto* exceptions = app.window.findChild<ExceptionWindow*>();
        QVERIFY(exceptions);
        QVERIFY(click(exceptions->okButton()));
        InformationWindow* information = app.delegate.informationWindow();
        QTRY_VERIFY_WITH_TIMEOUT(information->isVisible(), Long);
        QCOMPARE(infoLine(app, 0), QStringLiteral("\nSuccessfully added 4 files to exceptions."));
        QVERIFY(click(information->button()));

        QVERIFY(click(app.w<QWidget>("buttonHomeExactPage")));
        QCOMPARE(app.page(), QStringLiteral("1"));
        openFolderPage(app);
        addFolderByDialog(app, tree);
        QVERIFY(click(app.w<QWidget>("findDuplicateExact")));
        // One file of each set is left to the scan: no set any more.
        QTRY_COMPARE_WITH_TIMEOUT(app.page(), QStringLiteral("4"), Long);
        QTRY_VERIFY_WITH_TIMEOUT(!app.scan()->scanning(), Long);
        QCOMPARE(setsOf(app.delegate.review()->modal()).size(), 0);
        QVERIFY(app.w<QLabel>("resultSummary")->text().startsWith(QStringLiteral("0 sets in 0 groups")));
    }

    // Closing twice during a scan, and closing then pausing: Ok lifts what
    // the close held, the title, Stop and the scan always agree.
    void closeGuardTwiceAndWithPause()
    {
        const QByteArray tree = freshFolder("guard");
        QVERIFY(writeDuplicates(tree));
        AppHarness app;
        launch(app);
        QSignalSpy terminate(&app.delegate, &AppDelegate::terminateRequested);
        auto* pause = app.w<QAbstractButton>("pauseResume");
        auto* stop = app.w<QAbstractButton>("stopButton");
        auto* notice = app.w<QWidget>("runningAlert");
        for (const bool pauseBetween : {false, true}) {
            app.scan()->setDetectionGate(true); // the scan waits before detection
            openFolderPage(app);
            addFolderByDialog(app, tree);
            QSignalSpy consumed(app.scan(), &ScanSession::locationsConsumed);
            QVERIFY(click(app.w<QWidget>("findDuplicateExact")));
            QCOMPARE(app.page(), QStringLiteral("5"));
            QTRY_COMPARE_WITH_TIMEOUT(consumed.count(), 1, Long);

            QVERIFY(!app.window.close());
            QVERIFY(notice->isVisible());
            QVERIFY(!app.window.close()); // twice
            snap(app, "scan-guard");
            QVERIFY(app.scan()->isPaused());
            QCOMPARE(pause->text(), QStringLiteral("Pause"));
            QVERIFY(stop->isEnabled());
            if (pauseBetween) {
                QVERIFY(click(pause));
                QCOMPARE(pause->text(), QStringLiteral("Resume"));
                QVERIFY(!stop->isEnabled());
            }
            QVERIFY(click(app.w<QWidget>("runningAlertOk")));
            QVERIFY(notice->isHidden());
            // Ok lifts the close's hold, and only that.
            QCOMPARE(app.scan()->isPaused(), pauseBetween);
            QCOMPARE(pause->text(), pauseBetween ? QStringLiteral("Resume") : QStringLiteral("Pause"));
            QCOMPARE(stop->isEnabled(), !pauseBetween);
            if (pauseBetween) {
                QVERIFY(click(pause));
                QVERIFY(!app.scan()->isPaused());
                QCOMPARE(pause->text(), QStringLiteral("Pause"));
                QVERIFY(stop->isEnabled());
            }
            app.scan()->setDetectionGate(false);
            QTRY_COMPARE_WITH_TIMEOUT(app.page(), QStringLiteral("4"), Long);
            QTRY_VERIFY_WITH_TIMEOUT(!app.scan()->scanning(), Long);
            QVERIFY(click(app.delegate.informationWindow()->button()));
            QVERIFY(click(app.w<QWidget>("buttonHomeExactPage")));
        }
        QCOMPARE(terminate.count(), 0);
    }

    // A notice goes with the page that raised it: the busy notice does not
    // follow a stopped scan onto the results page.
    void noticeBelongsToItsPage()
    {
        const QByteArray tree = freshFolder("notice");
        QVERIFY(writeDuplicates(tree));
        AppHarness app;
        launch(app);
        app.scan()->setDetectionGate(true);
        openFolderPage(app);
        addFolderByDialog(app, tree);
        QSignalSpy consumed(app.scan(), &ScanSession::locationsConsumed);
        QVERIFY(click(app.w<QWidget>("findDuplicateExact")));
        QTRY_COMPARE_WITH_TIMEOUT(consumed.count(), 1, Long);
        QVERIFY(!app.window.close());
        auto* notice = app.w<QWidget>("runningAlert");
        QVERIFY(notice->isVisible());
        app.scan()->setDetectionGate(false);
        QVERIFY(click(app.w<QWidget>("stopButton")));
        QVERIFY(click(app.w<QWidget>("cancelYes")));
        QTRY_COMPARE_WITH_TIMEOUT(app.page(), QStringLiteral("4"), Long);
        QVERIFY(notice->isHidden());
        QTRY_VERIFY_WITH_TIMEOUT(!app.scan()->scanning(), Long);

        // A list notice on the location page goes when the user goes home.
        QVERIFY(click(app.delegate.informationWindow()->button()));
        if (app.page() == QLatin1String("4")) { // an empty result has gone home already
            QVERIFY(click(app.w<QWidget>("buttonHomeExactPage")));
        }
        openFolderPage(app);
        addFolderByDialog(app, tree);
        addFolderByDialog(app, tree);
        QTRY_VERIFY_WITH_TIMEOUT(notice->isVisible(), Long);
        QCOMPARE(app.w<QLabel>("runningAlertText")->text(), QStringLiteral("Folder already added."));
        QVERIFY(click(app.w<QWidget>("buttonHomePage")));
        QCOMPARE(app.page(), QStringLiteral("1"));
        QVERIFY(notice->isHidden());
    }

    // Drives and user folders made while the program runs show on the next
    // visit of the location page; folder pages list by name.
    void locationPagesReadAfresh()
    {
        const QByteArray drives = freshFolder("drives");
        QVERIFY(QDir().mkpath(QFile::decodeName(drives + "/mnt/Old")));
        const QByteArray home = qgetenv("HOME");
        AppHarness app;
        app.delegate.locations()->list().setEnvironmentReader(
            [drives] { return LocationList::systemEnvironment(drives); });
        launch(app);
        QVERIFY(click(app.w<QWidget>("buttonScanDrive")));
        QCOMPARE(app.page(), QStringLiteral("2"));
        QCOMPARE(listedNames(app), (QByteArrayList{"/", drives + "/mnt/Old"}));
        QVERIFY(QDir().mkpath(QFile::decodeName(drives + "/mnt/new stick")));
        QVERIFY(click(app.w<QWidget>("buttonHomePage")));
        QVERIFY(click(app.w<QWidget>("buttonScanDrive")));
        QCOMPARE(listedNames(app), (QByteArrayList{"/", drives + "/mnt/new stick", drives + "/mnt/Old"}));

        // Folder mode: only the user's folders that exist, then the drives.
        QVERIFY(click(app.w<QWidget>("buttonHomePage")));
        openFolderPage(app);
        QVERIFY(!listedNames(app).contains(home + "/Desktop"));
        QVERIFY(QDir().mkpath(QFile::decodeName(home + "/Desktop/zebra")));
        QVERIFY(QDir().mkpath(QFile::decodeName(home + "/Desktop/Apple")));
        QVERIFY(QDir().mkpath(QFile::decodeName(home + "/Desktop/mango")));
        QVERIFY(click(app.w<QWidget>("buttonHomePage")));
        openFolderPage(app);
        QCOMPARE(listedNames(app).value(0), home + "/Desktop");
        QVERIFY(!listedNames(app).contains(home + "/Documents"));
        QTableView* table = app.w<QTableView>("tableExact");
        const QPoint desktop = table->visualRect(table->model()->index(0, 0)).center();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, desktop);
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, desktop);
        QCOMPARE(listedNames(app),
                 (QByteArrayList{home + "/Desktop/Apple", home + "/Desktop/mango", home + "/Desktop/zebra"}));
        snap(app, "folder-page");
    }

    // After the outline's current row moves onto a group row, a file ticked
    // in the file table counts for its own set's group and is deleted.
    void tickAfterArrowOntoGroupRow()
    {
        const QByteArray tree = freshFolder("arrow");
        QVERIFY(writeDuplicates(tree));
        AppHarness app;
        scanFolderToResults(app, tree);
        const QList<QByteArrayList> sets = setsOf(app.delegate.review()->modal());
        auto* outline = app.w<QTreeView>("OView2");
        // Onto the first group's set, then the arrow down onto the next group's row.
        const QModelIndex firstGroup = outline->model()->index(0, 0);
        const QModelIndex secondGroup = outline->model()->index(1, 0);
        const QModelIndex itsSet = outline->model()->index(0, 0, firstGroup);
        QCOMPARE(outline->model()->rowCount(firstGroup), 1);
        clickCell(outline, itsSet);
        const SetPtr set = app.delegate.review()->outlineModel()->setAt(itsSet);
        QCOMPARE(app.delegate.review()->selectedSet(), set);
        QTest::keyClick(outline, Qt::Key_Down);
        QCOMPARE(outline->currentIndex().siblingAtColumn(0), secondGroup);
        QCOMPARE(app.delegate.review()->selectedSet(), set); // the table still shows this set
        tickFile(app, 1);
        QCOMPARE(app.w<QLabel>("selectedCount")->text(), QStringLiteral("Marked Duplicate Files: 1"));
        QCOMPARE(set->totalFilesSelectedInSet(), quint64(1));
        // A click on the third group's name moves the current row too; the
        // next tick still counts for the set on show (and is refused: the
        // set would lose its last unmarked file).
        clickCell(outline, outline->model()->index(2, 0));
        QCOMPARE(outline->currentIndex().siblingAtColumn(0), outline->model()->index(2, 0));
        QCOMPARE(app.delegate.review()->selectedSet(), set);
        QSignalSpy refused(app.delegate.review(), &ReviewController::informationShown);
        tickFile(app, 0);
        QCOMPARE(refused.count(), 1);
        QVERIFY(click(app.delegate.informationWindow()->button()));
        QCOMPARE(app.w<QLabel>("selectedCount")->text(), QStringLiteral("Marked Duplicate Files: 1"));
        const FilePtr ticked = app.delegate.review()->filesModel()->fileAt(1);
        QCOMPARE(ticked->state(), MarkState::Marked);
        QVERIFY(app.w<QWidget>("finishButton")->isEnabled());
        QVERIFY(click(app.w<QWidget>("finishButton")));
        InformationWindow* information = app.delegate.informationWindow();
        QTRY_VERIFY_WITH_TIMEOUT(
            information->isVisible() && infoLine(app, 0).startsWith("Duplicates Cleaned"), Long);
        QCOMPARE(infoLine(app, 0), QStringLiteral("Duplicates Cleaned: 1"));
        QVERIFY(!TreeBuilder::exists(ticked->filePath()));
        for (const QByteArrayList& files : sets) {
            int alive = 0;
            for (const QByteArray& path : files) {
                alive += TreeBuilder::exists(path) ? 1 : 0;
            }
            QVERIFY(alive >= 1);
        }
        QVERIFY(click(information->button()));
    }

    // The results line and the information window agree after a deletion
    // and after a change of category.
    void summaryLineAfterDeletion()
    {
        const QByteArray tree = freshFolder("summary");
        QVERIFY(writeDuplicates(tree));
        AppHarness app;
        scanFolderToResults(app, tree);
        auto* summary = app.w<QLabel>("resultSummary");
        QVERIFY(summary->text().startsWith(QStringLiteral("3 sets in 3 groups: 4 duplicate files")));
        // Delete one text copy: two sets of text stay, one copy fewer.
        auto* outline = app.w<QTreeView>("OView2");
        const QModelIndex textGroup = app.delegate.review()->outlineModel()->index(2, 0);
        QVERIFY(textGroup.isValid());
        outline->expand(textGroup);
        QModelIndex textSet;
        for (int g = 0; g < outline->model()->rowCount(); ++g) {
            const QModelIndex group = outline->model()->index(g, 0);
            if (group.data().toString() == QLatin1String("txt")) {
                textSet = outline->model()->index(0, 0, group);
            }
        }
        QVERIFY(textSet.isValid());
        clickCell(outline, textSet);
        tickFile(app, 1);
        QVERIFY(click(app.w<QWidget>("finishButton")));
        InformationWindow* information = app.delegate.informationWindow();
        QTRY_VERIFY_WITH_TIMEOUT(
            information->isVisible() && infoLine(app, 0).startsWith("Duplicates Cleaned"), Long);
        QVERIFY(click(information->button()));
        QVERIFY(summary->text().startsWith(QStringLiteral("3 sets in 3 groups: 3 duplicate files")));

        QVERIFY(click(app.w<QWidget>("documentButton")));
        QTRY_VERIFY_WITH_TIMEOUT(information->isVisible(), Long);
        QCOMPARE(infoLine(app, 0), QStringLiteral("Documents Duplicates: 1"));
        QVERIFY(summary->text().contains(QStringLiteral(": 1 duplicate file,")));
        QVERIFY(summary->text().endsWith(infoLine(app, 1).mid(QStringLiteral("Memory Occupied: ").size())));
        QVERIFY(click(information->button()));
        QVERIFY(click(app.w<QWidget>("allButton")));
        QVERIFY(summary->text().startsWith(QStringLiteral("3 sets in 3 groups: 3 duplicate files")));
    }

    // Every check box toggles from the keyboard and through the
    // accessibility interface, under the same rules as a click.
    void checkBoxesByKeyboardAndAccessibility()
    {
        const QByteArray tree = freshFolder("keys");
        QVERIFY(writeDuplicates(tree));
        AppHarness app;
        launch(app);
        openFolderPage(app);
        addFolderByDialog(app, tree);
        QTableView* locations = app.w<QTableView>("tableExact");
        const int row = int(listedNames(app).indexOf(tree));
        QVERIFY(row >= 0);
        const QModelIndex box = locations->model()->index(row, LocationTableModel::ButtonCell);
        auto checked = [](const QModelIndex& index) {
            return index.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
        };
        QVERIFY2(checked(box),
                 qPrintable(QString::number(row) +
                            box.data(Qt::CheckStateRole).toString())); // an added folder starts marked

        locations->setFocus();
        locations->setCurrentIndex(locations->model()->index(row, 0));
        QTest::keyClick(locations, Qt::Key_Space);
        QVERIFY(!checked(box));
        QVERIFY(!app.w<QWidget>("findDuplicateExact")->isEnabled() ||
                listedNames(app).size() > 1); // the page's rule follows

        QAccessible::setActive(true);
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(locations);
        QVERIFY(table && table->tableInterface());
        QAccessibleInterface* cell = table->tableInterface()->cellAt(row, LocationTableModel::ButtonCell);
        QVERIFY(cell && cell->actionInterface());
        QVERIFY(cell->state().checkable);
        QVERIFY(!cell->state().checked);
        QVERIFY(cell->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
        cell->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QVERIFY(checked(box));
        QVERIFY(cell->state().checked);
        QVERIFY(app.w<QWidget>("findDuplicateExact")->isEnabled());

        scanToResults(app);
        // The file table: the rule that keeps one file of a set unmarked holds
        // for the keyboard and the accessibility toggle alike.
        auto* files = app.w<QTableView>("resultTable");
        const int count = files->model()->rowCount();
        QVERIFY(count >= 2);
        files->setFocus();
        QAccessibleInterface* fileTable = QAccessible::queryAccessibleInterface(files);
        QVERIFY(fileTable && fileTable->tableInterface());
        QSignalSpy refused(app.delegate.review(), &ReviewController::informationShown);
        for (int r = 0; r < count; ++r) {
            if (r % 2 == 0) {
                files->setCurrentIndex(files->model()->index(r, 0));
                QTest::keyClick(files, Qt::Key_Space);
            } else {
                QAccessibleInterface* fileBox =
                    fileTable->tableInterface()->cellAt(r, SetFilesModel::ButtonCell);
                QVERIFY(fileBox && fileBox->actionInterface());
                fileBox->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
            }
        }
        int marked = 0;
        for (int r = 0; r < count; ++r) {
            marked += checked(files->model()->index(r, SetFilesModel::ButtonCell)) ? 1 : 0;
        }
        QCOMPARE(marked, count - 1);
        QCOMPARE(refused.count(), 1);
        QCOMPARE(refused.first().first().toString(),
                 QStringLiteral("All the files of same set cannot be selected"));
        QVERIFY(click(app.delegate.informationWindow()->button()));

        // The outline's box of a set, by the accessibility toggle.
        auto* outline = app.w<QTreeView>("OView2");
        QAccessibleInterface* tree2 = QAccessible::queryAccessibleInterface(outline);
        QVERIFY(tree2);
        const QString before = app.w<QLabel>("selectedCount")->text();
        const QModelIndex setRow = outline->model()->index(0, 0, outline->model()->index(1, 0));
        const QRect cellRect = outline->visualRect(setRow.siblingAtColumn(ResultOutlineModel::Check));
        QAccessibleInterface* setBox =
            tree2->childAt(outline->viewport()->mapToGlobal(cellRect.center()).x(),
                           outline->viewport()->mapToGlobal(cellRect.center()).y());
        QVERIFY(setBox && setBox->actionInterface());
        setBox->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QVERIFY(app.w<QLabel>("selectedCount")->text() != before);
        QAccessible::setActive(false);
    }
};

QTEST_MAIN(TstEndToEnd)
#include "tst_endtoend.moc"
