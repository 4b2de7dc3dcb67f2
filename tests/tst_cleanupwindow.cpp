// Reference folders, keep rules, restoring the last clean-up and saving the
// results, driven as a user drives them in a real window on a real X server
// (Xvfb under ctest): context menus opened by right clicks, menu items and
// painted buttons clicked, Qt's own file dialogs filled in by typing, the
// real Trash under a temporary XDG_DATA_HOME and a temporary XDG_STATE_HOME.
#include "AppHarness.h"
#include "TestSupport.h"
#include "TreeBuilder.h"
#include "UserActions.h"
#include "app/LocationPageController.h"
#include "app/RestoreController.h"
#include "app/ResultSaveController.h"
#include "app/ReviewController.h"
#include "app/RuleMarkingController.h"
#include "locations/LocationTableModel.h"
#include "platform/PathText.h"
#include "review/ReferenceMarking.h"
#include "review/ResultOutlineModel.h"
#include "review/SetFilesModel.h"
#include "review/StatisticsStore.h"
#include "scan/Formatting.h"
#include "scan/ScanSession.h"
#include "ui/InformationWindow.h"
#include "ui/ReferenceBadge.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTreeView>
#include <fcntl.h>
#include <sys/stat.h>

using UA = UserActions;

namespace {

constexpr int Long = UserActions::Long;
constexpr qint64 Second = 1000000000LL;

bool setModified(const QByteArray& path, qint64 seconds)
{
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    return ::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
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

bool inside(const QByteArray& path, const QByteArray& folder)
{
    return path.startsWith(folder + '/');
}

// Pixels of the badge's own colour in `image` within `area` (device pixels).
int badgePixels(const QImage& image, const QRect& area)
{
    const QRgb fill = ReferenceBadge::fill().rgb();
    int count = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            count += (image.pixel(x, y) & 0xffffff) == (fill & 0xffffff) ? 1 : 0;
        }
    }
    return count;
}

} // namespace

class TstCleanupWindow : public QObject
{
    Q_OBJECT

    TempRoot m_root;
    QByteArray m_trash;
    int m_round = 0;

    QByteArray freshFolder(const char* name)
    {
        const QByteArray folder = m_root / (QByteArray(name) + QByteArray::number(++m_round));
        QDir().mkpath(QFile::decodeName(folder));
        return folder;
    }

    static bool write(const QByteArray& path, const QByteArray& data)
    {
        const qsizetype slash = path.lastIndexOf('/');
        return QDir().mkpath(QFile::decodeName(path.left(slash))) && TreeBuilder::writeBytes(path, data);
    }

    // With TIDEMARK_SCREENSHOTS set, the window as on screen, open menus
    // included, for a person to look at.
    static void snap(AppHarness& app, const char* name)
    {
        const QString folder = qEnvironmentVariable("TIDEMARK_SCREENSHOTS");
        if (folder.isEmpty()) {
            return;
        }
        QCoreApplication::processEvents();
        QRect frame = app.window.geometry();
        if (QWidget* popup = QApplication::activePopupWidget()) {
            frame = frame.united(popup->geometry());
        }
        app.window.screen()
            ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
            .save(folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
    }

    void launch(AppHarness& app)
    {
        QVERIFY(app.delegate.launch());
        QVERIFY(QTest::qWaitForWindowExposed(&app.window));
        QTRY_VERIFY_WITH_TIMEOUT(app.window.isActiveWindow(), Long);
    }

    void openFolderPage(AppHarness& app)
    {
        QVERIFY(UA::click(app.w<QWidget>("buttonScanFolders")));
        QCOMPARE(app.page(), QStringLiteral("2"));
    }

    // "Add Folders", a typed path, "Choose".
    void addFolderByDialog(AppHarness& app, const QByteArray& folder)
    {
        QVERIFY(UA::click(app.w<QWidget>("addFolders")));
        QFileDialog* dialog = UA::activeFileDialog();
        QVERIFY(dialog);
        QVERIFY(UA::typePath(dialog, QFile::decodeName(folder)));
        QVERIFY(UA::accept(dialog));
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), Long);
    }

    int locationRow(AppHarness& app, const QByteArray& path)
    {
        const LocationTableModel* model = app.delegate.locations()->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->index(row, 0).data(LocationTableModel::PathRole).toByteArray() == path) {
                return row;
            }
        }
        return -1;
    }

    // "Scan", then the results page with its summary acknowledged.
    void scanToResults(AppHarness& app)
    {
        QVERIFY(UA::click(app.w<QWidget>("findDuplicateExact")));
        QTRY_COMPARE_WITH_TIMEOUT(app.page(), QStringLiteral("4"), Long);
        QTRY_VERIFY_WITH_TIMEOUT(!app.scan()->scanning(), Long);
        dismissInformation(app);
    }

    void dismissInformation(AppHarness& app)
    {
        InformationWindow* information = app.delegate.informationWindow();
        QTRY_VERIFY_WITH_TIMEOUT(information->isVisible(), Long);
        QVERIFY(UA::click(information->button()));
        QVERIFY(information->isHidden());
    }

    // From the home page: the folders added by the dialog, scanned.
    void scanFolders(AppHarness& app, const QByteArrayList& folders)
    {
        openFolderPage(app);
        for (const QByteArray& folder : folders) {
            addFolderByDialog(app, folder);
            if (QTest::currentTestFailed()) {
                return;
            }
        }
        scanToResults(app);
    }

    // Picks a rule from the "Mark by Rule" menu.
    void markByRule(AppHarness& app, const char* item, const char* picture = nullptr)
    {
        QVERIFY(UA::click(app.w<QWidget>("markByRule")));
        QMenu* menu = UA::openMenu();
        QVERIFY(menu);
        if (picture) {
            snap(app, picture);
        }
        QCOMPARE(menu->objectName(), QStringLiteral("markByRuleMenu"));
        QVERIFY(UA::chooseItem(menu, QLatin1String(item)));
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activePopupWidget(), Long);
    }

    // The unmarked files of every set of the tree on screen.
    static QList<QByteArrayList> keptFiles(AppHarness& app)
    {
        QList<QByteArrayList> kept;
        for (const ExtensionsPtr& group : app.delegate.review()->modal()->extensions()) {
            for (const SetPtr& set : group->sets()) {
                QByteArrayList files;
                for (const FilePtr& file : set->files()) {
                    if (file->state() == MarkState::Unmarked) {
                        files << file->filePath();
                    }
                }
                kept << files;
            }
        }
        return kept;
    }

    // The files the rule should keep, worked out from the disk: the best by
    // date or path length, a tie going to the file the scan met first.
    static QList<QByteArrayList> expectedKept(AppHarness& app, KeepRule::Kind kind,
                                              const QByteArray& folder = {})
    {
        QList<QByteArrayList> kept;
        for (const QByteArrayList& set : setsOf(app.delegate.review()->modal())) {
            qsizetype best = 0;
            for (qsizetype i = 1; i < set.size(); ++i) {
                struct stat a
                {
                };
                struct stat b
                {
                };
                ::lstat(set.at(i).constData(), &a);
                ::lstat(set.at(best).constData(), &b);
                const qint64 ai = qint64(a.st_mtim.tv_sec) * Second + a.st_mtim.tv_nsec;
                const qint64 bi = qint64(b.st_mtim.tv_sec) * Second + b.st_mtim.tv_nsec;
                const bool better =
                    kind == KeepRule::Kind::Newest         ? ai > bi
                    : kind == KeepRule::Kind::Oldest       ? ai < bi
                    : kind == KeepRule::Kind::ShortestPath ? set.at(i).size() < set.at(best).size()
                    : kind == KeepRule::Kind::LongestPath  ? set.at(i).size() > set.at(best).size()
                                                           : false;
                if (better) {
                    best = i;
                }
            }
            if (kind == KeepRule::Kind::InsideFolder) {
                for (qsizetype i = 0; i < set.size(); ++i) {
                    if (inside(set.at(i), folder)) {
                        best = i;
                        break;
                    }
                }
            }
            kept << QByteArrayList{set.at(best)};
        }
        return kept;
    }

    QModelIndex outlineSetRow(AppHarness& app, const QByteArray& filePath)
    {
        ResultOutlineModel* outline = app.delegate.review()->outlineModel();
        for (int g = 0; g < outline->rowCount(); ++g) {
            const QModelIndex group = outline->index(g, ResultOutlineModel::Name);
            for (int s = 0; s < outline->rowCount(group); ++s) {
                const QModelIndex set = outline->index(s, ResultOutlineModel::Name, group);
                for (const FilePtr& file : outline->setAt(set)->files()) {
                    if (file->filePath() == filePath) {
                        return set;
                    }
                }
            }
        }
        return {};
    }

    void verifyLiveCopies(const QList<QByteArrayList>& sets)
    {
        for (const QByteArrayList& set : sets) {
            int alive = 0;
            for (const QByteArray& path : set) {
                alive += TreeBuilder::exists(path) ? 1 : 0;
            }
            QVERIFY2(alive >= 1, set.first().constData());
        }
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
        QVERIFY(QGuiApplication::platformName() != QLatin1String("offscreen"));
    }

    // "Use as Reference" from the row's context menu, the badge on the row,
    // then Mark All keeps the reference copies, the file box refuses one,
    // and Delete leaves every reference file where it was.
    void referenceKeptThroughMarkAllAndDelete()
    {
        const QByteArray ref = freshFolder("reference");
        const QByteArray work = freshFolder("work");
        QVERIFY(write(ref + "/a.txt", "alpha words\n") && write(work + "/a.txt", "alpha words\n") &&
                write(work + "/sub/a2.txt", "alpha words\n"));
        // A set made only of reference files.
        QVERIFY(write(ref + "/r1.bin", QByteArray(2000, 'r')) &&
                write(ref + "/deep/r2.bin", QByteArray(2000, 'r')));
        // A set without one.
        QVERIFY(write(work + "/w1.dat", QByteArray(1500, 'w')) &&
                write(work + "/sub/w2.dat", QByteArray(1500, 'w')));
        QVERIFY(write(ref + "/p.jpg", QByteArray(700, 'p')) && write(work + "/p.jpg", QByteArray(700, 'p')));

        AppHarness app;
        launch(app);
        openFolderPage(app);
        addFolderByDialog(app, work);
        addFolderByDialog(app, ref);
        const int row = locationRow(app, ref);
        QVERIFY(row >= 0);
        auto* table = app.w<QTableView>("tableExact");
        LocationTableModel* model = app.delegate.locations()->model();
        QMenu* menu = UA::rightClickCell(table, model->index(row, LocationTableModel::MainCell));
        QVERIFY(menu);
        auto* use = menu->findChild<QAction*>(QStringLiteral("useAsReferenceMenu"));
        QVERIFY(use && use->isVisible() && use->isCheckable() && !use->isChecked());
        QCOMPARE(use->text(), QStringLiteral("Use as Reference"));
        QVERIFY(UA::chooseItem(menu, QStringLiteral("useAsReferenceMenu")));
        QVERIFY(model->index(row, 0).data(LocationTableModel::ReferenceRole).toBool());
        QVERIFY(!model->index(locationRow(app, work), 0).data(LocationTableModel::ReferenceRole).toBool());

        // The badge is painted on that row only, at scale 1 and at scale 2.
        for (const qreal scale : {1.0, 2.0}) {
            QImage shot(table->viewport()->size() * scale, QImage::Format_ARGB32);
            shot.setDevicePixelRatio(scale);
            shot.fill(Qt::white);
            QPainter painter(&shot);
            table->viewport()->render(&painter);
            painter.end();
            const auto rowArea = [&](int r) {
                const QRect rect = table->visualRect(model->index(r, LocationTableModel::MainCell));
                return QRect(rect.topLeft() * scale, rect.size() * scale);
            };
            QVERIFY2(badgePixels(shot, rowArea(row)) > 150 * scale * scale,
                     qPrintable(QString::number(scale)));
            QCOMPARE(badgePixels(shot, rowArea(locationRow(app, work))), 0);
        }

        snap(app, "references");
        // Opened again, the item shows the flag as checked.
        menu = UA::rightClickCell(table, model->index(row, LocationTableModel::MainCell));
        QVERIFY(menu);
        QVERIFY(menu->findChild<QAction*>(QStringLiteral("useAsReferenceMenu"))->isChecked());
        QTest::keyClick(menu, Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activePopupWidget(), Long);

        scanToResults(app);
        const QList<QByteArrayList> sets = setsOf(app.delegate.review()->modal());
        QCOMPARE(sets.size(), 4);
        QVERIFY(UA::click(app.w<QWidget>("markAll")));
        quint64 marked = 0;
        for (const ExtensionsPtr& group : app.delegate.review()->modal()->extensions()) {
            for (const SetPtr& set : group->sets()) {
                int refs = 0;
                int unmarked = 0;
                for (const FilePtr& file : set->files()) {
                    const bool isRef = inside(file->filePath(), ref);
                    refs += isRef ? 1 : 0;
                    unmarked += file->state() == MarkState::Unmarked ? 1 : 0;
                    if (isRef) {
                        QCOMPARE(file->state(), MarkState::Unmarked); // never marked
                    }
                    marked += file->state() != MarkState::Unmarked ? 1 : 0;
                }
                // References are the kept ones; elsewhere exactly one stays.
                QCOMPARE(unmarked, refs > 0 ? refs : 1);
            }
        }
        // work/a.txt, work/sub/a2.txt, one .dat, work/p.jpg; nothing of the reference-only set.
        QCOMPARE(marked, quint64(4));
        QCOMPARE(app.w<QLabel>("selectedCount")->text(), QStringLiteral("Marked Duplicate Files: 4"));

        // The file box refuses a reference copy and says why.
        const QModelIndex setRow = outlineSetRow(app, ref + "/a.txt");
        QVERIFY(setRow.isValid());
        auto* outline = app.w<QTreeView>("OView2");
        UA::clickCell(outline, setRow);
        auto* files = app.w<QTableView>("resultTable");
        SetFilesModel* filesModel = app.delegate.review()->filesModel();
        int refRow = -1;
        for (int r = 0; r < filesModel->rowCount(); ++r) {
            if (filesModel->index(r, 0).data(SetFilesModel::PathRole).toByteArray() == ref + "/a.txt") {
                refRow = r;
            }
        }
        QVERIFY(refRow >= 0);
        QSignalSpy shown(app.delegate.review(), &ReviewController::informationShown);
        UA::clickCell(files, filesModel->index(refRow, SetFilesModel::ButtonCell));
        InformationWindow* information = app.delegate.informationWindow();
        QTRY_VERIFY_WITH_TIMEOUT(information->isVisible(), Long);
        QCOMPARE(information->line(0)->text(), QString::fromLatin1(ReferenceMarking::RefusalText));
        QVERIFY(UA::click(information->button()));
        QCOMPARE(app.delegate.review()->modal()->totalFilesSelected(), quint64(4));

        // The outline's boxes: a set's box marks its copies outside the
        // reference folder only, and clears them again; the group of the
        // reference-only set has nothing its box could mark.
        QVERIFY(UA::click(app.w<QWidget>("unMarkAll")));
        const QModelIndex setBox = setRow.siblingAtColumn(ResultOutlineModel::Check);
        UA::clickCell(outline, setBox);
        const SetPtr setA = app.delegate.review()->outlineModel()->setAt(setRow);
        for (const FilePtr& file : setA->files()) {
            QCOMPARE(file->state() != MarkState::Unmarked, !inside(file->filePath(), ref));
        }
        UA::clickCell(outline, setBox);
        QCOMPARE(app.delegate.review()->modal()->totalFilesSelected(), quint64(0));
        const QModelIndex onlyReferences = outlineSetRow(app, ref + "/r1.bin").parent();
        QVERIFY(onlyReferences.isValid());
        UA::clickCell(outline, onlyReferences.siblingAtColumn(ResultOutlineModel::Check));
        for (const SetPtr& set : app.delegate.review()->outlineModel()->extensionAt(onlyReferences)->sets()) {
            for (const FilePtr& file : set->files()) {
                QVERIFY(!inside(file->filePath(), ref) || file->state() == MarkState::Unmarked);
            }
        }
        QVERIFY(UA::click(app.w<QWidget>("markAll")));
        QCOMPARE(app.delegate.review()->modal()->totalFilesSelected(), quint64(4));

        QVERIFY(UA::click(app.w<QWidget>("finishButton")));
        QTRY_VERIFY_WITH_TIMEOUT(information->isVisible() && information->line(0)->text().startsWith(
                                                                 QLatin1String("Duplicates Cleaned")),
                                 Long);
        QCOMPARE(information->line(0)->text(), QStringLiteral("Duplicates Cleaned: 4"));
        for (const QByteArray& path :
             {ref + "/a.txt", ref + "/r1.bin", ref + "/deep/r2.bin", ref + "/p.jpg"}) {
            QVERIFY2(TreeBuilder::exists(path), path.constData());
        }
        QVERIFY(!TreeBuilder::exists(work + "/a.txt") && !TreeBuilder::exists(work + "/sub/a2.txt"));
        verifyLiveCopies(sets);
        QVERIFY(UA::click(information->button()));
    }

    // Every rule of the menu, on sets with ties in dates and in path lengths,
    // and the folder rule through the folder dialog.
    void ruleMenuWithTies()
    {
        const QByteArray tree = freshFolder("rules");
        // Dates: one oldest, two newest with the same date.
        QVERIFY(write(tree + "/n/one.txt", "dated\n") && write(tree + "/n/two.txt", "dated\n") &&
                write(tree + "/n/six.txt", "dated\n"));
        QVERIFY(setModified(tree + "/n/one.txt", 1000000) && setModified(tree + "/n/two.txt", 3000000) &&
                setModified(tree + "/n/six.txt", 3000000));
        // Paths: two of the same shortest length, one longer; dates all alike.
        QVERIFY(write(tree + "/p/aa.dat", QByteArray(900, 'd')) &&
                write(tree + "/p/bb.dat", QByteArray(900, 'd')) &&
                write(tree + "/p/longer.dat", QByteArray(900, 'd')));
        for (const char* name : {"/p/aa.dat", "/p/bb.dat", "/p/longer.dat"}) {
            QVERIFY(setModified(tree + name, 2000000));
        }
        // The folder rule.
        QVERIFY(write(tree + "/keep/x.bin", QByteArray(1200, 'x')) &&
                write(tree + "/other/x.bin", QByteArray(1200, 'x')));

        AppHarness app;
        launch(app);
        scanFolders(app, {tree});
        QCOMPARE(setsOf(app.delegate.review()->modal()).size(), 3);
        QSignalSpy applied(app.delegate.ruleMarking(), &RuleMarkingController::ruleApplied);

        const std::pair<const char*, KeepRule::Kind> rules[] = {
            {"keepNewestRule", KeepRule::Kind::Newest},
            {"keepOldestRule", KeepRule::Kind::Oldest},
            {"keepShortestPathRule", KeepRule::Kind::ShortestPath},
            {"keepLongestPathRule", KeepRule::Kind::LongestPath},
            {"keepFirstRule", KeepRule::Kind::First},
        };
        for (const auto& [item, kind] : rules) {
            markByRule(app, item, kind == KeepRule::Kind::Newest ? "rules" : nullptr);
            QCOMPARE(keptFiles(app), expectedKept(app, kind));
            // Every set keeps one file; the others are marked.
            QCOMPARE(app.delegate.review()->modal()->totalFilesSelected(), quint64(2 + 2 + 1));
            QVERIFY(app.w<QWidget>("unMarkAll")->isEnabled());
        }
        // The ties: among equal dates and equal lengths the file met first stays.
        QCOMPARE(applied.count(), 5);

        markByRule(app, "keepInsideFolderRule");
        QFileDialog* dialog = UA::activeFileDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->objectName(), QStringLiteral("keepFolderDialog"));
        QVERIFY(UA::typePath(dialog, QFile::decodeName(tree + "/keep")));
        QVERIFY(UA::accept(dialog));
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), Long);
        QCOMPARE(applied.count(), 6);
        QCOMPARE(keptFiles(app), expectedKept(app, KeepRule::Kind::InsideFolder, tree + "/keep"));
        bool keptInside = false;
        for (const QByteArrayList& kept : keptFiles(app)) {
            keptInside = keptInside || kept == QByteArrayList{tree + "/keep/x.bin"};
        }
        QVERIFY(keptInside);
    }

    // The outline's context menu applies a rule to one set or one group only.
    void outlineRuleItems()
    {
        const QByteArray tree = freshFolder("outline");
        QVERIFY(write(tree + "/a/old.txt", "first\n") && write(tree + "/a/new.txt", "first\n"));
        QVERIFY(setModified(tree + "/a/old.txt", 1000000) && setModified(tree + "/a/new.txt", 5000000));
        QVERIFY(write(tree + "/b/x.txt", "second\n") && write(tree + "/b/longer-name.txt", "second\n"));
        QVERIFY(write(tree + "/c/y.dat", QByteArray(800, 'y')) &&
                write(tree + "/c/much-longer-y.dat", QByteArray(800, 'y')));

        AppHarness app;
        launch(app);
        scanFolders(app, {tree});
        QVERIFY(UA::click(app.w<QWidget>("markAll")));
        const QList<QByteArrayList> before = keptFiles(app);
        auto* outline = app.w<QTreeView>("OView2");

        // One set: the oldest of the first text set.
        const QModelIndex setRow = outlineSetRow(app, tree + "/a/old.txt");
        QVERIFY(setRow.isValid());
        QMenu* menu = UA::rightClickCell(outline, setRow);
        QVERIFY(menu);
        QVERIFY(UA::chooseItem(menu, QStringLiteral("keepOldestRule")));
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activePopupWidget(), Long);
        QList<QByteArrayList> after = keptFiles(app);
        for (qsizetype i = 0; i < after.size(); ++i) {
            if (after.at(i).contains(tree + "/a/old.txt") || after.at(i).contains(tree + "/a/new.txt")) {
                QCOMPARE(after.at(i), QByteArrayList{tree + "/a/old.txt"});
            } else {
                QCOMPARE(after.at(i), before.at(i)); // untouched
            }
        }

        // One group: the longest path in every set of the .dat group only.
        const QModelIndex groupRow = setRow.parent();
        ResultOutlineModel* model = app.delegate.review()->outlineModel();
        QModelIndex datGroup;
        for (int g = 0; g < model->rowCount(); ++g) {
            const QModelIndex group = model->index(g, ResultOutlineModel::Name);
            if (group != groupRow) {
                datGroup = group;
            }
        }
        QVERIFY(datGroup.isValid());
        const QList<QByteArrayList> beforeGroup = keptFiles(app);
        menu = UA::rightClickCell(outline, datGroup);
        QVERIFY(menu);
        QVERIFY(UA::chooseItem(menu, QStringLiteral("keepLongestPathRule")));
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activePopupWidget(), Long);
        after = keptFiles(app);
        for (qsizetype i = 0; i < after.size(); ++i) {
            if (after.at(i).first().endsWith(".dat")) {
                QCOMPARE(after.at(i), QByteArrayList{tree + "/c/much-longer-y.dat"});
            } else {
                QCOMPARE(after.at(i), beforeGroup.at(i));
            }
        }
        QCOMPARE(app.w<QLabel>("selectedCount")->text(),
                 QStringLiteral("Marked Duplicate Files: %1")
                     .arg(app.delegate.review()->modal()->totalFilesSelected()));
    }

    // A clean-up from the command line while the window is open counts too;
    // then the home command puts the window's clean-up back byte for byte
    // (a name that is not UTF-8 included) off the UI thread, and the home
    // page shows the lowered totals.
    void restoreFromHome()
    {
        const QByteArray tree = freshFolder("restore");
        const QByteArray latin = tree + "/caf\xe9.txt";
        QVERIFY(write(tree + "/one.txt", "restore me\n") && write(latin, "restore me\n") &&
                write(tree + "/sub/one copy.txt", "restore me\n"));
        QVERIFY(write(tree + "/big.bin", QByteArray(4000, 'b')) &&
                write(tree + "/gone/big.bin", QByteArray(4000, 'b')));
        const QByteArray other = freshFolder("commandline");
        QVERIFY(write(other + "/c1.txt", "from the command line\n") &&
                write(other + "/c2.txt", "from the command line\n"));

        // A journal of its own: only this test's clean-ups are in it.
        const QByteArray state = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", freshFolder("state"));
        const auto restoreState = qScopeGuard([state] { qputenv("XDG_STATE_HOME", state); });
        AppHarness app;
        launch(app);
        StatisticsStore& store = app.delegate.store();
        const qint64 countAtStart = store.alreadyDeletedCount();
        const quint64 sizeAtStart = store.alreadyDeletedSize();
        scanFolders(app, {tree});
        QHash<QByteArray, QByteArray> contents;
        for (const QByteArrayList& set : setsOf(app.delegate.review()->modal())) {
            for (const QByteArray& path : set) {
                contents.insert(path, TreeBuilder::readBytes(path));
            }
        }

        // Another process cleans while the window is open.
        QProcess cli;
        cli.start(QStringLiteral(TIDEMARK_CLI_PATH), {QStringLiteral("clean"), QFile::decodeName(other)});
        QVERIFY(cli.waitForFinished(Long));
        QCOMPARE(cli.exitCode(), 0);
        StatisticsStore afterCommandLine;
        afterCommandLine.loadDataFile(app.delegate.appSupportPath());
        QCOMPARE(afterCommandLine.alreadyDeletedCount(), countAtStart + 1);
        const quint64 sizeBeforeWindow = afterCommandLine.alreadyDeletedSize();

        // The shortest path stays: the name that is not UTF-8 and the file
        // in the folder "gone" go.
        markByRule(app, "keepShortestPathRule");
        QCOMPARE(app.delegate.review()->modal()->totalFilesSelected(), quint64(3));
        QVERIFY(UA::click(app.w<QWidget>("finishButton")));
        InformationWindow* information = app.delegate.informationWindow();
        QTRY_VERIFY_WITH_TIMEOUT(information->isVisible() && information->line(0)->text().startsWith(
                                                                 QLatin1String("Duplicates Cleaned")),
                                 Long);
        QVERIFY(UA::click(information->button()));
        // The window added to what the command line wrote, not over it.
        StatisticsStore reread;
        reread.loadDataFile(app.delegate.appSupportPath());
        QCOMPARE(reread.alreadyDeletedCount(), countAtStart + 1 + 3);
        const quint64 sizeAfterClean = reread.alreadyDeletedSize();
        QVERIFY(!TreeBuilder::exists(latin) && !TreeBuilder::exists(tree + "/sub/one copy.txt"));
        // A folder that emptied is taken away in between.
        QCOMPARE(::rmdir((tree + "/gone").constData()), 0);

        QVERIFY(UA::click(app.w<QWidget>("buttonHomeExactPage")));
        QCOMPARE(app.page(), QStringLiteral("1"));
        auto* history = app.w<QLabel>("cleanHistory");
        QTRY_VERIFY_WITH_TIMEOUT(history->isVisible(), Long);
        QCOMPARE(history->text(), reread.cleanedSoFarText());

        // Held before its first file: the window goes on, the progress shows.
        RestoreController* restore = app.delegate.restoreCommands();
        QSemaphore gate;
        restore->setBeforeEachFile([&gate] { gate.acquire(); });
        QVERIFY(UA::click(app.w<QWidget>("restoreLastCleanup")));
        QMessageBox* question = UA::messageBox(&app.window, QStringLiteral("restoreQuestion"));
        QVERIFY(question);
        QVERIFY(UA::answer(question, QStringLiteral("YES")));
        QTRY_VERIFY_WITH_TIMEOUT(restore->progressDialog() && restore->progressDialog()->isVisible(), Long);
        QVERIFY(!app.w<QWidget>("restoreLastCleanup")->isEnabled());
        QVERIFY(restore->running());
        gate.release(1000);
        QMessageBox* report = UA::messageBox(&app.window, QStringLiteral("restoreReport"));
        QVERIFY(report);
        QCOMPARE(report->informativeText(),
                 QStringLiteral("Restored 3 of 3 files (%1).")
                     .arg(Formatting::getFormattedStringForSize(sizeAfterClean - sizeBeforeWindow)));
        QVERIFY(UA::answer(report, QStringLiteral("Ok")));
        restore->setBeforeEachFile({});

        for (auto it = contents.cbegin(); it != contents.cend(); ++it) {
            QVERIFY2(TreeBuilder::exists(it.key()), it.key().constData());
            QCOMPARE(TreeBuilder::readBytes(it.key()), it.value());
        }
        reread.loadDataFile(app.delegate.appSupportPath());
        QCOMPARE(reread.alreadyDeletedCount(), countAtStart + 1);
        QTRY_COMPARE_WITH_TIMEOUT(history->text(), reread.cleanedSoFarText(), Long);
        QCOMPARE(store.alreadyDeletedCount(), countAtStart + 1);

        // Then the command line's clean-up, and then nothing more, said so.
        const auto restoreOnce = [&] {
            if (!UA::click(app.w<QWidget>("restoreLastCleanup")) ||
                !UA::answer(UA::messageBox(&app.window, QStringLiteral("restoreQuestion")),
                            QStringLiteral("YES"))) {
                return QString();
            }
            QMessageBox* box = UA::messageBox(&app.window, QStringLiteral("restoreReport"));
            const QString text = box ? box->informativeText() : QString();
            return box && UA::answer(box, QStringLiteral("Ok")) ? text : QString();
        };
        QTRY_VERIFY_WITH_TIMEOUT(!app.window.findChild<QMessageBox*>(QStringLiteral("restoreReport")), Long);
        QCOMPARE(restoreOnce(),
                 QStringLiteral("Restored 1 of 1 files (%1).")
                     .arg(Formatting::getFormattedStringForSize(sizeBeforeWindow - sizeAtStart)));
        QVERIFY(TreeBuilder::exists(other + "/c1.txt") && TreeBuilder::exists(other + "/c2.txt"));
        QTRY_VERIFY_WITH_TIMEOUT(!app.window.findChild<QMessageBox*>(QStringLiteral("restoreReport")), Long);
        QCOMPARE(restoreOnce(), QStringLiteral("There is no clean-up to restore."));
        QCOMPARE(store.alreadyDeletedCount(), countAtStart);
    }

    // A file standing where a trashed one was is never written over: the
    // report names it and says why, the rest comes back, and the totals go
    // down by what came back only.
    void restoreReportsWhatStayed()
    {
        const QByteArray state = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", freshFolder("state"));
        const auto restoreState = qScopeGuard([state] { qputenv("XDG_STATE_HOME", state); });
        const QByteArray tree = freshFolder("stayed");
        QVERIFY(write(tree + "/a.txt", "kept or not\n") && write(tree + "/b/a.txt", "kept or not\n") &&
                write(tree + "/c/a.txt", "kept or not\n"));
        AppHarness app;
        launch(app);
        scanFolders(app, {tree});
        markByRule(app, "keepShortestPathRule");
        QVERIFY(UA::click(app.w<QWidget>("finishButton")));
        InformationWindow* information = app.delegate.informationWindow();
        QTRY_VERIFY_WITH_TIMEOUT(information->isVisible() && information->line(0)->text().startsWith(
                                                                 QLatin1String("Duplicates Cleaned")),
                                 Long);
        QCOMPARE(information->line(0)->text(), QStringLiteral("Duplicates Cleaned: 2"));
        QVERIFY(UA::click(information->button()));
        const qint64 countAfterClean = app.delegate.store().alreadyDeletedCount();
        QVERIFY(write(tree + "/b/a.txt", "someone else's new file\n"));
        QVERIFY(UA::click(app.w<QWidget>("buttonHomeExactPage")));

        QVERIFY(UA::click(app.w<QWidget>("restoreLastCleanup")));
        QVERIFY(UA::answer(UA::messageBox(&app.window, QStringLiteral("restoreQuestion")),
                           QStringLiteral("YES")));
        QMessageBox* report = UA::messageBox(&app.window, QStringLiteral("restoreReport"));
        QVERIFY(report);
        const QString text = report->informativeText();
        QVERIFY2(text.startsWith(QLatin1String("Restored 1 of 2 files")), qPrintable(text));
        QVERIFY2(
            text.contains(QLatin1String("Not restored:\n") + QFile::decodeName(tree + "/b/a.txt") + ": "),
            qPrintable(text));
        QVERIFY(report->detailedText().contains(QFile::decodeName(tree + "/b/a.txt")));
        QCOMPARE(report->icon(), QMessageBox::Warning);
        QVERIFY(UA::answer(report, QStringLiteral("Ok")));
        QCOMPARE(TreeBuilder::readBytes(tree + "/b/a.txt"), QByteArray("someone else's new file\n"));
        QCOMPARE(TreeBuilder::readBytes(tree + "/c/a.txt"), QByteArray("kept or not\n"));
        QCOMPARE(app.delegate.store().alreadyDeletedCount(), countAfterClean - 1);
    }

    // "Save Results": the save dialog writes JSON and CSV with the marks as
    // the keep flags; a large result is written off the UI thread behind a
    // progress dialog; a file that cannot be written is reported.
    void saveResultsBothFormats()
    {
        const QByteArray tree = freshFolder("save");
        QVERIFY(write(tree + "/s1.txt", "saved\n") && write(tree + "/s2.txt", "saved\n") &&
                write(tree + "/x.bin", QByteArray(600, 'x')) &&
                write(tree + "/y,z.bin", QByteArray(600, 'x')));
        AppHarness app;
        launch(app);
        scanFolders(app, {tree});
        QVERIFY(UA::click(app.w<QWidget>("markAll")));
        const QByteArray out = freshFolder("saved");
        ResultSaveController* save = app.delegate.saveCommands();
        QSignalSpy saved(save, &ResultSaveController::saved);

        // JSON: the format picked in the dialog's type box; the name gets its suffix.
        QVERIFY(UA::click(app.w<QWidget>("saveResults")));
        QFileDialog* dialog = UA::activeFileDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->objectName(), QStringLiteral("saveResultsDialog"));
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(types);
        types->setFocus();
        QTest::keyClick(types, Qt::Key_Down);
        QCOMPARE(dialog->selectedNameFilter(), ResultSaveController::JsonFilter);
        QVERIFY(UA::typePath(dialog, QFile::decodeName(out + "/result")));
        QVERIFY(UA::accept(dialog));
        QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 1, Long);
        QCOMPARE(saved.last().first().toString(), QFile::decodeName(out + "/result.json"));
        const QJsonObject root =
            QJsonDocument::fromJson(TreeBuilder::readBytes(out + "/result.json")).object();
        QCOMPARE(root.value("totalFiles").toInt(), 2);
        int keptCount = 0;
        int files = 0;
        for (const QJsonValue group : root.value("groups").toArray()) {
            for (const QJsonValue set : group.toObject().value("sets").toArray()) {
                for (const QJsonValue file : set.toObject().value("files").toArray()) {
                    ++files;
                    keptCount += file.toObject().value("keep").toBool() ? 1 : 0;
                }
            }
        }
        QCOMPARE(files, 4);
        QCOMPARE(keptCount, 2); // Mark All kept one of each set

        // CSV, the dialog's first format.
        QVERIFY(UA::click(app.w<QWidget>("saveResults")));
        dialog = UA::activeFileDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->selectedNameFilter(), ResultSaveController::CsvFilter);
        QVERIFY(UA::typePath(dialog, QFile::decodeName(out + "/result.csv")));
        QVERIFY(UA::accept(dialog));
        QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 2, Long);
        const QByteArray csv = TreeBuilder::readBytes(out + "/result.csv");
        QVERIFY(csv.startsWith("set,group,category,path,size,modified,keep\r\n"));
        QCOMPARE(csv.count('\n'), 5);
        QVERIFY(csv.contains("\"" + tree + "/y,z.bin\""));
        QCOMPARE(csv.count(",yes\r\n"), 2);

        // Off the UI thread: held before it writes, the progress is up and
        // the window goes on; released, the file is there.
        save->setThreadAbove(0);
        QSemaphore gate;
        save->setBeforeWrite([&gate] { gate.acquire(); });
        QVERIFY(UA::click(app.w<QWidget>("saveResults")));
        dialog = UA::activeFileDialog();
        QVERIFY(dialog);
        QVERIFY(UA::typePath(dialog, QFile::decodeName(out + "/threaded.csv")));
        QVERIFY(UA::accept(dialog));
        QTRY_VERIFY_WITH_TIMEOUT(save->progressDialog() && save->progressDialog()->isVisible(), Long);
        QVERIFY(save->running());
        QCOMPARE(saved.count(), 2);
        gate.release();
        QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 3, Long);
        QCOMPARE(TreeBuilder::readBytes(out + "/threaded.csv"), csv);
        save->setBeforeWrite({});

        // A folder that went away meanwhile: told, nothing half written.
        QSignalSpy failed(save, &ResultSaveController::saveFailed);
        save->save(QFile::decodeName(out + "/missing/r.csv"), ResultExport::Format::Csv);
        QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, Long);
        QMessageBox* alert = UA::messageBox(&app.window, QStringLiteral("saveFailedAlert"));
        QVERIFY(alert);
        QVERIFY(alert->informativeText().startsWith(QLatin1String("The results could not be saved")));
        QVERIFY(UA::answer(alert, QStringLiteral("Ok")));
    }

    // A clean-up whose journal cannot be written is done, and the report
    // says it cannot be undone.
    void journalErrorReported()
    {
        const QByteArray tree = freshFolder("journal");
        QVERIFY(write(tree + "/j1.txt", "journal\n") && write(tree + "/j2.txt", "journal\n"));
        const QByteArray state = qgetenv("XDG_STATE_HOME");
        const QByteArray blocked = freshFolder("blockedstate");
        QVERIFY(write(blocked + "/Tidemark", "a file where the journal's folder should be"));
        qputenv("XDG_STATE_HOME", blocked);
        const auto restoreState = qScopeGuard([state] { qputenv("XDG_STATE_HOME", state); });
        AppHarness app;
        launch(app);
        scanFolders(app, {tree});
        QVERIFY(UA::click(app.w<QWidget>("markAll")));
        QVERIFY(UA::click(app.w<QWidget>("finishButton")));
        InformationWindow* information = app.delegate.informationWindow();
        QTRY_VERIFY_WITH_TIMEOUT(information->isVisible() && information->line(0)->text().startsWith(
                                                                 QLatin1String("Duplicates Cleaned")),
                                 Long);
        QCOMPARE(information->line(0)->text(), QStringLiteral("Duplicates Cleaned: 1"));
        QVERIFY2(information->line(2)->text().contains(QLatin1String("cannot be undone")),
                 qPrintable(information->line(2)->text()));
        QVERIFY(UA::click(information->button()));
        verifyLiveCopies({{tree + "/j1.txt", tree + "/j2.txt"}});
    }
};

QTEST_MAIN(TstCleanupWindow)
#include "tst_cleanupwindow.moc"
