#include "TestSupport.h"
#include "TreeBuilder.h"
#include "review/DeletionRun.h"
#include "review/ExceptionList.h"
#include "review/ResultOutlineModel.h"
#include "review/ResultStore.h"
#include "review/SetFilesModel.h"
#include "scan/ExactDetector.h"
#include "scan/Modal.h"
#include "scan/ScanRun.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

namespace {

using Mode = QAbstractItemModelTester::FailureReportingMode;

// A set of files under /r/<group>/ with the given sizes, as detection builds it.
SetPtr setOf(const QByteArray& dir, const QList<quint64>& sizes)
{
    QList<FilePtr> files;
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        files.append(File::create("/r/" + dir + "/f" + QByteArray::number(i), sizes.at(i)));
    }
    return ExactDetector::setOfFileDetailsFrom(files);
}

// Adds a group with the sets and keeps every total consistent.
ExtensionsPtr addGroup(const ModalPtr& modal, const QByteArray& name, const QList<SetPtr>& sets)
{
    const ExtensionsPtr group = Extensions::initWithName(name);
    for (const SetPtr& s : sets) {
        group->addSet(s);
    }
    group->calculateTotalFilesAndSize();
    modal->addExtension(group);
    modal->calculateTotalFilesAndSize();
    return group;
}

// jpg: Set(2), Set(1); pdf: Set(1); txt: no sets.
ModalPtr sampleTree()
{
    const ModalPtr modal = Modal::create();
    addGroup(modal, "jpg", {setOf("a", {5, 5, 5}), setOf("b", {7, 7})});
    addGroup(modal, "pdf", {setOf("c", {9, 9})});
    addGroup(modal, "txt", {});
    return modal;
}

Qt::CheckState checkOf(const QModelIndex& i)
{
    return i.siblingAtColumn(1).data(Qt::CheckStateRole).value<Qt::CheckState>();
}

// A store showing `modal` as the results of a scan (under All).
void showTree(ResultStore& store, const ModalPtr& modal)
{
    ScanResults results;
    results.modal = modal;
    store.setResults(results);
}

// A store showing one set, alone in its group, and the table over it.
struct OneSet
{
    explicit OneSet(const SetPtr& set, int groups = 1)
    {
        const ModalPtr modal = Modal::create();
        for (int g = 0; g < groups; ++g) {
            addGroup(modal, "g" + QByteArray::number(g),
                     g == groups - 1 ? QList<SetPtr>{set} : QList<SetPtr>{});
        }
        showTree(store, modal);
    }
    ResultStore store;
};

// The rows' files as their stored positions in the set.
QList<int> displayedPositions(const SetFilesModel& m)
{
    QList<int> out;
    for (int r = 0; r < m.rowCount(); ++r) {
        out.append(int(m.set()->files().indexOf(m.fileAt(r))));
    }
    return out;
}

} // namespace

class TestResultModels : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<TempRoot> m_root;
    QHash<QByteArray, QByteArray> m_contents; // path -> bytes written

    // Real files, scanned for real: jpg sets of three and two copies, txt
    // sets of three and two, and a pdf without a copy.
    ScanResults scanRealTree()
    {
        m_root = std::make_unique<TempRoot>();
        const QList<QPair<QByteArray, QByteArrayList>> copies = {
            {"sunrise picture", {"a/one.jpg", "b/one.jpg", "c/one.jpg"}},
            {"harbour picture!", {"a/two.jpg", "b/two.jpg"}},
            {"minutes of the meeting", {"a/notes.txt", "b/notes.txt", "c/notes.txt"}},
            {"shopping list, long one", {"a/list.txt", "c/list.txt"}},
            {"a report with no twin", {"a/alone.pdf"}},
        };
        m_contents.clear();
        for (const char* dir : {"a", "b", "c"}) {
            QDir().mkpath(QFile::decodeName(*m_root / dir));
        }
        for (const auto& [bytes, paths] : copies) {
            for (const QByteArray& rel : paths) {
                const QByteArray path = *m_root / rel;
                if (!TreeBuilder::writeBytes(path, bytes)) {
                    return {};
                }
                m_contents.insert(path, bytes);
            }
        }
        ScanRun run;
        run.start({LocationEntry(m_root->path, true, true)});
        run.wait();
        return run.results();
    }

    // Every set keeps a copy on disk, outside the Trash, with its bytes.
    void verifyLiveCopies(const Modal& modal)
    {
        for (const ExtensionsPtr& group : modal.extensions()) {
            for (const SetPtr& set : group->sets()) {
                bool live = false;
                for (const FilePtr& f : set->files()) {
                    live = live || TreeBuilder::readBytes(f->filePath()) == m_contents.value(f->filePath());
                }
                QVERIFY2(live,
                         set->files().isEmpty() ? "empty set" : set->files().first()->filePath().constData());
            }
        }
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(TestSupport::isolateUserFolders(m_home)); }

    // Marking, the exception move and a deletion, all through the store, on
    // a real scan: both models stay valid under the model tester at every
    // step and show what the tree holds.
    void modelsFollowTheStore()
    {
        const ScanResults results = scanRealTree();
        QVERIFY(results.modal);
        ResultStore store;
        ResultOutlineModel outline(&store);
        SetFilesModel files(&store);
        QAbstractItemModelTester outlineTester(&outline, Mode::Fatal);
        QAbstractItemModelTester filesTester(&files, Mode::Fatal);
        store.setResults(results);
        QCOMPARE(outline.rowCount(), 2); // jpg and txt; the pdf has no copy
        const int jpg = outline.index(0, 0).data().toString() == QLatin1String("jpg") ? 0 : 1;
        const int txt = 1 - jpg;
        const QModelIndex jpgRow = outline.index(jpg, 0);
        QCOMPARE(outline.rowCount(jpgRow), 2);
        const int three = outline.index(0, 0, jpgRow).data().toString() == QLatin1String("Set(2)") ? 0 : 1;
        files.setSortOrder(SetFilesModel::SortKey::Name, false);
        files.showSet(jpg, three);
        QCOMPARE(files.rowCount(), 3);

        // One file: its row, its set's row and its group's row follow.
        QSignalSpy filesChanged(&files, &QAbstractItemModel::dataChanged);
        const FilePtr second = store.setAt(jpg, three)->files().at(1);
        QCOMPARE(store.changeStateOfFile(jpg, three, second), MarkingRules::FileClick::Marked);
        QCOMPARE(filesChanged.count(), 1);
        const int secondRow = int(second->index());
        QCOMPARE(filesChanged.at(0).at(0).value<QModelIndex>(),
                 files.index(secondRow, SetFilesModel::ButtonCell));
        QCOMPARE(files.index(secondRow, SetFilesModel::ButtonCell)
                     .data(Qt::CheckStateRole)
                     .value<Qt::CheckState>(),
                 Qt::Checked);
        QCOMPARE(checkOf(outline.index(three, 0, jpgRow)), Qt::PartiallyChecked);
        QCOMPARE(checkOf(jpgRow), Qt::PartiallyChecked);

        // The set rule refuses the last unmarked copy; nothing moves.
        const FilePtr third = store.setAt(jpg, three)->files().at(2);
        QCOMPARE(store.changeStateOfFile(jpg, three, third), MarkingRules::FileClick::Marked);
        filesChanged.clear();
        QCOMPARE(store.changeStateOfFile(jpg, three, store.setAt(jpg, three)->files().at(0)),
                 MarkingRules::FileClick::Refused);
        QCOMPARE(filesChanged.count(), 0);

        // Mark all, then take the jpg sets to the exceptions in slices.
        store.markAll();
        QCOMPARE(checkOf(outline.index(txt, 0)), Qt::Checked);
        for (int r = 0; r < files.rowCount(); ++r) {
            const bool first = files.fileAt(r) == store.setAt(jpg, three)->files().first();
            QCOMPARE(
                files.index(r, SetFilesModel::ButtonCell).data(Qt::CheckStateRole).value<Qt::CheckState>(),
                first ? Qt::Unchecked : Qt::Checked);
        }
        store.changeStateOfGroup(txt); // the txt sets stay for the deletion
        QCOMPARE(checkOf(outline.index(txt, 0)), Qt::Unchecked);
        QSignalSpy removedRows(&files, &QAbstractItemModel::rowsRemoved);
        QSignalSpy taken(&store, &ResultStore::markedFilesTaken);
        QSignalSpy finished(&store, &ResultStore::exceptionMoveFinished);
        store.setSetsPerSlice(1);
        QVERIFY(store.startExceptionMove());
        QVERIFY(store.exceptionMoveRunning());
        // While the move runs, marks stay as they are.
        const quint64 selectedDuringMove = store.tree()->totalFilesSelected();
        store.unmarkAll();
        QCOMPARE(store.tree()->totalFilesSelected(), selectedDuringMove);
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(taken.count(), 2); // one slice per marked set
        QCOMPARE(finished.at(0).at(0).value<qsizetype>(), 3);
        QCOMPARE(files.rowCount(), 1);
        QCOMPARE(removedRows.count(), 1); // the set's two marked files were neighbouring rows or not
        QCOMPARE(outline.index(three, 0, jpgRow).data().toString(), QStringLiteral("Set(0)"));
        QCOMPARE(checkOf(jpgRow), Qt::Unchecked);
        QCOMPARE(store.tree()->totalFilesSelected(), 0u);
        for (const QList<QVariant>& slice : std::as_const(taken)) {
            for (const QByteArray& path : slice.at(0).value<QByteArrayList>()) {
                QVERIFY(path.endsWith(".jpg"));
                QVERIFY(TreeBuilder::exists(path)); // nothing on disk is touched
            }
        }

        // Delete the marked txt copies through a real Trash run.
        files.showSet(txt, 0);
        const int shownBefore = files.rowCount();
        store.changeStateOfGroup(txt);
        const quint64 marked = store.tree()->totalFilesSelected();
        QCOMPARE(marked, 3u);
        DeletionRun run(*store.tree());
        run.start();
        run.wait();
        removedRows.clear();
        const RemovalResult removal = store.forgetRemoved(run.takeRemoved());
        QCOMPARE(removal.deletedFilesCount, marked);
        QCOMPARE(files.rowCount(), 1);
        QCOMPARE(removedRows.count() >= 1, shownBefore > 1);
        QCOMPARE(checkOf(outline.index(txt, 0)), Qt::Unchecked);
        QCOMPARE(store.tree()->totalFilesSelected(), 0u);
        for (int s = 0; s < outline.rowCount(outline.index(txt, 0)); ++s) {
            QCOMPARE(outline.index(s, 0, outline.index(txt, 0)).data().toString(), QStringLiteral("Set(0)"));
        }
        verifyLiveCopies(*store.tree());
        const QByteArrayList trashed = TestSupport::trashedNames(qgetenv("XDG_DATA_HOME") + "/Trash");
        QCOMPARE(trashed.size(), 3);

        // A new result resets both models.
        QSignalSpy outlineReset(&outline, &QAbstractItemModel::modelReset);
        store.clear();
        QCOMPARE(outlineReset.count(), 1);
        QCOMPARE(outline.rowCount(), 0);
        QCOMPARE(files.rowCount(), 0);
    }

    // A long list is written off the UI thread; a write asked for later
    // (here: emptying the list) still wins, whichever finishes first.
    void laterListWriteWins()
    {
        TempRoot folder;
        ExceptionList list;
        list.load(folder.path);
        QByteArrayList paths;
        for (int i = 0; i < ExceptionList::BackgroundWriteFrom + 10; ++i) {
            paths << "/r/some/folder/file" + QByteArray::number(i) + ".jpg";
        }
        list.reserve(paths.size());
        list.appendPaths(paths);
        list.appendPaths(paths.mid(0, 10)); // repeats are dropped
        QCOMPARE(list.exceptionArrayData().size(), paths.size());
        list.save();
        list.removeAll();
        QTRY_VERIFY(!list.writing());
        QVERIFY(list.lastWriteSucceeded());
        ExceptionList reread;
        reread.load(folder.path);
        QVERIFY(reread.loadedCleanly());
        QVERIFY(reread.isEmpty());

        list.appendPaths(paths);
        list.save();
        QTRY_VERIFY(!list.writing());
        reread.load(folder.path);
        QCOMPARE(reread.exceptionArrayData(), paths);
    }

    // A move cut short by a new result still hands over every path it took.
    void newResultsFinishARunningMove()
    {
        const ModalPtr modal = sampleTree();
        ResultStore store;
        showTree(store, modal);
        store.markAll();
        store.setSetsPerSlice(1);
        QByteArrayList paths;
        connect(&store, &ResultStore::markedFilesTaken, this,
                [&paths](const QByteArrayList& p) { paths += p; });
        QSignalSpy finished(&store, &ResultStore::exceptionMoveFinished);
        QVERIFY(store.startExceptionMove());
        QVERIFY(store.exceptionMoveRunning());
        store.setResults({});
        QVERIFY(!store.exceptionMoveRunning());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(paths.size(), 4); // 2 of the jpg set of three, 1 and 1 of the pairs
        QCOMPARE(modal->totalFilesSelected(), 0u);
        QCOMPARE(store.tree()->extensionCount(), 0u);
    }

    void outlinePassesModelTester()
    {
        ResultStore store;
        ResultOutlineModel model(&store);
        QAbstractItemModelTester tester(&model, Mode::QtTest);
        const ModalPtr modal = sampleTree();
        showTree(store, modal);
        model.setData(model.index(0, ResultOutlineModel::Check), Qt::Checked, Qt::CheckStateRole);
        const QModelIndex pdf = model.index(1, 0);
        model.setData(model.index(0, ResultOutlineModel::Check, pdf), Qt::Checked, Qt::CheckStateRole);
        store.unmarkAll();
        store.clear();
        QCOMPARE(model.rowCount(), 0);
    }

    void outlineShowsGroupsAndSets()
    {
        ResultStore store;
        ResultOutlineModel model(&store);
        const ModalPtr modal = sampleTree();
        showTree(store, modal);
        QCOMPARE(model.rowCount(), 3);
        const QModelIndex jpg = model.index(0, 0);
        QCOMPARE(jpg.data().toString(), QStringLiteral("jpg"));
        QCOMPARE(model.rowCount(jpg), 2);
        QCOMPARE(model.rowCount(model.index(2, 0)), 0);
        QVERIFY(!model.hasChildren(model.index(2, 0)));
        const QModelIndex second = model.index(1, 0, jpg);
        QCOMPARE(second.data().toString(), QStringLiteral("Set(1)"));
        QCOMPARE(model.index(0, 0, jpg).data().toString(), QStringLiteral("Set(2)"));
        QCOMPARE(model.parent(second), jpg);
        QCOMPARE(model.setAt(second), modal->extensions().at(0)->sets().at(1));
        QCOMPARE(model.extensionAt(second), modal->extensions().at(0));
        QVERIFY(!model.setAt(jpg));
        QCOMPARE(model.rowCount(second), 0); // a set has no children
        QCOMPARE(checkOf(jpg), Qt::Unchecked);
        QVERIFY(model.flags(second.siblingAtColumn(1)) & Qt::ItemIsUserCheckable);
        QVERIFY(!(model.flags(second) & Qt::ItemIsEditable));
    }

    void groupBoxMarksAndUnmarksEverySet()
    {
        ResultStore store;
        ResultOutlineModel model(&store);
        const ModalPtr modal = sampleTree();
        showTree(store, modal);
        QSignalSpy marks(&model, &ResultOutlineModel::marksChanged);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        const QModelIndex jpg = model.index(0, 0);

        QVERIFY(model.setData(jpg.siblingAtColumn(1), Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(marks.count(), 1);
        QCOMPARE(checkOf(jpg), Qt::Checked);
        for (int r = 0; r < model.rowCount(jpg); ++r) {
            QCOMPARE(checkOf(model.index(r, 0, jpg)), Qt::Checked);
        }
        QCOMPARE(checkOf(model.index(1, 0)), Qt::Unchecked); // pdf untouched
        QCOMPARE(modal->totalFilesSelected(), 3u);           // 2 + 1, first files kept
        // The view hears of the group row and of every one of its set rows.
        bool sawSets = false;
        for (const QList<QVariant>& args : std::as_const(changed)) {
            const auto from = args.at(0).value<QModelIndex>();
            const auto to = args.at(1).value<QModelIndex>();
            if (from.parent() == jpg && from.row() == 0 && to.row() == 1 && to.column() == 1) {
                sawSets = true;
            }
        }
        QVERIFY(sawSets);

        QVERIFY(model.setData(jpg.siblingAtColumn(1), Qt::Unchecked, Qt::CheckStateRole));
        QCOMPARE(checkOf(jpg), Qt::Unchecked);
        QCOMPARE(checkOf(model.index(0, 0, jpg)), Qt::Unchecked);
        QCOMPARE(modal->totalFilesSelected(), 0u);
        QCOMPARE(marks.count(), 2);
    }

    void partlyMarkedStatesShowMixed()
    {
        ResultStore store;
        ResultOutlineModel model(&store);
        const ModalPtr modal = sampleTree();
        showTree(store, modal);
        const ExtensionsPtr group = modal->extensions().at(0);
        const SetPtr three = group->sets().at(0);
        // One file of a set of three marked, as the file table would do it.
        QCOMPARE(store.changeStateOfFile(0, 0, three->files().at(1)), MarkingRules::FileClick::Marked);
        const QModelIndex jpg = model.index(0, 0);
        QCOMPARE(checkOf(model.index(0, 0, jpg)), Qt::PartiallyChecked);
        QCOMPARE(checkOf(jpg), Qt::PartiallyChecked);

        // A mixed group box marks all its sets.
        QVERIFY(model.setData(jpg.siblingAtColumn(1), Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(checkOf(jpg), Qt::Checked);
        QCOMPARE(checkOf(model.index(0, 0, jpg)), Qt::Checked);
        QCOMPARE(three->files().at(0)->state(), MarkState::Unmarked);
    }

    void setBoxTogglesOneSet()
    {
        ResultStore store;
        ResultOutlineModel model(&store);
        const ModalPtr modal = sampleTree();
        showTree(store, modal);
        const QModelIndex jpg = model.index(0, 0);
        const QModelIndex first = model.index(0, 1, jpg);
        QVERIFY(model.setData(first, Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(checkOf(first), Qt::Checked);
        QCOMPARE(checkOf(model.index(1, 0, jpg)), Qt::Unchecked);
        QCOMPARE(checkOf(jpg), Qt::PartiallyChecked);
        QCOMPARE(modal->totalFilesSelected(), 2u);
        QVERIFY(model.setData(first, Qt::Unchecked, Qt::CheckStateRole));
        QCOMPARE(checkOf(jpg), Qt::Unchecked);
        QCOMPARE(modal->totalFilesSelected(), 0u);
        // The name column is not a check box.
        QVERIFY(!model.setData(first.siblingAtColumn(0), Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(modal->totalFilesSelected(), 0u);
    }

    void hundredThousandSets()
    {
        constexpr int Sets = 100000;
        const FilePtr a = File::create("/r/a", 1);
        const FilePtr b = File::create("/r/b", 1);
        const ExtensionsPtr group = Extensions::initWithName("jpg");
        group->sets().reserve(Sets);
        for (int i = 0; i < Sets; ++i) {
            const SetPtr s = Set::create();
            s->files() = {a, b}; // sharing files is enough for the outline
            group->addSet(s);
        }
        const ModalPtr modal = Modal::create();
        modal->addExtension(Extensions::initWithName("bmp"));
        modal->addExtension(group);

        ResultStore store;
        ResultOutlineModel model(&store);
        showTree(store, modal);
        const QModelIndex jpg = model.index(1, 0);
        QCOMPARE(model.rowCount(jpg), Sets);
        const QModelIndex last = model.index(Sets - 1, 0, jpg);
        QVERIFY(last.isValid());
        QCOMPARE(last.data().toString(), QStringLiteral("Set(1)"));
        QCOMPARE(model.parent(last), jpg);
        QCOMPARE(model.setAt(last), group->sets().last());
        QVERIFY(!model.index(Sets, 0, jpg).isValid());
        QCOMPARE(model.setAt(model.index(50000, 1, jpg)), group->sets().at(50000));
    }

    void fileTablePassesModelTester()
    {
        const SetPtr set = setOf("x", {3, 1, 2});
        OneSet shown(set);
        SetFilesModel model(&shown.store);
        QAbstractItemModelTester tester(&model, Mode::QtTest);
        model.showSet(0, 0);
        model.setSortOrder(SetFilesModel::SortKey::Name, false);
        shown.store.markSet(0, 0, true);
        model.showSet(-1, -1);
        QCOMPARE(model.rowCount(), 0);
    }

    void fileTableOrder_data()
    {
        QTest::addColumn<SetFilesModel::SortKey>("key");
        QTest::addColumn<bool>("ascending");
        QTest::addColumn<QList<int>>("order"); // stored positions, top row first
        // Stored: 0 "b.txt" 30 B, 1 "C.txt" 10 B, 2 "a.txt" 20 B, 3 "d.txt" 20 B.
        using K = SetFilesModel::SortKey;
        QTest::newRow("size up") << K::Size << true << QList<int>{1, 2, 3, 0};
        QTest::newRow("size down, ties stored") << K::Size << false << QList<int>{0, 2, 3, 1};
        QTest::newRow("name up, case folded") << K::Name << true << QList<int>{2, 0, 1, 3};
        QTest::newRow("name down") << K::Name << false << QList<int>{3, 1, 0, 2};
        QTest::newRow("modified up") << K::ModifiedDate << true << QList<int>{3, 2, 1, 0};
        QTest::newRow("created down") << K::CreatedDate << false << QList<int>{0, 1, 2, 3};
        QTest::newRow("dimension as size") << K::Dimension << true << QList<int>{1, 2, 3, 0};
    }

    void fileTableOrder()
    {
        QFETCH(SetFilesModel::SortKey, key);
        QFETCH(bool, ascending);
        QFETCH(QList<int>, order);
        const QList<FilePtr> stored = {
            File::create("/r/b.txt", 30, 400, 4), File::create("/r/C.txt", 10, 300, 3),
            File::create("/r/a.txt", 20, 200, 2), File::create("/r/d.txt", 20, 100, 1)};
        const SetPtr set = ExactDetector::setOfFileDetailsFrom(stored);
        OneSet shown(set);
        SetFilesModel model(&shown.store);
        model.setSortOrder(key, ascending);
        model.showSet(0, 0);
        QCOMPARE(displayedPositions(model), order);
        QCOMPARE(set->files(), stored);
        for (int r = 0; r < model.rowCount(); ++r) {
            QCOMPARE(model.fileAt(r)->index(), quint64(r));
            QCOMPARE(model.index(r, 0).data(SetFilesModel::FileRole).value<File*>(), model.fileAt(r).data());
        }
        // Re-sorting the shown set renumbers in place.
        model.setSortOrder(SetFilesModel::SortKey::Size, true);
        QCOMPARE(displayedPositions(model), (QList<int>{1, 2, 3, 0}));
        QCOMPARE(stored.at(0)->index(), 3u);
        QCOMPARE(set->files(), stored);
    }

    void fileTableColumns()
    {
        const SetPtr set = ExactDetector::setOfFileDetailsFrom(
            {File::create("/home/u/pics/one.jpg", 4), File::create("/two.jpg", 4)});
        // The set is second under its group.
        const ModalPtr modal = Modal::create();
        addGroup(modal, "jpg", {setOf("other", {1, 1}), set});
        ResultStore store;
        showTree(store, modal);
        SetFilesModel model(&store);
        model.setSortOrder(SetFilesModel::SortKey::Name, true);
        model.showSet(0, 1);
        QCOMPARE(model.columnCount(), 4);
        QCOMPARE(model.index(0, SetFilesModel::NameText).data().toString(), QStringLiteral("one.jpg"));
        QCOMPARE(model.index(0, SetFilesModel::FileLocation).data().toString(),
                 QStringLiteral("/home/u/pics"));
        QCOMPARE(model.index(1, SetFilesModel::FileLocation).data().toString(), QStringLiteral("/"));
        QCOMPARE(model.index(1, SetFilesModel::FileGroup).data().toString(), QStringLiteral("2"));
        QCOMPARE(model.index(0, 0).data(SetFilesModel::PathRole).toByteArray(),
                 QByteArray("/home/u/pics/one.jpg"));

        const QModelIndex box = model.index(1, SetFilesModel::ButtonCell);
        QCOMPARE(box.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
        QVERIFY(model.flags(box) & Qt::ItemIsUserCheckable);
        // The box only asks, with its row; the window applies the set rule.
        QSignalSpy asked(&model, &SetFilesModel::checkNotif);
        QVERIFY(model.setData(box, Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(asked.count(), 1);
        QCOMPARE(asked.at(0).at(0).toLongLong(), 1);
        QCOMPARE(box.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QCOMPARE(store.changeStateOfFile(0, 1, set->files().at(1)), MarkingRules::FileClick::Marked);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(1).value<QModelIndex>(), model.index(1, SetFilesModel::ButtonCell));
        QCOMPARE(box.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
    }

    void invalidUtf8NamesShowReplacement()
    {
        const QByteArray folder = "/r/d\xff";
        const SetPtr set = ExactDetector::setOfFileDetailsFrom(
            {File::create(folder + "/caf\xe9.jpg", 1), File::create("/r/ok", 1)});
        const ModalPtr modal = Modal::create();
        addGroup(modal, "j\xe9g", {set});
        ResultStore store;
        showTree(store, modal);
        SetFilesModel model(&store);
        model.setSortOrder(SetFilesModel::SortKey::Name, false);
        model.showSet(0, 0);
        QCOMPARE(model.index(1, SetFilesModel::NameText).data().toString(), QStringLiteral("caf\uFFFD.jpg"));
        QCOMPARE(model.index(1, SetFilesModel::FileLocation).data().toString(), QStringLiteral("/r/d\uFFFD"));
        QCOMPARE(model.index(1, 0).data(SetFilesModel::PathRole).toByteArray(), folder + "/caf\xe9.jpg");

        ResultOutlineModel outline(&store);
        QCOMPARE(outline.index(0, 0).data().toString(), QStringLiteral("j\uFFFDg"));
    }
};

QTEST_GUILESS_MAIN(TestResultModels)
#include "tst_resultmodels.moc"
