#include "review/ResultOutlineModel.h"
#include "review/ResultStore.h"
#include "review/SetFilesModel.h"
#include "scan/ExactDetector.h"
#include "scan/Modal.h"

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
            addGroup(modal, "g" + QByteArray::number(g), g == groups - 1 ? QList<SetPtr>{set} : QList<SetPtr>{});
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
private Q_SLOTS:
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
