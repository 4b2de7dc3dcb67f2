#include "AppHarness.h"
#include "TestSupport.h"
#include "app/AppDelegate.h"
#include "app/LocationPageController.h"
#include "locations/LocationTableModel.h"
#include "platform/UriList.h"
#include "scan/Modal.h"
#include "scan/ScanSession.h"
#include "ui/LocationCellDelegate.h"
#include "ui/MainWindow.h"
#include "ui/Opacity.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFrame>
#include <QImage>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int Long = 60000; // generous: the machine is shared and may be slow
const QString FolderTitle = QStringLiteral("Select Folders (Double click to go deeper)");
const QString NoFolders = QStringLiteral("No Folders.");
const QString DriveHint = QStringLiteral("Select the check box and click 'Scan' button to proceed.");

bool makeDirs(const QByteArray& path)
{
    QByteArray at;
    for (const QByteArray& part : path.split('/')) {
        at += part + '/';
        if (!part.isEmpty() && ::mkdir(at.constData(), 0755) != 0 && errno != EEXIST) {
            return false;
        }
    }
    return true;
}

bool writeFile(const QByteArray& path, const QByteArray& content)
{
    const qsizetype slash = path.lastIndexOf('/');
    const int fd = makeDirs(path.left(slash))
                       ? ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)
                       : -1;
    if (fd < 0) {
        return false;
    }
    const bool ok = ::write(fd, content.constData(), content.size()) == content.size();
    return ::close(fd) == 0 && ok;
}

QByteArrayList sorted(QByteArrayList list)
{
    std::sort(list.begin(), list.end());
    return list;
}

// One window with its controller, as the program builds them, plus short
// ways to the location page's parts.
struct App : AppHarness
{
    LocationPageController* locations() const { return delegate.locations(); }
    LocationList& list() const { return locations()->list(); }
    LocationTableModel* model() const { return locations()->model(); }
    QTableView* table() const { return w<QTableView>("tableExact"); }
    QAction* action(const char* name) const
    {
        return locations()->contextMenu()->findChild<QAction*>(QLatin1String(name));
    }

    // Opens the page in one mode over fabricated user folders and drives.
    bool open(bool folderMode, const QByteArrayList& userFolders, const QByteArrayList& drives)
    {
        if (!window.isVisible() && !delegate.launch()) {
            return false;
        }
        list().setEnvironment({userFolders, drives, MountTable()});
        folderMode ? delegate.buttonScanFoldersClicked() : delegate.buttonScanDriveClicked();
        return page() == QLatin1String("2");
    }

    // What the table shows, row by row.
    QVariantList column(int column, int role) const
    {
        QVariantList out;
        for (int row = 0; row < model()->rowCount(); ++row) {
            out << model()->index(row, column).data(role);
        }
        return out;
    }
    QByteArrayList names() const
    {
        QByteArrayList out;
        for (const QVariant& name : column(LocationTableModel::MainCell, LocationTableModel::PathRole)) {
            out << name.toByteArray();
        }
        return out;
    }
    QList<bool> states() const
    {
        QList<bool> out;
        for (const QVariant& state : column(LocationTableModel::ButtonCell, Qt::CheckStateRole)) {
            out << (state.value<Qt::CheckState>() == Qt::Checked);
        }
        return out;
    }
    int rowOf(const QByteArray& path) const { return int(names().indexOf(path)); }

    bool check(int row, bool on)
    {
        return model()->setData(model()->index(row, LocationTableModel::ButtonCell),
                                on ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
    }
    bool drop(const QByteArray& uriList, int row, const QModelIndex& parent = {})
    {
        QMimeData mime;
        mime.setData(QStringLiteral("text/uri-list"), uriList);
        return model()->dropMimeData(&mime, Qt::CopyAction, row, 0, parent);
    }
    // Scan, Mark all, Unmark all, Remove, as one string: "smur" lower = off.
    QString buttons() const
    {
        const auto flag = [this](const char* name, QChar on) {
            return w<QAbstractButton>(name)->isEnabled() ? on : on.toLower();
        };
        return QString() + flag("findDuplicateExact", u'S') + flag("markAllExactBtn", u'M') +
               flag("unmarkAllExactBtn", u'U') + flag("removeFromListExactBtn", u'R');
    }
    void closeAlerts()
    {
        for (QMessageBox* box : window.findChildren<QMessageBox*>(QStringLiteral("tidemarkAlert"))) {
            if (box->isVisible()) {
                box->buttons().first()->click();
            }
        }
    }
};

} // namespace

class TestLocationPage : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    QByteArray m_root;
    QByteArrayList m_user;   // Desktop, Documents, Pictures
    QByteArrayList m_drives; // three fabricated drives
    QByteArray m_drop;       // things to drop

    QByteArray at(const char* rel) const { return m_root + '/' + rel; }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_tmp.isValid());
        QVERIFY(TestSupport::isolateUserFolders(m_tmp));
        Q_INIT_RESOURCE(resources);
        QCoreApplication::setOrganizationName(QStringLiteral("Quillon"));
        QCoreApplication::setApplicationName(QStringLiteral("Tidemark"));
        QApplication::setQuitOnLastWindowClosed(false);

        m_root = QFile::encodeName(m_tmp.filePath(QStringLiteral("tree")));
        m_user = {at("home/Desktop"), at("home/Documents"), at("home/Pictures")};
        m_drives = {at("drives/d1"), at("drives/d2"), at("drives/d3")};
        for (const char* dir : {"home/Desktop", "home/Documents/A/A1", "home/Documents/B",
                                "home/Documents/.hidden/x", "home/Pictures", "drives/d1/sub", "drives/d2",
                                "drives/d3", "drop/newFolder", "drop/caf\xe9/inner\xff"}) {
            QVERIFY(makeDirs(at(dir)));
        }
        QVERIFY(writeFile(at("home/Documents/notes.txt"), "not a folder"));
        m_drop = at("drop");
        QVERIFY(writeFile(m_drop + "/notes.txt", "text"));
        // A real picture padded to 1,520,000 bytes: its size text and its thumbnail.
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QVERIFY(picture.save(&buffer, "JPG"));
        jpeg.resize(1520000, '\0');
        QVERIFY(writeFile(m_drop + "/x.JPG", jpeg));
    }

    void cleanupTestCase()
    {
        // By byte path, so names that are not UTF-8 go too.
        ::nftw(
            m_root.constData(), [](const char* p, const struct stat*, int, FTW*) { return ::remove(p); }, 16,
            FTW_DEPTH | FTW_PHYS);
    }

    void dropAtRow_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("onRow"); // dropped onto this row's item; -1 between rows
        QTest::addColumn<int>("landsAt");
        QTest::newRow("between rows 0 and 1") << 1 << -1 << 1;
        QTest::newRow("onto row 1") << -1 << 1 << 1;
        QTest::newRow("below the last row") << -1 << -1 << 3;
        QTest::newRow("row past the end") << 9 << -1 << 3;
    }

    void dropAtRow()
    {
        QFETCH(int, row);
        QFETCH(int, onRow);
        QFETCH(int, landsAt);
        App app;
        QVERIFY(app.open(false, m_user, m_drives));
        QCOMPARE(app.names(), m_drives);
        QCOMPARE(app.buttons(), QStringLiteral("smur")); // all off until the list changes

        const QByteArray folder = m_drop + "/newFolder";
        const QByteArray image = m_drop + "/x.JPG";
        const QModelIndex parent = onRow < 0 ? QModelIndex() : app.model()->index(onRow, 0);
        QVERIFY(app.drop(UriList::fromLocalPaths({folder, image}), row, parent));

        QByteArrayList expected = m_drives;
        expected.insert(landsAt, folder);
        expected.insert(landsAt + 1, image);
        QCOMPARE(app.names(), expected);
        QCOMPARE(app.states().count(true), 2);
        QVERIFY(app.states().at(landsAt) && app.states().at(landsAt + 1));
        const QModelIndex imageCell = app.model()->index(landsAt + 1, LocationTableModel::MainCell);
        QCOMPARE(imageCell.data(LocationTableModel::SizeTextRole).toString(), QStringLiteral("1.52 MB"));
        QCOMPARE(imageCell.data(LocationTableModel::FolderRole).toBool(), false);
        QCOMPARE(app.model()->index(landsAt, 0).data(LocationTableModel::FolderRole).toBool(), true);
        QVERIFY(app.list().stateArray().isEmpty()); // a drop marks entries, not paths
        // A marked folder is enough to scan; unmarked drives leave Mark all on.
        QCOMPARE(app.buttons(), QStringLiteral("SMUR"));
        QCOMPARE(Opacity::of(app.w<QAbstractButton>("findDuplicateExact")), 1.0);
        QVERIFY(!app.table()->grab().isNull()); // thumbnail, icons and paths are drawn
        // The photo's thumbnail is decoded off the UI thread, then drawn.
        auto* delegate = qobject_cast<LocationCellDelegate*>(
            app.table()->itemDelegateForColumn(LocationTableModel::MainCell));
        QVERIFY(delegate);
        QTRY_COMPARE(delegate->pictureFor(imageCell).size(), QSize(40, 30));
        QVERIFY(app.w<QWidget>("runningAlert")->isHidden());
    }

    // The table's model follows the list's announcements: rows come and go
    // one change at a time, marks repaint their boxes, and only a new folder
    // page replaces everything. The tester checks every step for consistency.
    void modelFollowsList()
    {
        App app;
        QAbstractItemModelTester tester(app.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy resets(app.model(), &QAbstractItemModel::modelReset);
        QSignalSpy inserted(app.model(), &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(app.model(), &QAbstractItemModel::rowsRemoved);
        QSignalSpy changed(app.model(), &QAbstractItemModel::dataChanged);
        QVERIFY(app.open(true, m_user, m_drives));
        QCOMPARE(app.names(), m_user + m_drives);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.first().at(1).toInt(), 0);
        QCOMPARE(inserted.first().at(2).toInt(), 5);

        // Adding by panel and by drop: inserted where they land, nothing reset.
        app.locations()->addFolderPaths({m_drop + "/newFolder"});
        QCOMPARE(app.names().size(), 7);
        QVERIFY(app.drop(UriList::fromLocalPaths({m_drop + "/x.JPG"}), 1));
        QCOMPARE(app.rowOf(m_drop + "/x.JPG"), 1);
        QCOMPARE(inserted.count(), 3);
        QCOMPARE(inserted.last().at(1).toInt(), 1);

        // Marks change the boxes in place; the selection stays on its row.
        app.table()->selectRow(3);
        const int before = int(changed.count());
        QVERIFY(app.check(3, true));
        app.locations()->markAllExact();
        QCOMPARE(app.states().count(true), 8);
        app.locations()->unmarkAllExact();
        QCOMPARE(app.states().count(true), 0);
        QCOMPARE(changed.count(), before + 3);
        QCOMPARE(app.table()->selectionModel()->selectedRows().value(0).row(), 3);

        // Removing marked rows: each run of them leaves as one removal.
        for (int row : {0, 1, 4, 5, 7}) {
            QVERIFY(app.check(row, true));
        }
        const QByteArrayList kept = {app.names().at(2), app.names().at(3), app.names().at(6)};
        app.locations()->removeFromListExact();
        QCOMPARE(app.names(), kept);
        QCOMPARE(removed.count(), 3);
        app.locations()->menuNeedsUpdate(1);
        app.action("removeFromListMenu")->trigger();
        QCOMPARE(app.names(), (QByteArrayList{kept.at(0), kept.at(2)}));
        QCOMPARE(removed.count(), 4);
        QCOMPARE(resets.count(), 0);

        // Another folder page replaces the rows at once; home empties them.
        app.list().setEntries({});
        QCOMPARE(resets.count(), 1);
        app.locations()->addFolderPaths({m_user.at(1)});
        app.locations()->tableViewDidClickedRow(0);
        QCOMPARE(sorted(app.names()), (QByteArrayList{m_user.at(1) + "/A", m_user.at(1) + "/B"}));
        QCOMPARE(resets.count(), 2);
        app.delegate.buttonHomePageClicked();
        QCOMPARE(app.model()->rowCount(), 0);
        QCOMPARE(removed.count(), 5);
        QCOMPARE(resets.count(), 2);
    }

    void dropNotices_data()
    {
        QTest::addColumn<QByteArrayList>("dropped");
        QTest::addColumn<QString>("notice"); // empty: the drop adds something
        const QByteArray notes = m_drop + "/notes.txt";
        QTest::newRow("only notes.txt") << QByteArrayList{notes} << "Unsupported file.";
        QTest::newRow("a listed folder") << QByteArrayList{m_drives.at(1)} << "File already added.";
        QTest::newRow("below a listed folder")
            << QByteArrayList{m_drives.at(0) + "/sub"} << "File already added.";
        QTest::newRow("listed wins over unsupported")
            << QByteArrayList{notes, m_drives.at(2)} << "File already added.";
        QTest::newRow("missing picture") << QByteArrayList{m_drop + "/gone.jpg"} << "Unsupported file.";
        QTest::newRow("notes.txt with a new folder")
            << QByteArrayList{notes, m_drop + "/newFolder"} << QString();
    }

    void dropNotices()
    {
        QFETCH(QByteArrayList, dropped);
        QFETCH(QString, notice);
        App app;
        QVERIFY(app.open(false, m_user, m_drives));
        QCOMPARE(app.drop(UriList::fromLocalPaths(dropped), 1), notice.isEmpty());
        QCOMPARE(app.names().size(), notice.isEmpty() ? 4 : 3);
        auto* alert = app.w<QWidget>("runningAlert");
        if (notice.isEmpty()) {
            // The notice is a queued call: once the queue is empty, it would be up.
            QCoreApplication::sendPostedEvents();
            QVERIFY(alert->isHidden());
            return;
        }
        QVERIFY(alert->isHidden()); // queued: shown after the drop has returned
        QTRY_VERIFY_WITH_TIMEOUT(alert->isVisible(), Long);
        QCOMPARE(app.w<QLabel>("runningAlertText")->text(), notice);
        QCOMPARE(alert->mapTo(&app.window, QPoint(0, 0)), app.table()->mapTo(&app.window, QPoint(220, 50)));
        app.w<QAbstractButton>("runningAlertOk")->click();
        QVERIFY(alert->isHidden());
    }

    // Names that are not UTF-8 reach the list with their exact bytes.
    void dropNonUtf8_data()
    {
        QTest::addColumn<QByteArray>("uriList");
        const QByteArray folder = m_drop + "/caf\xe9";
        QTest::newRow("encoded by us") << UriList::fromLocalPaths({folder});
        QTest::newRow("localhost, comment")
            << "# from a file manager\r\nfile://localhost" + folder.toPercentEncoding("/") + "\r\n";
    }

    void dropNonUtf8()
    {
        QFETCH(QByteArray, uriList);
        const QByteArray folder = m_drop + "/caf\xe9";
        QVERIFY(!uriList.contains('\xe9'));
        App app;
        QVERIFY(app.open(true, {}, {m_drop + "/newFolder"}));
        QVERIFY(app.drop(uriList, 0));
        QCOMPARE(app.names(), (QByteArrayList{folder, m_drop + "/newFolder"}));
        QVERIFY(
            app.model()->index(0, 0).data(Qt::DisplayRole).toString().endsWith(QStringLiteral("caf\uFFFD")));
        // Its mark and its page keep the bytes too.
        QVERIFY(app.check(0, false));
        QVERIFY(app.check(0, true));
        QCOMPARE(app.list().stateArray(), QByteArrayList{folder});
        app.locations()->tableViewDidClickedRow(0);
        QCOMPARE(app.names(), QByteArrayList{folder + "/inner\xff"});
        QCOMPARE(app.states(), QList<bool>{true});
        QVERIFY(!app.table()->grab().isNull());
    }

    void contextMenu()
    {
        App app;
        QVERIFY(app.open(false, m_user, m_drives));
        QAction* mark = app.action("markMenuTable");
        QAction* remove = app.action("removeFromListMenu");
        QAction* markAll = app.action("markAllMenu");
        QAction* unmarkAll = app.action("unMarkAllMenu");
        QVERIFY(mark && remove && markAll && unmarkAll);
        const auto visible = [&] {
            return QString() + (mark->isVisible() ? 'K' : 'k') + (remove->isVisible() ? 'R' : 'r') +
                   (markAll->isVisible() ? 'M' : 'm') + (unmarkAll->isVisible() ? 'U' : 'u');
        };

        // Fresh page: the buttons are off, so neither Mark all nor Unmark all.
        app.locations()->menuNeedsUpdate(0);
        QCOMPARE(mark->text(), QStringLiteral("Mark"));
        QCOMPARE(visible(), QStringLiteral("KRmu"));

        QVERIFY(app.check(1, true));
        app.locations()->menuNeedsUpdate(1);
        QCOMPARE(mark->text(), QStringLiteral("Unmark"));
        QCOMPARE(visible(), QStringLiteral("KRMU"));
        app.locations()->menuNeedsUpdate(0);
        QCOMPARE(mark->text(), QStringLiteral("Mark"));
        for (int below : {-1, 3}) {
            app.locations()->menuNeedsUpdate(below);
            QCOMPARE(visible(), QStringLiteral("krmu"));
        }

        // Mark on row 0: its state only; the row is selected alone.
        app.locations()->menuNeedsUpdate(0);
        mark->trigger();
        QCOMPARE(app.states(), (QList<bool>{true, true, false}));
        QCOMPARE(app.list().stateArray(), QByteArrayList{m_drives.at(1)});
        QCOMPARE(app.table()->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(app.table()->selectionModel()->selectedRows().first().row(), 0);
        app.locations()->menuNeedsUpdate(1);
        mark->trigger(); // "Unmark"
        QCOMPARE(app.states(), (QList<bool>{true, false, false}));
        QCOMPARE(app.list().stateArray(), QByteArrayList{m_drives.at(1)});

        app.locations()->menuNeedsUpdate(2);
        markAll->trigger();
        QCOMPARE(app.states(), (QList<bool>{true, true, true}));
        QCOMPARE(app.buttons(), QStringLiteral("SmUR"));
        app.locations()->menuNeedsUpdate(2);
        QCOMPARE(visible(), QStringLiteral("KRmU"));
        unmarkAll->trigger();
        QCOMPARE(app.states(), (QList<bool>{false, false, false}));
        QCOMPARE(app.buttons(), QStringLiteral("sMur"));
        app.locations()->menuNeedsUpdate(2);
        QCOMPARE(visible(), QStringLiteral("KRMu"));

        // Remove from list takes the clicked row, marked or not.
        app.locations()->menuNeedsUpdate(1);
        remove->trigger();
        QCOMPARE(app.names(), (QByteArrayList{m_drives.at(0), m_drives.at(2)}));
        // Acting after the list shrank below the remembered row does nothing.
        app.locations()->menuNeedsUpdate(1);
        remove->trigger();
        remove->trigger();
        QCOMPARE(app.names(), QByteArrayList{m_drives.at(0)});
    }

    void checkBoxesAndButtons_data()
    {
        QTest::addColumn<int>("folders");
        QTest::addColumn<int>("files");
        QTest::addColumn<QList<int>>("marked");
        QTest::addColumn<QString>("buttons");                           // Scan, Mark all, Unmark all, Remove
        QTest::newRow("one file") << 0 << 1 << QList<int>{0} << "smUR"; // Mark all off: all marked
        QTest::newRow("one of two files") << 0 << 2 << QList<int>{1} << "sMUR";
        QTest::newRow("two files") << 0 << 2 << QList<int>{0, 1} << "SmUR";
        QTest::newRow("one folder") << 1 << 0 << QList<int>{0} << "SmUR";
        QTest::newRow("folder unmarked, file marked") << 1 << 1 << QList<int>{1} << "sMUR";
        QTest::newRow("nothing marked") << 1 << 2 << QList<int>{} << "sMur";
    }

    void checkBoxesAndButtons()
    {
        QFETCH(int, folders);
        QFETCH(int, files);
        QFETCH(QList<int>, marked);
        QFETCH(QString, buttons);
        App app;
        QVERIFY(app.open(false, {}, {}));
        QCOMPARE(app.names(), QByteArrayList{});
        QByteArrayList paths;
        for (int i = 0; i < folders; ++i) {
            paths << at("drives/d1") + QByteArray::number(i);
            QVERIFY(makeDirs(paths.last()));
        }
        for (int i = 0; i < files; ++i) {
            paths << m_drop + "/pic" + QByteArray::number(i) + ".png";
            QVERIFY(writeFile(paths.last(), "PNG" + QByteArray::number(i)));
        }
        app.locations()->addFolderPaths(paths.mid(0, folders));
        app.locations()->addFilePaths(paths.mid(folders));
        QCOMPARE(app.names(), paths);
        app.w<QAbstractButton>("unmarkAllExactBtn")->click();
        QVERIFY(!app.states().contains(true));

        QByteArrayList markedPaths;
        for (int row : marked) {
            QVERIFY(app.check(row, true));
            markedPaths << paths.at(row);
            QCOMPARE(app.table()->selectionModel()->selectedRows().size(), 1);
            QCOMPARE(app.table()->selectionModel()->selectedRows().first().row(), row);
        }
        QCOMPARE(app.list().stateArray(), markedPaths);
        QCOMPARE(app.buttons(), buttons);
        auto* scan = app.w<QAbstractButton>("findDuplicateExact");
        QCOMPARE(Opacity::of(scan), buttons.startsWith(u'S') ? 1.0 : 0.6);
        QCOMPARE(scan->text(), QStringLiteral("Scan"));

        // A second mark of the same path is remembered twice; unmarking forgets every copy.
        if (!marked.isEmpty()) {
            QVERIFY(app.check(marked.first(), true));
            QCOMPARE(app.list().stateArray().count(markedPaths.first()), 2);
            QVERIFY(app.check(marked.first(), false));
            QVERIFY(!app.list().stateArray().contains(markedPaths.first()));
            QVERIFY(app.check(marked.first(), true));
        }

        // Space on a row toggles its box, whichever cell has the focus.
        if (!paths.isEmpty()) {
            const int row = int(paths.size()) - 1;
            const bool before = app.states().at(row);
            app.table()->setCurrentIndex(app.model()->index(row, LocationTableModel::MainCell));
            QTest::keyClick(app.table(), Qt::Key_Space);
            QCOMPARE(app.states().at(row), !before);
            QTest::keyClick(app.table(), Qt::Key_Space);
            QCOMPARE(app.states().at(row), before);
        }

        // Remove takes the marked entries only.
        app.w<QAbstractButton>("removeFromListExactBtn")->click();
        QCOMPARE(app.names().size(), paths.size() - marked.size());
        QVERIFY(!app.states().contains(true));
        QCOMPARE(app.buttons(), app.names().isEmpty() ? QStringLiteral("smur") : QStringLiteral("sMur"));
        QCOMPARE(Opacity::of(scan), 0.6);
    }

    void folderBrowsing()
    {
        App app;
        QSignalSpy alerts(&app.delegate, &AppDelegate::alertShown);
        QVERIFY(app.open(true, m_user, {m_drives.at(0)}));
        const QByteArrayList defaults = m_user + QByteArrayList{m_drives.at(0)};
        QCOMPARE(app.names(), defaults);
        QCOMPARE(app.model()->headerData(0, Qt::Horizontal).toString(), FolderTitle);
        QCOMPARE(app.model()->index(0, 0).data(LocationTableModel::ImageNameRole).toString(),
                 QStringLiteral("mymac.png"));
        auto* back = app.w<QAbstractButton>("backFolderButton");
        auto* next = app.w<QAbstractButton>("nextFolderButton");
        QVERIFY(!back->isEnabled() && !next->isEnabled());

        const QByteArray docs = m_user.at(1);
        const QByteArray a = docs + "/A";
        const QByteArray b = docs + "/B";
        QVERIFY(app.check(1, true));
        app.locations()->tableViewDidClickedRow(1);
        QCOMPARE(sorted(app.names()), (QByteArrayList{a, b})); // no hidden names, no files
        QCOMPARE(app.states(), (QList<bool>{true, true}));
        QCOMPARE(sorted(app.list().stateArray()), (QByteArrayList{docs, a, b}));
        QVERIFY(back->isEnabled() && !next->isEnabled());
        QCOMPARE(app.locations()->browser().folderBrowser(), (QByteArrayList{"Default", docs}));
        QCOMPARE(app.buttons(), QStringLiteral("SMUR")); // left as the check box set them

        // No subfolders: an alert, and nothing else moves.
        const QByteArrayList page = app.names();
        app.locations()->tableViewDidClickedRow(app.rowOf(b));
        QCOMPARE(alerts.count(), 1);
        QCOMPARE(alerts.takeFirst().first().toString(), NoFolders);
        QCOMPARE(app.names(), page);
        QCOMPARE(app.locations()->browser().folderBrowser(), (QByteArrayList{"Default", docs}));
        QCOMPARE(app.locations()->browser().currentPath(), qint64(1));
        QVERIFY(back->isEnabled() && !next->isEnabled());
        auto* box = app.window.findChild<QMessageBox*>(QStringLiteral("tidemarkAlert"));
        QVERIFY(box && box->isVisible());
        QCOMPARE(box->informativeText(), NoFolders);
        app.closeAlerts();

        back->click();
        QCOMPARE(app.names(), defaults);
        QCOMPARE(app.states(), (QList<bool>{false, true, false, false})); // Documents' mark survived
        QVERIFY(!back->isEnabled() && next->isEnabled());
        next->click();
        QCOMPARE(sorted(app.names()), (QByteArrayList{a, b}));
        QCOMPARE(app.states(), (QList<bool>{true, true}));
        QCOMPARE(app.list().stateArray().count(a), 2); // recorded again as the page came back
        QVERIFY(back->isEnabled() && !next->isEnabled());

        // A is no longer marked: its page comes unmarked.
        QVERIFY(app.check(app.rowOf(a), false));
        QVERIFY(!app.list().stateArray().contains(a));
        app.locations()->tableViewDidClickedRow(app.rowOf(a));
        QCOMPARE(app.names(), QByteArrayList{a + "/A1"});
        QCOMPARE(app.states(), QList<bool>{false});
        QCOMPARE(app.locations()->browser().folderBrowser(), (QByteArrayList{"Default", docs, a}));
        back->click();
        QCOMPARE(app.states(), (QList<bool>{true, true})); // Documents is still marked
        back->click();
        QCOMPARE(app.names(), defaults);
        next->click();
        next->click();
        QCOMPARE(app.names(), QByteArrayList{a + "/A1"});
        QVERIFY(back->isEnabled() && !next->isEnabled());
        QCOMPARE(alerts.count(), 0);

        // Home clean-up forgets list, marks, history and mode.
        app.delegate.buttonHomePageClicked();
        QCOMPARE(app.page(), QStringLiteral("1"));
        QCOMPARE(app.model()->rowCount(), 0);
        QVERIFY(app.list().stateArray().isEmpty());
        QVERIFY(app.locations()->browser().folderBrowser().isEmpty());
        QVERIFY(!app.list().scanFolderClicked());
        QVERIFY(!back->isEnabled() && !next->isEnabled());
        app.delegate.buttonScanDriveClicked();
        QCOMPARE(app.names(), QByteArrayList{m_drives.at(0)});
        QCOMPARE(app.states(), QList<bool>{false});
        QCOMPARE(app.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Select Drive"));
        QCOMPARE(app.locations()->browser().folderBrowser(), QByteArrayList{"Default"});

        // Drive mode: a double click only hints; one on no row does nothing.
        app.locations()->tableViewDidClickedRow(-1);
        app.locations()->tableViewDidClickedRow(1);
        QCOMPARE(alerts.count(), 0);
        app.locations()->tableViewDidClickedRow(0);
        QCOMPARE(alerts.count(), 1);
        QCOMPARE(alerts.first().first().toString(), DriveHint);
        QCOMPARE(app.names(), QByteArrayList{m_drives.at(0)});
        QCOMPARE(app.locations()->browser().folderBrowser(), QByteArrayList{"Default"});
        QVERIFY(!back->isEnabled() && !next->isEnabled());
        app.closeAlerts();
    }

    // Real input on the table; a folder that vanished before Forward reached it.
    void realInputAndVanishedFolder()
    {
        const QByteArray base = at("vanish");
        QVERIFY(makeDirs(base + "/X/Y"));
        App app;
        QSignalSpy alerts(&app.delegate, &AppDelegate::alertShown);
        QVERIFY(app.open(true, {base}, {}));
        QTableView* table = app.table();
        QVERIFY(QTest::qWaitForWindowExposed(&app.window));
        const auto centreOf = [&](int row, int column = 0) {
            return table->visualRect(app.model()->index(row, column)).center();
        };
        const auto doubleClick = [&](int row, int column = 0) {
            // Qt's test double click is the second click only.
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, centreOf(row, column));
            QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, centreOf(row, column));
        };
        doubleClick(0);
        QCOMPARE(app.names(), QByteArrayList{base + "/X"});
        // A click anywhere in the check box cell toggles the mark.
        for (const bool on : {true, false}) {
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                              centreOf(0, LocationTableModel::ButtonCell));
            QCOMPARE(app.states(), QList<bool>{on});
            QCOMPARE(app.list().stateArray(), on ? QByteArrayList{base + "/X"} : QByteArrayList{});
            QCOMPARE(app.buttons(), on ? QStringLiteral("SmUR") : QStringLiteral("sMur"));
        }
        // A double click on the check box toggles twice and does not go in.
        // The whole sequence a window system sends: press, release, double click, release.
        QSignalSpy doubleClicks(table, &QAbstractItemView::doubleClicked);
        const QPointF box = centreOf(0, LocationTableModel::ButtonCell);
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                        QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
            const bool down = type != QEvent::MouseButtonRelease;
            QMouseEvent event(type, box, table->viewport()->mapToGlobal(box), Qt::LeftButton,
                              down ? Qt::LeftButton : Qt::NoButton, {});
            QApplication::sendEvent(table->viewport(), &event);
        }
        QCOMPARE(doubleClicks.count(), 1);
        QCOMPARE(app.names(), QByteArrayList{base + "/X"});
        QCOMPARE(app.states(), QList<bool>{false});
        Q_EMIT table->customContextMenuRequested(centreOf(0));
        QVERIFY(app.action("markMenuTable")->isVisible());
        QCOMPARE(app.action("markMenuTable")->text(), QStringLiteral("Mark"));
        Q_EMIT table->customContextMenuRequested(centreOf(0) + QPoint(0, 2 * table->rowHeight(0)));
        QVERIFY(!app.action("markMenuTable")->isVisible() && !app.action("removeFromListMenu")->isVisible());
        app.locations()->contextMenu()->hide();
        doubleClick(0);
        QCOMPARE(app.names(), QByteArrayList{base + "/X/Y"});

        app.w<QAbstractButton>("backFolderButton")->click();
        QVERIFY(::rmdir((base + "/X/Y").constData()) == 0);
        app.w<QAbstractButton>("nextFolderButton")->click();
        QCOMPARE(alerts.count(), 1);
        QCOMPARE(alerts.first().first().toString(), NoFolders);
        QCOMPARE(app.names(), QByteArrayList{base + "/X"});            // the page stays
        QCOMPARE(app.locations()->browser().currentPath(), qint64(2)); // the move is not undone
        QVERIFY(app.w<QAbstractButton>("backFolderButton")->isEnabled());
        QVERIFY(app.w<QAbstractButton>("nextFolderButton")->isEnabled());
        app.closeAlerts();
    }

    // A drop from another program, through the view's drag events.
    void realDrop_data()
    {
        QTest::addColumn<int>("proposed");
        QTest::addColumn<bool>("lands");
        QTest::newRow("copy") << int(Qt::CopyAction) << true;
        QTest::newRow("link") << int(Qt::LinkAction) << true;
        QTest::newRow("move, taken as a copy") << int(Qt::MoveAction) << true;
    }

    void realDrop()
    {
        QFETCH(int, proposed);
        QFETCH(bool, lands);
        App app;
        QVERIFY(app.open(false, m_user, m_drives));
        QVERIFY(QTest::qWaitForWindowExposed(&app.window));
        QMimeData mime;
        mime.setData(QStringLiteral("text/uri-list"), UriList::fromLocalPaths({m_drop + "/newFolder"}));
        const Qt::DropActions possible = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
        const QPoint onRow1 = app.table()->visualRect(app.model()->index(1, 0)).center();
        QDragEnterEvent enter(onRow1, possible, &mime, Qt::LeftButton, {});
        QDragMoveEvent move(onRow1, possible, &mime, Qt::LeftButton, {});
        QDropEvent drop(QPointF(onRow1), possible, &mime, Qt::LeftButton, {});
        for (QDropEvent* event : {static_cast<QDropEvent*>(&enter), static_cast<QDropEvent*>(&move), &drop}) {
            event->setDropAction(Qt::DropAction(proposed));
            QApplication::sendEvent(app.table()->viewport(), event);
        }
        // The source must never hear "moved": it would delete its files.
        QVERIFY(!drop.isAccepted() || drop.dropAction() != Qt::MoveAction);
        if (proposed == Qt::MoveAction) {
            QCOMPARE(drop.dropAction(), Qt::CopyAction);
        }
        if (lands) {
            QVERIFY(drop.isAccepted());
            QCOMPARE(app.names(),
                     (QByteArrayList{m_drives.at(0), m_drop + "/newFolder", m_drives.at(1), m_drives.at(2)}));
        }
    }

    // A source that offers nothing but a move: the paths are listed and the
    // source hears that nothing was moved.
    void realDropMoveOnly()
    {
        App app;
        QVERIFY(app.open(false, m_user, m_drives));
        QVERIFY(QTest::qWaitForWindowExposed(&app.window));
        QMimeData mime;
        mime.setData(QStringLiteral("text/uri-list"), UriList::fromLocalPaths({m_drop + "/newFolder"}));
        const QPoint onRow1 = app.table()->visualRect(app.model()->index(1, 0)).center();
        QDragEnterEvent enter(onRow1, Qt::MoveAction, &mime, Qt::LeftButton, {});
        QDragMoveEvent move(onRow1, Qt::MoveAction, &mime, Qt::LeftButton, {});
        QDropEvent drop(QPointF(onRow1), Qt::MoveAction, &mime, Qt::LeftButton, {});
        for (QDropEvent* event : {static_cast<QDropEvent*>(&enter), static_cast<QDropEvent*>(&move), &drop}) {
            QApplication::sendEvent(app.table()->viewport(), event);
            QVERIFY(event->isAccepted());
        }
        QVERIFY(drop.dropAction() != Qt::MoveAction);
        QVERIFY(app.names().contains(m_drop + "/newFolder"));
        QVERIFY(QFileInfo::exists(QFile::decodeName(m_drop + "/newFolder")));
    }

    // The scan covers the marked entries of the page shown, nothing else.
    void scanFromFolderPage()
    {
        const QByteArray base = at("scan");
        const QByteArray marked = base + "/Docs/Marked";
        const QByteArray unmarked = base + "/Docs/Unmarked";
        QVERIFY(makeDirs(base + "/Desktop"));
        for (const char* name : {"a1.jpg", "a2.jpg"}) {
            QVERIFY(writeFile(marked + '/' + name, "pixels of a"));
        }
        for (const char* name : {"t1.txt", "sub/t2.txt"}) {
            QVERIFY(writeFile(marked + '/' + name, "twin text\n"));
        }
        // Twins only across the two folders: not duplicates of this scan.
        QVERIFY(writeFile(marked + "/solo.dat", "across"));
        QVERIFY(writeFile(unmarked + "/solo.dat", "across"));
        QVERIFY(writeFile(unmarked + "/u1.jpg", "pixels of u"));
        QVERIFY(writeFile(unmarked + "/u2.jpg", "pixels of u"));
        QVERIFY(writeFile(base + "/Pics/p1.png", "pixels of p"));
        QVERIFY(writeFile(base + "/Pics/p2.png", "pixels of p"));

        App app;
        QVERIFY(app.open(true, {base + "/Desktop", base + "/Docs", base + "/Pics"}, {}));
        QVERIFY(app.check(2, true)); // Pics, on the default page only
        app.locations()->tableViewDidClickedRow(1);
        QCOMPARE(sorted(app.names()), (QByteArrayList{marked, unmarked}));
        QCOMPARE(app.states(), (QList<bool>{false, false}));
        QVERIFY(app.check(app.rowOf(marked), true));
        auto* scan = app.w<QAbstractButton>("findDuplicateExact");
        QVERIFY(scan->isEnabled());
        scan->click();
        QTRY_COMPARE_WITH_TIMEOUT(app.page(), QStringLiteral("4"), Long);
        QTRY_VERIFY_WITH_TIMEOUT(!app.delegate.scanSession()->scanning(), Long);

        const ModalPtr modal = app.delegate.scanSession()->results().modal;
        QVERIFY(modal);
        QByteArrayList found;
        for (const auto& extension : modal->extensionsArray()) {
            for (const auto& set : extension->sets()) {
                for (const auto& file : set->files()) {
                    found << file->filePath();
                }
            }
        }
        QCOMPARE(sorted(found), (QByteArrayList{marked + "/a1.jpg", marked + "/a2.jpg",
                                                marked + "/sub/t2.txt", marked + "/t1.txt"}));
        QCOMPARE(app.model()->rowCount(), 0); // the list was read and emptied
    }
};

QTEST_MAIN(TestLocationPage)
#include "tst_locationpage.moc"
