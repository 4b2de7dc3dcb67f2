#include "review/ResultOutlineModel.h"
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
        group->setTotalFilesInExtension(group->totalFilesInExtension() + s->totalFilesInSet());
        group->setTotalFilesInExtensionSize(group->totalFilesInExtensionSize() + s->totalFilesInSetSize());
    }
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
        ResultOutlineModel model;
        QAbstractItemModelTester tester(&model, Mode::QtTest);
        const ModalPtr modal = sampleTree();
        model.setTree(modal);
        model.setData(model.index(0, ResultOutlineModel::Check), Qt::Checked, Qt::CheckStateRole);
        const QModelIndex pdf = model.index(1, 0);
        model.setData(model.index(0, ResultOutlineModel::Check, pdf), Qt::Checked, Qt::CheckStateRole);
        modal->unmarkAllExtension();
        model.refresh();
        model.setTree(nullptr);
        QCOMPARE(model.rowCount(), 0);
    }

    void outlineShowsGroupsAndSets()
    {
        ResultOutlineModel model;
        const ModalPtr modal = sampleTree();
        model.setTree(modal);
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
        ResultOutlineModel model;
        const ModalPtr modal = sampleTree();
        model.setTree(modal);
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
        ResultOutlineModel model;
        const ModalPtr modal = sampleTree();
        model.setTree(modal);
        const ExtensionsPtr group = modal->extensions().at(0);
        const SetPtr three = group->sets().at(0);
        // One file of a set of three marked, as the file table would do it.
        modal->changeStateOfExtension(group, three, three->files().at(1));
        model.refresh();
        const QModelIndex jpg = model.index(0, 0);
        QCOMPARE(checkOf(model.index(0, 0, jpg)), Qt::PartiallyChecked);
        QCOMPARE(checkOf(jpg), Qt::PartiallyChecked);

        // A mixed group box marks all its sets.
        QVERIFY(model.setData(jpg.siblingAtColumn(1), Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(checkOf(jpg), Qt::Checked);
        QCOMPARE(checkOf(model.index(0, 0, jpg)), Qt::Checked);
        QCOMPARE(three->files().at(0)->state(), 0);
    }

    void setBoxTogglesOneSet()
    {
        ResultOutlineModel model;
        const ModalPtr modal = sampleTree();
        model.setTree(modal);
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

        ResultOutlineModel model;
        model.setTree(modal);
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
        SetFilesModel model;
        QAbstractItemModelTester tester(&model, Mode::QtTest);
        const SetPtr set = setOf("x", {3, 1, 2});
        model.setSet(set, 1);
        model.setSortOrder(SetFilesModel::SortKey::Name, false);
        set->markAllFiles();
        model.refresh();
        model.setSet(nullptr, 0);
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
        SetFilesModel model;
        model.setSortOrder(key, ascending);
        model.setSet(set, 1);
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
        SetFilesModel model;
        model.setSortOrder(SetFilesModel::SortKey::Name, true);
        model.setSet(set, 2);
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
        set->changeStateOfFile(set->files().at(1));
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.refresh();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(1).value<QModelIndex>(), model.index(1, SetFilesModel::ButtonCell));
        QCOMPARE(box.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
    }

    void invalidUtf8NamesShowReplacement()
    {
        const QByteArray folder = "/r/d\xff";
        const SetPtr set = ExactDetector::setOfFileDetailsFrom(
            {File::create(folder + "/caf\xe9.jpg", 1), File::create("/r/ok", 1)});
        SetFilesModel model;
        model.setSortOrder(SetFilesModel::SortKey::Name, false);
        model.setSet(set, 1);
        QCOMPARE(model.index(1, SetFilesModel::NameText).data().toString(), QStringLiteral("caf\uFFFD.jpg"));
        QCOMPARE(model.index(1, SetFilesModel::FileLocation).data().toString(), QStringLiteral("/r/d\uFFFD"));
        QCOMPARE(model.index(1, 0).data(SetFilesModel::PathRole).toByteArray(), folder + "/caf\xe9.jpg");

        ResultOutlineModel outline;
        const ModalPtr modal = Modal::create();
        addGroup(modal, "j\xe9g", {set});
        outline.setTree(modal);
        QCOMPARE(outline.index(0, 0).data().toString(), QStringLiteral("j\uFFFDg"));
    }
};

QTEST_GUILESS_MAIN(TestResultModels)
#include "tst_resultmodels.moc"
