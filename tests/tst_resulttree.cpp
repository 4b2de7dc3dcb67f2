#include "ResultTreeAccess.h"
#include "TreeBuilder.h"
#include "scan/Modal.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Totals then selected totals: the same four numbers at every level.
struct Counters
{
    quint64 total = 0, totalSize = 0, selected = 0, selectedSize = 0;
    friend bool operator==(const Counters&, const Counters&) = default;
};

char* toString(const Counters& c)
{
    return qstrdup(QByteArray("{" + QByteArray::number(c.total) + "/" + QByteArray::number(c.totalSize) +
                              ", selected " + QByteArray::number(c.selected) + "/" +
                              QByteArray::number(c.selectedSize) + "}"));
}

Counters of(const Set& s)
{
    return {s.totalFilesInSet(), s.totalFilesInSetSize(), s.totalFilesSelectedInSet(),
            s.totalFilesSelectedInSetSize()};
}
Counters of(const Extensions& e)
{
    return {e.totalFilesInExtension(), e.totalFilesInExtensionSize(), e.totalFilesSelectedInExtension(),
            e.totalFilesSelectedInExtensionSize()};
}
Counters of(const Modal& m)
{
    return {m.totalFiles(), m.totalFilesSize(), m.totalFilesSelected(), m.totalFilesSelectedSize()};
}

const auto buildSet = TreeBuilder::buildSet;

SetPtr setOfSizes(const QList<quint64>& sizes)
{
    QList<FilePtr> files;
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        files.append(File::create("/nonexistent/f" + QByteArray::number(i), sizes.at(i)));
    }
    return buildSet(files);
}

const auto buildExt = TreeBuilder::buildExt;
const auto buildRoot = TreeBuilder::buildRoot;
const auto writeBytes = TreeBuilder::writeBytes;
const auto readBytes = TreeBuilder::readBytes;
const auto exists = TreeBuilder::exists;

QByteArray content(char seed, int size = 3000)
{
    QByteArray data(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i) {
        data[i] = static_cast<char>(seed + i * 7);
    }
    return data;
}

enum Tamper
{
    None,
    Delete,
    FlipByte,
    Append,
    Symlink
};

} // namespace

class TstResultTree : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QByteArray m_trash;
    int m_seq = 0;

    // Real files next to the home Trash, so GIO trashes them there.
    QList<FilePtr> realFiles(const QTemporaryDir& dir, const QList<QByteArray>& contents)
    {
        QList<FilePtr> files;
        ++m_seq;
        for (qsizetype i = 0; i < contents.size(); ++i) {
            const QByteArray path = QFile::encodeName(dir.path()) + "/r" + QByteArray::number(m_seq) + "_" +
                                    QByteArray::number(i) + ".bin";
            if (!writeBytes(path, contents.at(i))) {
                qFatal("cannot write %s", path.constData());
            }
            files.append(File::create(path, contents.at(i).size()));
        }
        return files;
    }
    QByteArray trashed(const FilePtr& f) const { return m_trash + "/files/" + f->fileName(); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        const QByteArray home = QFile::encodeName(m_home.path());
        QCOMPARE(::mkdir((home + "/data").constData(), 0700), 0);
        // Before the first GIO call: GIO caches the data folder for the process.
        qputenv("HOME", home);
        qputenv("XDG_DATA_HOME", home + "/data");
        m_trash = home + "/data/Trash";
    }

    void setMarking_data()
    {
        QTest::addColumn<QList<quint64>>("sizes");
        QTest::addColumn<QList<int>>("toggles");
        QTest::addColumn<QList<qint64>>("states");
        QTest::addColumn<quint64>("selected");
        QTest::addColumn<quint64>("selectedSize");

        const QList<quint64> three{100, 20, 3};
        QTest::newRow("three: one, two, all")
            << three << QList<int>{1, 2, 0} << QList<qint64>{-1, 1, 0} << quint64(3) << quint64(123);
        QTest::newRow("three: keep the last")
            << three << QList<int>{0, 1} << QList<qint64>{-1, 1} << quint64(2) << quint64(120);
        QTest::newRow("three: mark, unmark")
            << three << QList<int>{2, 2} << QList<qint64>{-1, 0} << quint64(0) << quint64(0);
        QTest::newRow("two: both") << QList<quint64>{5, 9} << QList<int>{1, 0} << QList<qint64>{1, 0}
                                   << quint64(2) << quint64(14);
        QTest::newRow("one file") << QList<quint64>{7} << QList<int>{0} << QList<qint64>{0} << quint64(1)
                                  << quint64(7);
        QTest::newRow("four: back from full") << QList<quint64>{1, 2, 4, 8} << QList<int>{1, 2, 3, 3}
                                              << QList<qint64>{-1, -1, 1, -1} << quint64(2) << quint64(6);
    }

    // File toggles through the root keep set, extension and root in step.
    void setMarking()
    {
        QFETCH(QList<quint64>, sizes);
        QFETCH(QList<int>, toggles);
        QFETCH(QList<qint64>, states);
        QFETCH(quint64, selected);
        QFETCH(quint64, selectedSize);

        SetPtr set = setOfSizes(sizes);
        ExtensionsPtr ext = buildExt("jpg", {set});
        ModalPtr root = buildRoot({ext});
        for (qsizetype k = 0; k < toggles.size(); ++k) {
            const FilePtr& f = set->files().at(toggles.at(k));
            const bool wasMarked = isMarked(f->state());
            root->changeStateOfExtension(ext, set, f);
            QCOMPARE(f->state(), wasMarked ? MarkState::Unmarked : MarkState::Marked);
            QCOMPARE(markValue(set->setsState()), states.at(k));
            QCOMPARE(ext->extensionState(), states.at(k) == 0 ? MarkState::Unmarked : MarkState::Marked);
        }
        const Counters expected{quint64(sizes.size() - 1), set->totalFilesInSetSize(), selected,
                                selectedSize};
        QCOMPARE(of(*set), expected);
        QCOMPARE(of(*ext), expected);
        QCOMPARE(of(*root), expected);
    }

    void setSelfState_data()
    {
        QTest::addColumn<int>("files");
        QTest::addColumn<quint64>("selected");
        QTest::addColumn<qint64>("state");
        QTest::addColumn<QString>("name");

        // n - 1 is unsigned: for an empty set it is the largest value.
        const QString wrapped = QStringLiteral("Set(18446744073709551615)");
        QTest::newRow("empty") << 0 << quint64(0) << qint64(0) << wrapped;
        QTest::newRow("empty, stale count") << 0 << quint64(3) << qint64(-1) << wrapped;
        QTest::newRow("empty, count at n-1")
            << 0 << std::numeric_limits<quint64>::max() << qint64(1) << wrapped;
        QTest::newRow("one file") << 1 << quint64(0) << qint64(0) << "Set(0)";
        QTest::newRow("one file, one mark") << 1 << quint64(1) << qint64(0) << "Set(0)";
        QTest::newRow("three, none") << 3 << quint64(0) << qint64(0) << "Set(2)";
        QTest::newRow("three, one") << 3 << quint64(1) << qint64(-1) << "Set(2)";
        QTest::newRow("three, two") << 3 << quint64(2) << qint64(1) << "Set(2)";
        QTest::newRow("three, all") << 3 << quint64(3) << qint64(0) << "Set(2)";
        QTest::newRow("three, over") << 3 << quint64(9) << qint64(0) << "Set(2)";
    }

    void setSelfState()
    {
        QFETCH(int, files);
        QFETCH(quint64, selected);
        QFETCH(qint64, state);
        QFETCH(QString, name);

        SetPtr set = setOfSizes(QList<quint64>(files, 1));
        ResultTreeAccess::setTotalFilesSelectedInSet(*set, selected);
        QCOMPARE(markValue(set->determineSelfState()), state);
        QCOMPARE(set->nameOfSet(), name);
    }

    void setMarkAllEdges()
    {
        SetPtr set = setOfSizes({100, 20, 3});
        set->changeStateOfFile(set->files().at(0));
        set->markAllFiles();
        QCOMPARE(set->files().at(0)->state(), MarkState::Unmarked);
        QCOMPARE(set->files().at(1)->state(), MarkState::Marked);
        QCOMPARE(set->files().at(2)->state(), MarkState::Marked);
        QCOMPARE(of(*set), (Counters{2, 23, 2, 23}));
        QCOMPARE(set->setsState(), MarkState::Marked);

        set->unmarkAllFiles();
        for (const FilePtr& f : set->files()) {
            QCOMPARE(f->state(), MarkState::Unmarked);
        }
        QCOMPARE(of(*set), (Counters{2, 23, 0, 0}));
        QCOMPARE(set->setsState(), MarkState::Unmarked);

        // Fewer than two files: its file is left alone, yet the set reads as marked.
        SetPtr single = setOfSizes({7});
        ResultTreeAccess::setState(*single->files().at(0), MarkState::Marked);
        single->markAllFiles();
        QCOMPARE(single->files().at(0)->state(), MarkState::Marked);
        QCOMPARE(of(*single), Counters{});
        QCOMPARE(single->setsState(), MarkState::Marked);

        // Unmarking with the count already at 0 must not wrap it.
        SetPtr pair = setOfSizes({10, 10});
        ResultTreeAccess::setState(*pair->files().at(1), MarkState(5)); // any non-zero value is a mark
        pair->changeStateOfFile(pair->files().at(1));
        QCOMPARE(pair->files().at(1)->state(), MarkState::Unmarked);
        QCOMPARE(of(*pair), (Counters{1, 10, 0, 0}));
        QCOMPARE(pair->setsState(), MarkState::Unmarked);
    }

    void extensionStates()
    {
        SetPtr a = setOfSizes({1, 2, 4});
        SetPtr b = setOfSizes({8, 16, 32});
        ExtensionsPtr ext = buildExt("png", {a, b});
        ModalPtr root = buildRoot({ext});

        // Partly marked sets alone make the group read as marked...
        root->changeStateOfExtension(ext, a, a->files().at(1));
        QCOMPARE(ext->extensionState(), MarkState::Mixed);
        root->changeStateOfExtension(ext, b, b->files().at(2));
        QCOMPARE(a->setsState(), MarkState::Mixed);
        QCOMPARE(b->setsState(), MarkState::Mixed);
        QCOMPARE(ext->extensionState(), MarkState::Marked);
        QCOMPARE(of(*root), (Counters{4, 54, 2, 34}));

        // ...so its check box now clears everything.
        root->changeStateOfExtension(ext);
        for (const SetPtr& s : {a, b}) {
            QCOMPARE(s->setsState(), MarkState::Unmarked);
            for (const FilePtr& f : s->files()) {
                QCOMPARE(f->state(), MarkState::Unmarked);
            }
        }
        QCOMPARE(ext->extensionState(), MarkState::Unmarked);
        QCOMPARE(of(*ext), (Counters{4, 54, 0, 0}));
        QCOMPARE(of(*root), (Counters{4, 54, 0, 0}));

        // Set check boxes: 0 and -1 mark all but the first, 1 clears.
        root->changeStateOfExtension(ext, a);
        QCOMPARE(a->setsState(), MarkState::Marked);
        QCOMPARE(ext->extensionState(), MarkState::Mixed);
        QCOMPARE(of(*root), (Counters{4, 54, 2, 6}));
        root->changeStateOfExtension(ext, b, b->files().at(0));
        root->changeStateOfExtension(ext, b);
        QCOMPARE(b->files().at(0)->state(), MarkState::Unmarked);
        QCOMPARE(b->setsState(), MarkState::Marked);
        QCOMPARE(ext->extensionState(), MarkState::Marked);
        QCOMPARE(of(*root), (Counters{4, 54, 4, 54}));
        root->changeStateOfExtension(ext, a);
        QCOMPARE(a->setsState(), MarkState::Unmarked);
        QCOMPARE(ext->extensionState(), MarkState::Mixed);
        QCOMPARE(of(*root), (Counters{4, 54, 2, 48}));

        // Stored set states are trusted, not recomputed.
        ResultTreeAccess::setSetsState(*a, MarkState::Marked);
        QCOMPARE(ext->determineSelfState(), MarkState::Marked);

        ExtensionsPtr empty = Extensions::initWithName("gif");
        QCOMPARE(empty->determineSelfState(), MarkState::Marked);
        empty->changeState();
        QCOMPARE(empty->extensionState(), MarkState::Marked);
        empty->changeState();
        QCOMPARE(empty->extensionState(), MarkState::Unmarked);
        ResultTreeAccess::setExtensionState(*empty, MarkState(5));
        empty->changeState();
        QCOMPARE(empty->extensionState(), MarkState(5));
    }

    void addAndLookUp()
    {
        SetPtr set = Set::create();
        set->addFiles(File::create("/x/a", 10));
        set->addFiles(File::create("/x/b", 10));
        QCOMPARE(of(*set), Counters{});
        QCOMPARE(set->setsState(), MarkState::Unmarked);
        ExtensionsPtr first = Extensions::initWithName("jpg");
        first->addSet(set);
        QCOMPARE(first->nummberOfSets(), 1u);
        QCOMPARE(of(*first), Counters{});

        ExtensionsPtr upper = Extensions::initWithName("JPG");
        ExtensionsPtr again = Extensions::initWithName("jpg");
        ResultTreeAccess::setTotalFilesInExtension(*upper, 4);
        ModalPtr root = Modal::create();
        root->addExtension(first);
        root->addExtensionFromArray({upper, again});
        QCOMPARE(root->extensionCount(), 3u);
        QCOMPARE(root->extensionsArray(), (QList<ExtensionsPtr>{first, upper, again}));
        QCOMPARE(of(*root), Counters{});

        QCOMPARE(root->getExtensionWithName("jpg"), first);
        QCOMPARE(root->getExtensionWithName("JPG"), upper);
        QVERIFY(!root->getExtensionWithName("Jpg"));
        QVERIFY(!root->getExtensionWithName("jp"));
    }

    void rootMarkAll()
    {
        ExtensionsPtr jpg = buildExt("jpg", {setOfSizes({100, 100, 100}), setOfSizes({5, 5})});
        ExtensionsPtr png = buildExt("png", {setOfSizes({7, 7, 7, 7})});
        ModalPtr root = buildRoot({jpg, png});
        QCOMPARE(of(*root), (Counters{6, 226, 0, 0}));

        root->markAllExtension();
        QCOMPARE(root->totalFilesSelected(), root->totalFiles());
        QCOMPARE(root->totalFilesSelectedSize(), root->totalFilesSize());
        for (const ExtensionsPtr& e : root->extensions()) {
            QCOMPARE(e->extensionState(), MarkState::Marked);
            for (const SetPtr& s : e->sets()) {
                QCOMPARE(s->setsState(), MarkState::Marked);
                QCOMPARE(s->files().first()->state(), MarkState::Unmarked);
            }
        }

        // Totals are recomputed on their own; the marks stay.
        ResultTreeAccess::setTotalFilesInExtension(*png, 2);
        root->calculateTotalFilesAndSize();
        QCOMPARE(of(*root), (Counters{5, 226, 6, 226}));

        root->unmarkAllExtension();
        QCOMPARE(of(*root), (Counters{5, 226, 0, 0}));
        QCOMPARE(of(*jpg), (Counters{3, 205, 0, 0}));
        for (const ExtensionsPtr& e : root->extensions()) {
            QCOMPARE(e->extensionState(), MarkState::Unmarked);
            for (const SetPtr& s : e->sets()) {
                QCOMPARE(s->setsState(), MarkState::Unmarked);
                for (const FilePtr& f : s->files()) {
                    QCOMPARE(f->state(), MarkState::Unmarked);
                }
            }
        }
    }

    void sharedExtension()
    {
        SetPtr set = setOfSizes({10, 10, 10});
        ExtensionsPtr jpg = buildExt("jpg", {set});
        ModalPtr category = buildRoot({jpg});
        ModalPtr combined = Modal::create();
        combined->addExtensionFromArray(category->extensions());
        combined->calculateTotalFilesAndSize();

        combined->changeStateOfExtension(jpg, set, set->files().at(2));
        combined->changeStateOfExtension(jpg, set, set->files().at(1));
        const ExtensionsPtr seen = category->getExtensionWithName("jpg");
        QCOMPARE(seen->extensionState(), MarkState::Marked);
        QCOMPARE(seen->sets().first()->setsState(), MarkState::Marked);
        QCOMPARE(seen->sets().first()->files().at(1)->state(), MarkState::Marked);
        QCOMPARE(of(*combined), (Counters{2, 20, 2, 20}));
        QCOMPARE(of(*category), (Counters{2, 20, 0, 0}));
    }

    void exceptionMove()
    {
        SetPtr s = setOfSizes({10, 11, 12, 13});
        SetPtr t = setOfSizes({50, 50});
        ExtensionsPtr ext = buildExt("raw", {s, t});
        ModalPtr root = buildRoot({ext});
        const QList<FilePtr> before = s->files();
        root->changeStateOfExtension(ext, s, before.at(3));
        root->changeStateOfExtension(ext, s, before.at(1));
        root->changeStateOfExtension(ext, t, t->files().at(1));
        QCOMPARE(of(*root), (Counters{4, 86, 3, 74}));

        const QByteArrayList paths = root->addSelectedFilesToExceptionInSet(s, ext);
        QCOMPARE(paths, (QByteArrayList{before.at(1)->filePath(), before.at(3)->filePath()}));
        QCOMPARE(s->files(), (QList<FilePtr>{before.at(0), before.at(2)}));
        QCOMPARE(of(*s), (Counters{3, 36, 0, 0}));
        QCOMPARE(of(*ext), (Counters{4, 86, 1, 50}));
        QCOMPARE(of(*root), (Counters{4, 86, 1, 50}));
        QCOMPARE(s->setsState(), MarkState::Unmarked);
        QCOMPARE(ext->extensionState(), MarkState::Mixed);
        QCOMPARE(ext->nummberOfSets(), 2u);
    }

    void removeToTrash()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        SetPtr s = buildSet(realFiles(dir, {content('a'), content('a'), content('a')}));
        SetPtr t = buildSet(realFiles(dir, {content('b', 50), content('b', 50)}));
        ExtensionsPtr ext = buildExt("bin", {s, t});
        ModalPtr root = buildRoot({ext});
        const QList<FilePtr> files = s->files();
        root->changeStateOfExtension(ext, s, files.at(1));
        root->changeStateOfExtension(ext, s, files.at(2));
        root->changeStateOfExtension(ext, t, t->files().at(1));
        QCOMPARE(of(*root), (Counters{3, 6050, 3, 6050}));

        const RemovalResult r = root->removeSelectedFilesInSet(s, ext);
        QCOMPARE(r.deletedFilesCount, 2u);
        QCOMPARE(r.deletedFilesSize, 6000u);
        QCOMPARE(s->files(), QList<FilePtr>{files.at(0)});
        QCOMPARE(s->nameOfSet(), QStringLiteral("Set(0)"));
        QCOMPARE(s->setsState(), MarkState::Unmarked);
        QCOMPARE(of(*s), Counters{});
        QCOMPARE(of(*ext), (Counters{1, 50, 1, 50}));
        QCOMPARE(of(*root), (Counters{1, 50, 1, 50}));
        QCOMPARE(ext->nummberOfSets(), 2u);
        QVERIFY(exists(files.at(0)->filePath()));
        for (int i : {1, 2}) {
            QVERIFY(!exists(files.at(i)->filePath()));
            QCOMPARE(readBytes(trashed(files.at(i))), content('a'));
            const QByteArray info = readBytes(m_trash + "/info/" + files.at(i)->fileName() + ".trashinfo");
            QVERIFY(info.startsWith("[Trash Info]"));
        }

        const RemovalResult r2 = root->removeSelectedFilesInSet(t, ext);
        QCOMPARE(r2.deletedFilesCount, 1u);
        QCOMPARE(r2.deletedFilesSize, 50u);
        QCOMPARE(of(*root), Counters{});
        QCOMPARE(ext->extensionState(), MarkState::Unmarked);
        QCOMPARE(ext->nummberOfSets(), 2u);
        QCOMPARE(root->extensionCount(), 1u);
    }

    void removeNonUtf8Name()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QByteArray base = QFile::encodeName(dir.path()) + "/";
        const QByteArray name("caf\xe9.jpg");
        QVERIFY(writeBytes(base + "cafe.jpg", content('c')));
        QVERIFY(writeBytes(base + name, content('c')));
        SetPtr set = buildSet({File::create(base + "cafe.jpg", 3000), File::create(base + name, 3000)});
        ExtensionsPtr ext = buildExt("jpg", {set});
        ModalPtr root = buildRoot({ext});
        const FilePtr odd = set->files().at(1);
        QCOMPARE(odd->fileName(), name);
        root->changeStateOfExtension(ext, set, odd);

        QCOMPARE(root->removeSelectedFilesInSet(set, ext).deletedFilesCount, 1u);
        QVERIFY(!exists(base + name));
        QCOMPARE(readBytes(m_trash + "/files/" + name), content('c'));
        QVERIFY(exists(m_trash + "/info/" + name + ".trashinfo"));
        // QTemporaryDir cannot remove names that are not UTF-8.
        ::unlink((m_trash + "/files/" + name).constData());
        ::unlink((m_trash + "/info/" + name + ".trashinfo").constData());
    }

    void removalSafety_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("marked");
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("tamper");
        QTest::addColumn<QList<int>>("gone");

        const QList<int> both{1, 2};
        QTest::newRow("keeper intact") << 3 << both << -1 << int(None) << both;
        QTest::newRow("keeper deleted") << 3 << both << 0 << int(Delete) << QList<int>{};
        // The two marked copies still match each other; neither may serve as keeper.
        QTest::newRow("keeper one byte changed") << 3 << both << 0 << int(FlipByte) << QList<int>{};
        QTest::newRow("keeper grown") << 3 << both << 0 << int(Append) << QList<int>{};
        QTest::newRow("keeper now a link") << 3 << both << 0 << int(Symlink) << QList<int>{};
        QTest::newRow("keeper is last") << 3 << QList<int>{0, 1} << -1 << int(None) << QList<int>{0, 1};
        QTest::newRow("second keeper intact") << 4 << both << 0 << int(FlipByte) << both;
        QTest::newRow("one marked changed") << 3 << both << 1 << int(FlipByte) << QList<int>{2};
        QTest::newRow("one marked vanished") << 3 << both << 1 << int(Delete) << QList<int>{2};
    }

    // A marked file goes only while an unmarked one still holds its bytes.
    void removalSafety()
    {
        QFETCH(int, count);
        QFETCH(QList<int>, marked);
        QFETCH(int, target);
        QFETCH(int, tamper);
        QFETCH(QList<int>, gone);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QByteArray data = content('k');
        SetPtr set = buildSet(realFiles(dir, QList<QByteArray>(count, data)));
        ExtensionsPtr ext = buildExt("bin", {set});
        ModalPtr root = buildRoot({ext});
        const QList<FilePtr> files = set->files();
        for (int i : marked) {
            root->changeStateOfExtension(ext, set, files.at(i));
        }
        const Counters before = of(*root);

        if (target >= 0) {
            const QByteArray path = files.at(target)->filePath();
            QByteArray changed = data;
            changed[1500] = static_cast<char>(changed.at(1500) ^ 1);
            if (tamper == Delete || tamper == Symlink) {
                QCOMPARE(::unlink(path.constData()), 0);
            }
            if (tamper == Symlink) {
                QCOMPARE(::symlink(files.at(1)->filePath().constData(), path.constData()), 0);
            }
            if (tamper == FlipByte || tamper == Append) {
                QVERIFY(writeBytes(path, tamper == FlipByte ? changed : data + 'x'));
            }
        }

        const RemovalResult r = root->removeSelectedFilesInSet(set, ext);
        const quint64 n = gone.size();
        QCOMPARE(r.deletedFilesCount, n);
        QCOMPARE(r.deletedFilesSize, n * data.size());
        const Counters after{before.total - n, before.totalSize - n * data.size(), before.selected - n,
                             before.selectedSize - n * data.size()};
        QCOMPARE(of(*set), after);
        QCOMPARE(of(*ext), after);
        QCOMPARE(of(*root), after);
        for (int i = 0; i < count; ++i) {
            const FilePtr& f = files.at(i);
            if (gone.contains(i)) {
                QVERIFY(!set->files().contains(f));
                QVERIFY(!exists(f->filePath()));
                QCOMPARE(readBytes(trashed(f)), data);
            } else {
                QVERIFY(set->files().contains(f));
                QCOMPARE(f->state(), marked.contains(i) ? MarkState::Marked : MarkState::Unmarked);
                QCOMPARE(exists(f->filePath()), !(i == target && tamper == Delete));
                QVERIFY(!exists(trashed(f)));
            }
        }
        QCOMPARE(set->setsState(), set->determineSelfState());
        QCOMPARE(ext->nummberOfSets(), 1u);
    }

    // The group keeps its state by a count of marked sets rather than by
    // looking at every set after each change; after any sequence of
    // changes it must still say what looking at every set says.
    void groupStateMatchesRecount()
    {
        QRandomGenerator rng(99);
        QList<SetPtr> sets;
        for (int i = 0; i < 300; ++i) {
            QList<quint64> sizes;
            for (int k = 0; k < 2 + int(rng.bounded(3)); ++k) {
                sizes << quint64(1 + i);
            }
            sets << setOfSizes(sizes);
        }
        ExtensionsPtr ext = buildExt("dat", sets);
        ModalPtr root = buildRoot({ext});
        const auto recount = [&ext](const char* step, int round) {
            quint64 selectedSets = 0;
            Counters expected{ext->totalFilesInExtension(), ext->totalFilesInExtensionSize(), 0, 0};
            for (const SetPtr& s : std::as_const(ext->sets())) {
                selectedSets += s->setsState() != MarkState::Unmarked ? 1 : 0;
                expected.selected += s->totalFilesSelectedInSet();
                expected.selectedSize += s->totalFilesSelectedInSetSize();
            }
            const qint64 state = selectedSets == quint64(ext->sets().size()) ? 1 : selectedSets > 0 ? -1 : 0;
            const QByteArray where = QByteArray(step) + " in round " + QByteArray::number(round);
            QVERIFY2(markValue(ext->extensionState()) == state, where.constData());
            QVERIFY2(of(*ext) == expected, where.constData());
        };
        for (int round = 0; round < 3000; ++round) {
            const QList<SetPtr>& now = std::as_const(*ext).sets();
            const SetPtr set = now.at(rng.bounded(int(now.size())));
            if (set->files().isEmpty()) {
                continue; // every file of it went: nothing left to click
            }
            switch (rng.bounded(6)) {
            case 0:
                root->changeStateOfExtension(ext, set);
                recount("set box", round);
                break;
            case 1:
            case 2:
                root->changeStateOfExtension(ext, set,
                                             set->files().at(rng.bounded(int(set->files().size()))));
                recount("file box", round);
                break;
            case 3: {
                QList<FilePtr> removed;
                for (const FilePtr& f : set->files()) {
                    if (isMarked(f->state())) {
                        removed << f;
                    }
                }
                root->forgetRemovedFilesInSet(set, ext, removed);
                recount("removal", round);
                break;
            }
            case 4:
                root->addSelectedFilesToExceptionInSet(set, ext);
                recount("exception", round);
                break;
            default:
                if (rng.bounded(20) == 0) {
                    root->changeStateOfExtension(ext);
                    recount("group box", round);
                } else if (rng.bounded(10) == 0 && ext->sets().size() > 10) {
                    // A view that edits the list itself, as review does
                    // when it drops a set.
                    ext->sets().removeOne(set);
                    ext->calculateTotalFilesAndSize();
                    root->changeStateOfExtension(ext, now.first());
                    recount("set dropped", round);
                }
                break;
            }
            if (QTest::currentTestFailed()) {
                return;
            }
        }
    }
};

QTEST_GUILESS_MAIN(TstResultTree)
#include "tst_resulttree.moc"
