#include "ReferenceDetector.h"
#include "scan/CategoryLists.h"
#include "scan/Collector.h"
#include "scan/ContentPartitioner.h"
#include "scan/ExactDetector.h"
#include "scan/FileCompare.h"
#include "scan/ScanControl.h"
#include "scan/ScanProgress.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// The order in which the combined tree takes the category trees.
constexpr Category CombinedOrder[] = {Category::Images, Category::Video, Category::Audio, Category::Documents,
                                      Category::Others};

// Small enough that nearly every file is reopened per block and blocks
// shrink to the minimum.
const ContentPartitioner::Budget TinyBudget{2, 1024};

bool writeFile(const QByteArray& path, const QByteArray& bytes, const char* mode = "wb")
{
    std::FILE* f = std::fopen(path.constData(), mode);
    if (!f) {
        return false;
    }
    const bool ok = std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), f) ==
                    static_cast<size_t>(bytes.size());
    return std::fclose(f) == 0 && ok;
}

FilePtr fileAt(const QByteArray& path)
{
    struct stat st
    {
    };
    if (::lstat(path.constData(), &st) != 0) {
        return {};
    }
    return File::create(path, static_cast<quint64>(st.st_size));
}

QByteArray n(quint64 v)
{
    return QByteArray::number(v);
}

// A tree as plain lines, taken right after a search so that a later search
// over the same File objects cannot change what was seen.
QByteArrayList describe(const ModalPtr& modal)
{
    QByteArrayList lines;
    lines << "root files=" + n(modal->totalFiles()) + " size=" + n(modal->totalFilesSize()) +
                 " selected=" + n(modal->totalFilesSelected()) + "/" + n(modal->totalFilesSelectedSize()) +
                 " groups=" + n(modal->extensionCount());
    for (const ExtensionsPtr& e : modal->extensionsArray()) {
        lines << " group '" + e->name() + "' files=" + n(e->totalFilesInExtension()) +
                     " size=" + n(e->totalFilesInExtensionSize()) +
                     " selected=" + n(e->totalFilesSelectedInExtension()) + "/" +
                     n(e->totalFilesSelectedInExtensionSize()) + " state=" + n(e->extensionState()) +
                     " sets=" + n(e->nummberOfSets());
        for (const SetPtr& s : e->sets()) {
            lines << "  " + s->nameOfSet().toUtf8() + " files=" + n(s->totalFilesInSet()) +
                         " size=" + n(s->totalFilesInSetSize()) +
                         " selected=" + n(s->totalFilesSelectedInSet()) + "/" +
                         n(s->totalFilesSelectedInSetSize()) + " state=" + n(s->setsState());
            for (const FilePtr& f : s->files()) {
                lines << "   " + QByteArray::number(reinterpret_cast<quintptr>(f.get()), 16) + " " +
                             f->filePath() + " index=" + n(f->index()) + " state=" + n(f->state()) +
                             " size=" + n(f->fileSize());
            }
        }
    }
    return lines;
}

// Empty when equal, otherwise the first line that differs.
QByteArray difference(const QByteArrayList& expected, const QByteArrayList& actual)
{
    for (qsizetype i = 0; i < qMax(expected.size(), actual.size()); ++i) {
        const QByteArray e = i < expected.size() ? expected.at(i) : "<none>";
        const QByteArray a = i < actual.size() ? actual.at(i) : "<none>";
        if (e != a) {
            return "line " + n(i) + "\n   expected: " + e + "\n   actual:   " + a;
        }
    }
    return {};
}

// Names of the groups, sets and files, e.g. "jpg:Set(1)[a.jpg,b.jpg] | png:...".
QByteArray outline(const ModalPtr& modal)
{
    QByteArrayList groups;
    for (const ExtensionsPtr& e : modal->extensionsArray()) {
        QByteArray g = e->name() + ":";
        for (const SetPtr& s : e->sets()) {
            QByteArrayList names;
            for (const FilePtr& f : s->files()) {
                names << f->fileName();
            }
            g += s->nameOfSet().toUtf8() + "[" + names.join(',') + "]";
        }
        groups << g;
    }
    return groups.join(" | ");
}

// Marks and positions are scribbled over so a search must set them itself.
void scramble(const CategoryLists& lists)
{
    for (Category c : CombinedOrder) {
        for (const FilePtr& f : lists.list(c)) {
            f->setState(1);
            f->setIndex(77);
        }
    }
}

// Empty when every set holds two or more byte-identical files and its
// counters match its files.
QByteArray invalidSet(const ModalPtr& modal)
{
    for (const ExtensionsPtr& e : modal->extensionsArray()) {
        for (const SetPtr& s : e->sets()) {
            const QList<FilePtr>& files = s->files();
            if (files.size() < 2 || s->totalFilesInSet() != quint64(files.size() - 1)) {
                return "bad set size in group " + e->name();
            }
            quint64 sum = 0;
            for (const FilePtr& f : files) {
                sum += f->fileSize();
                if (f != files.first() &&
                    !FileCompare::contentsEqual(files.first()->filePath(), f->filePath())) {
                    return f->filePath() + " differs from " + files.first()->filePath();
                }
            }
            if (s->totalFilesInSetSize() != sum - files.first()->fileSize()) {
                return "bad set byte count in group " + e->name();
            }
        }
    }
    return {};
}

ModalPtr categoryTree(const ScanResults& results, Category category)
{
    switch (category) {
    case Category::Images:
        return results.imageModal;
    case Category::Video:
        return results.videoModal;
    case Category::Audio:
        return results.audioModal;
    case Category::Documents:
        return results.docsModal;
    case Category::Others:
        break;
    }
    return results.otherModal;
}

CategoryLists collect(const QByteArray& root)
{
    ScanControl control;
    ScanProgress progress;
    CategoryLists lists;
    Collector(control, progress, lists).acceptFilenameDrag3(root);
    return lists;
}

// Nested folders of a few hundred files of a handful of sizes; most files are
// a base content or that base with one byte flipped at a block boundary or at
// either end, so equal sizes are common and many files differ late.
void buildRandomTree(const QByteArray& root, quint32 seed)
{
    QRandomGenerator rng(seed);
    const QByteArrayList folders = {"", "d0/", "d0/e1/", "d0/e1/f2/", "d1/", "d1/e3/", "Pkg.app/Contents/"};
    for (const QByteArray& folder : folders) {
        QVERIFY(QDir().mkpath(QString::fromUtf8(root + "/" + folder)));
    }
    static const quint64 sizes[] = {1, 64, 4095, 4096, 4097, 20480, 20481, 86017, 100000};
    static const quint64 offsets[] = {1,     63,    64,    65,    4095,  4096, 4097,
                                      20479, 20480, 20481, 86015, 86016, 86017};
    QList<QByteArray> bases{QByteArray()};
    for (int i = 0; i < 4; ++i) {
        const quint64 size = sizes[rng.bounded(int(std::size(sizes)))];
        for (int k = 0; k < 2; ++k) {
            QByteArray bytes(qsizetype(size), Qt::Uninitialized);
            for (char& c : bytes) {
                c = char(rng.bounded(256));
            }
            bases << bytes;
        }
    }
    const QByteArrayList exts = {"jpg", "jpeg", "JPG", "png", "tif", "mp3", "wav", "m4a",
                                 "mp4", "mov",  "txt", "pdf", "TXT", "dat", "bin", "jpg copy"};
    const int count = 250 + int(rng.bounded(100));
    QByteArrayList made;
    for (int i = 0; i < count; ++i) {
        const QByteArray path = root + "/" + folders.at(rng.bounded(int(folders.size()))) + "n" + n(i) + "." +
                                exts.at(rng.bounded(int(exts.size())));
        if (!made.isEmpty() && rng.bounded(10) == 0) {
            QCOMPARE(::link(made.at(rng.bounded(int(made.size()))).constData(), path.constData()), 0);
            made << path;
            continue;
        }
        QByteArray bytes = bases.at(rng.bounded(int(bases.size())));
        if (!bytes.isEmpty() && rng.bounded(2) == 0) {
            const int pick = int(rng.bounded(int(std::size(offsets)) + 2));
            qsizetype at = pick < int(std::size(offsets)) ? qsizetype(offsets[pick]) : 0;
            if (pick == int(std::size(offsets)) + 1 || at >= bytes.size()) {
                at = bytes.size() - 1;
            }
            bytes[at] = char(bytes.at(at) ^ (rng.bounded(2) ? 0x01 : 0x80));
        }
        QVERIFY(writeFile(path, bytes));
        made << path;
    }
}

} // namespace

class TestDetection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void randomTreesMatchReference_data();
    void randomTreesMatchReference();
    void flippedByteNeverMatches_data();
    void flippedByteNeverMatches();
    void edgeCases_data();
    void edgeCases();
    void manyContentsAtOneOffset();
    void changedAfterCollection_data();
    void changedAfterCollection();
    void stop_data();
    void stop();
};

void TestDetection::randomTreesMatchReference_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed : {1u, 2u, 3u, 4u, 5u, 20240305u}) {
        QTest::addRow("seed %u", seed) << seed;
    }
    const quint32 fresh = QRandomGenerator::global()->generate();
    QTest::addRow("seed %u (fresh)", fresh) << fresh;
}

void TestDetection::randomTreesMatchReference()
{
    QFETCH(quint32, seed);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray root = dir.path().toUtf8();
    buildRandomTree(root, seed);
    if (QTest::currentTestFailed()) {
        return;
    }
    const CategoryLists collected = collect(root);
    const quint64 total = collected.totalCount();
    QCOMPARE_GE(total, quint64(250));
    const QByteArray seedText = "seed " + n(seed) + ", ";

    ScanControl control;
    ScanProgress progress;
    ExactDetector detector(control, progress);
    QByteArrayList expected[CategoryCount];
    for (Category c : CombinedOrder) {
        const QList<FilePtr>& original = collected.list(c);
        const QByteArray where = seedText + FileCategories::categoryName(c) + ", ";

        QList<FilePtr> forReference = original;
        control.resetProcessed();
        expected[int(c)] = describe(ReferenceDetector(control).findDuplicates(forReference));
        QVERIFY(forReference.isEmpty());
        QCOMPARE(control.processed(), quint64(original.size()));

        const std::pair<const char*, ContentPartitioner::Budget> budgets[] = {
            {"default budget", ContentPartitioner::Budget{}}, {"tiny budget", TinyBudget}};
        for (const auto& [label, budget] : budgets) {
            QList<FilePtr> forEngine = original;
            scramble(collected);
            control.resetProcessed();
            const QByteArrayList actual = describe(detector.findDuplicates(forEngine, budget));
            const QByteArray diff = difference(expected[int(c)], actual);
            QVERIFY2(diff.isEmpty(), (where + label + ": " + diff).constData());
            QVERIFY2(forEngine.isEmpty(), (where + label).constData());
            QVERIFY2(control.processed() == quint64(original.size()), (where + label).constData());
        }
    }

    // The whole detection stage over copies of the five lists.
    CategoryLists lists = collected;
    scramble(collected);
    const ModalPtr combined = Modal::create();
    const ScanResults results = detector.exactMethod(lists, combined);
    QVERIFY(results.modal == combined);
    QVERIFY(lists.allEmpty());
    QCOMPARE(control.processed(), total);
    QList<ExtensionsPtr> groups;
    quint64 files = 0;
    quint64 bytes = 0;
    for (Category c : CombinedOrder) {
        const ModalPtr tree = categoryTree(results, c);
        QVERIFY(tree);
        const QByteArray diff = difference(expected[int(c)], describe(tree));
        QVERIFY2(diff.isEmpty(),
                 (seedText + FileCategories::categoryName(c) + ", whole stage: " + diff).constData());
        groups << tree->extensionsArray();
        files += tree->totalFiles();
        bytes += tree->totalFilesSize();
    }
    QVERIFY2(combined->extensionsArray() == groups, seedText.constData());
    QCOMPARE(combined->totalFiles(), files);
    QCOMPARE(combined->totalFilesSize(), bytes);
    QCOMPARE(combined->totalFilesSelected(), quint64(0));
    QCOMPARE(combined->totalFilesSelectedSize(), quint64(0));
    QVERIFY2(files > 0, seedText.constData());
}

void TestDetection::flippedByteNeverMatches_data()
{
    QTest::addColumn<bool>("tiny");
    QTest::newRow("default budget") << false;
    QTest::newRow("tiny budget") << true;
}

void TestDetection::flippedByteNeverMatches()
{
    QFETCH(bool, tiny);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray root = dir.path().toUtf8();
    constexpr qsizetype size = 70000;
    QByteArray base(size, Qt::Uninitialized);
    QRandomGenerator rng(7);
    for (char& c : base) {
        c = char(rng.bounded(256));
    }
    QVERIFY(writeFile(root + "/base.bin", base));
    QVERIFY(writeFile(root + "/copy1.bin", base));
    QVERIFY(writeFile(root + "/copy2.bin", base));
    for (qsizetype at : {qsizetype(0), qsizetype(1), qsizetype(63), qsizetype(64), qsizetype(65),
                         qsizetype(4095), qsizetype(4096), qsizetype(4097), qsizetype(20479),
                         qsizetype(20480), qsizetype(20481), size - 2, size - 1}) {
        QByteArray flipped = base;
        flipped[at] = char(flipped.at(at) ^ 0x10);
        QVERIFY(writeFile(root + "/flip" + n(quint64(at)) + ".bin", flipped));
    }
    CategoryLists lists = collect(root);
    QCOMPARE(lists.arrOfOthersFileObject.size(), 16);

    ScanControl control;
    ScanProgress progress;
    const ModalPtr tree =
        tiny ? ExactDetector(control, progress).findDuplicates(lists.arrOfOthersFileObject, TinyBudget)
             : ExactDetector(control, progress).findDuplicates(lists.arrOfOthersFileObject);
    QCOMPARE(tree->extensionCount(), quint64(1));
    const ExtensionsPtr group = tree->extensionsArray().first();
    QCOMPARE(group->name(), QByteArray("bin"));
    QCOMPARE(group->nummberOfSets(), quint64(1));
    QByteArrayList names;
    for (const FilePtr& f : group->sets().first()->files()) {
        names << f->fileName();
    }
    std::sort(names.begin(), names.end());
    QCOMPARE(names, QByteArrayList({"base.bin", "copy1.bin", "copy2.bin"}));
    QCOMPARE(tree->totalFilesSize(), quint64(2 * size));
    QCOMPARE(control.processed(), quint64(16));
}

void TestDetection::edgeCases_data()
{
    // Files are created and listed in the given order; "name=contents".
    QTest::addColumn<QByteArrayList>("files");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("three identical") << QByteArrayList{"a.jpg=picture", "b.jpg=picture", "c.jpg=picture"}
                                     << QByteArray("jpg:Set(2)[a.jpg,b.jpg,c.jpg]");
    QTest::newRow("last byte differs") << QByteArrayList{"a.jpg=picture1", "b.jpg=picture2"} << QByteArray();
    QTest::newRow("first byte differs") << QByteArrayList{"a.jpg=1picture", "b.jpg=2picture"} << QByteArray();
    QTest::newRow("other category") << QByteArrayList{"a.jpg=tune", "a-copy.mp3=tune"} << QByteArray();
    QTest::newRow("jpg first") << QByteArrayList{"x.jpg=pic", "y.jpeg=pic"}
                               << QByteArray("jpg:Set(1)[x.jpg,y.jpeg]");
    QTest::newRow("jpeg first") << QByteArrayList{"y.jpeg=pic", "x.jpg=pic"}
                                << QByteArray("jpeg:Set(1)[y.jpeg,x.jpg]");
    QTest::newRow("upper case") << QByteArrayList{"A.JPG=pic", "b.Jpg=pic", "c.jpg=pic"}
                                << QByteArray("jpg:Set(2)[A.JPG,b.Jpg,c.jpg]");
    QTest::newRow("text after space")
        << QByteArrayList{"a.PNG copy=pic", "b.png=pic"} << QByteArray("png:Set(1)[a.PNG copy,b.png]");
    QTest::newRow("two empty texts") << QByteArrayList{"a.txt=", "b.txt="}
                                     << QByteArray("txt:Set(1)[a.txt,b.txt]");
    QTest::newRow("empty and one byte") << QByteArrayList{"a.txt=", "b.txt=x"} << QByteArray();
    QTest::newRow("one file") << QByteArrayList{"a.jpg=pic"} << QByteArray();
    QTest::newRow("no files") << QByteArrayList{} << QByteArray();
    QTest::newRow("interleaved sets")
        << QByteArrayList{"a.jpg=A", "b.jpg=B", "c.png=C", "d.jpg=B", "e.png=C", "f.png=A"}
        << QByteArray("jpg:Set(1)[a.jpg,f.png]Set(1)[b.jpg,d.jpg] | png:Set(1)[c.png,e.png]");
    QTest::newRow("category order")
        << QByteArrayList{"a.txt=d", "b.mp3=a", "c.mp4=v", "d.jpg=i", "e.dat=o",
                          "f.dat=o", "g.jpg=i", "h.mp4=v", "i.mp3=a", "j.txt=d"}
        << QByteArray("jpg:Set(1)[d.jpg,g.jpg] | mp4:Set(1)[c.mp4,h.mp4] | mp3:Set(1)[b.mp3,i.mp3] | "
                      "txt:Set(1)[a.txt,j.txt] | dat:Set(1)[e.dat,f.dat]");
    QTest::newRow("bundle and pictures")
        << QByteArrayList{"Pkg.app/icon.png=png", "icon.png=png"} << QByteArray();
    QTest::newRow("png in two categories")
        << QByteArrayList{"Pkg.app/a.png=x", "b.png=y", "Pkg.app/c.png=x", "d.png=y"}
        << QByteArray("png:Set(1)[b.png,d.png] | png:Set(1)[a.png,c.png]");
}

void TestDetection::edgeCases()
{
    QFETCH(QByteArrayList, files);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray root = dir.path().toUtf8();
    QVERIFY(QDir().mkpath(dir.path() + "/Pkg.app"));
    CategoryLists lists;
    for (const QByteArray& entry : files) {
        const qsizetype eq = entry.indexOf('=');
        const QByteArray path = root + "/" + entry.left(eq);
        QVERIFY(writeFile(path, entry.mid(eq + 1)));
        lists.list(FileCategories::categoryOf(path)).append(fileAt(path));
    }
    ScanControl control;
    ScanProgress progress;
    QByteArrayList reference[CategoryCount];
    for (Category c : CombinedOrder) {
        QList<FilePtr> copy = lists.list(c);
        reference[int(c)] = describe(ReferenceDetector(control).findDuplicates(copy));
    }
    scramble(lists);
    control.resetProcessed();
    const ScanResults results = ExactDetector(control, progress).exactMethod(lists, Modal::create());
    QCOMPARE(outline(results.modal), expected);
    QCOMPARE(control.processed(), quint64(files.size()));
    for (Category c : CombinedOrder) {
        const QByteArray diff = difference(reference[int(c)], describe(categoryTree(results, c)));
        QVERIFY2(diff.isEmpty(), diff.constData());
    }
    // Every set as built: unmarked, numbered in order, counting the copies.
    for (const ExtensionsPtr& e : results.modal->extensionsArray()) {
        QCOMPARE(e->extensionState(), qint64(0));
        for (const SetPtr& s : e->sets()) {
            QCOMPARE(s->setsState(), qint64(0));
            const quint64 size = s->files().first()->fileSize();
            QCOMPARE(s->totalFilesInSet(), quint64(s->files().size() - 1));
            QCOMPARE(s->totalFilesInSetSize(), s->totalFilesInSet() * size);
            for (qsizetype i = 0; i < s->files().size(); ++i) {
                QCOMPARE(s->files().at(i)->state(), qint64(0));
                QCOMPARE(s->files().at(i)->index(), quint64(i));
            }
        }
    }
}

// A large class that agrees for a while, then splits into more contents at
// one offset than a tiny budget can keep: the members left over go round
// again and the result must still equal the reference.
void TestDetection::manyContentsAtOneOffset()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray root = dir.path().toUtf8();
    constexpr int count = 200;
    QByteArray common(6000, 'x');
    for (int i = 0; i < count; ++i) {
        QByteArray bytes = common;
        const int v = (i * 7) % 100; // 100 contents, each in two files far apart in the list
        bytes[5000] = char(v & 0xff);
        bytes[5001] = char(v >> 8);
        QVERIFY(writeFile(root + "/f" + n(quint64(i)) + ".dat", bytes));
    }
    const CategoryLists collected = collect(root);
    QCOMPARE(collected.arrOfOthersFileObject.size(), count);

    ScanControl control;
    ScanProgress progress;
    QList<FilePtr> forReference = collected.arrOfOthersFileObject;
    const QByteArrayList expected = describe(ReferenceDetector(control).findDuplicates(forReference));
    QList<FilePtr> forEngine = collected.arrOfOthersFileObject;
    control.resetProcessed();
    const ModalPtr tree = ExactDetector(control, progress).findDuplicates(forEngine, TinyBudget);
    const QByteArray diff = difference(expected, describe(tree));
    QVERIFY2(diff.isEmpty(), diff.constData());
    QCOMPARE(tree->extensionsArray().first()->nummberOfSets(), quint64(100));
    QCOMPARE(control.processed(), quint64(count));
}

void TestDetection::changedAfterCollection_data()
{
    // Four files are listed in order; then `change` is applied to them:
    // "-x" deletes x, "<x" replaces x by a shorter file, "+x" appends to x,
    // "=x" makes x a fresh file with the same bytes, "~x" a symbolic link to
    // c.jpg, "|x" a FIFO; "lx" first makes x a hard link of a.jpg.
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArrayList>("change");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("nothing") << 5000 << QByteArrayList{} << QByteArray("jpg:Set(3)[a.jpg,b.jpg,c.jpg,d.jpg]");
    QTest::newRow("middle deleted") << 5000 << QByteArrayList{"-b"}
                                    << QByteArray("jpg:Set(2)[a.jpg,c.jpg,d.jpg]");
    QTest::newRow("first deleted") << 5000 << QByteArrayList{"-a"}
                                   << QByteArray("jpg:Set(2)[b.jpg,c.jpg,d.jpg]");
    QTest::newRow("first shortened") << 5000 << QByteArrayList{"<a"}
                                     << QByteArray("jpg:Set(2)[b.jpg,c.jpg,d.jpg]");
    QTest::newRow("last shortened") << 5000 << QByteArrayList{"<d"}
                                    << QByteArray("jpg:Set(2)[a.jpg,b.jpg,c.jpg]");
    QTest::newRow("three deleted") << 5000 << QByteArrayList{"-a", "-b", "-c"} << QByteArray();
    QTest::newRow("replaced same bytes")
        << 5000 << QByteArrayList{"=b"} << QByteArray("jpg:Set(3)[a.jpg,b.jpg,c.jpg,d.jpg]");
    QTest::newRow("link of first deleted")
        << 5000 << QByteArrayList{"lb", "-b"} << QByteArray("jpg:Set(2)[a.jpg,c.jpg,d.jpg]");
    QTest::newRow("first of links deleted")
        << 5000 << QByteArrayList{"lb", "-a"} << QByteArray("jpg:Set(2)[b.jpg,c.jpg,d.jpg]");
    QTest::newRow("pair of links, one deleted")
        << 5000 << QByteArrayList{"lb", "-c", "-d", "-b"} << QByteArray();
    QTest::newRow("pair of links, first deleted")
        << 5000 << QByteArrayList{"lb", "-c", "-d", "-a"} << QByteArray();
    QTest::newRow("grown") << 5000 << QByteArrayList{"+b"} << QByteArray("jpg:Set(2)[a.jpg,c.jpg,d.jpg]");
    QTest::newRow("symbolic link") << 5000 << QByteArrayList{"~b"}
                                   << QByteArray("jpg:Set(2)[a.jpg,c.jpg,d.jpg]");
    QTest::newRow("fifo") << 5000 << QByteArrayList{"|b"} << QByteArray("jpg:Set(2)[a.jpg,c.jpg,d.jpg]");
    QTest::newRow("empty, middle deleted")
        << 0 << QByteArrayList{"-b"} << QByteArray("jpg:Set(2)[a.jpg,c.jpg,d.jpg]");
    QTest::newRow("empty, link deleted") << 0 << QByteArrayList{"lb", "-b", "-c", "-d"} << QByteArray();
    QTest::newRow("empty, grown") << 0 << QByteArrayList{"+a"} << QByteArray("jpg:Set(2)[b.jpg,c.jpg,d.jpg]");
}

void TestDetection::changedAfterCollection()
{
    QFETCH(int, size);
    QFETCH(QByteArrayList, change);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray root = dir.path().toUtf8() + "/";
    const QByteArray bytes(size, 'q');
    QByteArrayList fifos;
    QList<FilePtr> list;
    const QByteArrayList names = {"a", "b", "c", "d"};
    for (const QByteArray& name : names) {
        const QByteArray path = root + name + ".jpg";
        if (change.contains("l" + name)) {
            QCOMPARE(::link((root + "a.jpg").constData(), path.constData()), 0);
        } else {
            QVERIFY(writeFile(path, bytes));
        }
        list << fileAt(path);
    }
    for (const QByteArray& step : change) {
        const QByteArray path = root + step.mid(1) + ".jpg";
        if (step.startsWith('-')) {
            QCOMPARE(::unlink(path.constData()), 0);
        } else if (step.startsWith('<')) {
            QCOMPARE(::unlink(path.constData()), 0);
            QVERIFY(writeFile(path, bytes.left(size - 1000)));
        } else if (step.startsWith('+')) {
            QVERIFY(writeFile(path, "tail", "ab"));
        } else if (step.startsWith('=')) {
            QCOMPARE(::unlink(path.constData()), 0);
            QVERIFY(writeFile(path, bytes));
        } else if (step.startsWith('~')) {
            QCOMPARE(::unlink(path.constData()), 0);
            QCOMPARE(::symlink((root + "c.jpg").constData(), path.constData()), 0);
        } else if (step.startsWith('|')) {
            QCOMPARE(::unlink(path.constData()), 0);
            QCOMPARE(::mkfifo(path.constData(), 0600), 0);
            fifos << path;
        }
    }
    // A search stuck opening a FIFO is let go after two seconds (a writer
    // appears and leaves), so that the test can end and say so.
    std::atomic<bool> blocked{false};
    std::jthread watchdog([&fifos, &blocked](std::stop_token stop) {
        for (int i = 0; i < 200 && !stop.stop_requested(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        while (!stop.stop_requested()) {
            for (const QByteArray& fifo : fifos) {
                const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    blocked = true;
                    ::close(fd);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    ScanControl control;
    ScanProgress progress;
    QList<FilePtr> copy = list;
    const QByteArray reference = outline(ReferenceDetector(control).findDuplicates(copy));
    copy = list;
    const QByteArray engine = outline(ExactDetector(control, progress).findDuplicates(copy));
    copy = list;
    const QByteArray engineTiny = outline(ExactDetector(control, progress).findDuplicates(copy, TinyBudget));
    watchdog.request_stop();
    watchdog.join();
    QVERIFY2(!blocked, "detection waited for a writer on a FIFO");
    QCOMPARE(reference, expected);
    QCOMPARE(engine, expected);
    QCOMPARE(engineTiny, expected);
}

void TestDetection::stop_data()
{
    QTest::addColumn<int>("delayUs");
    QTest::newRow("before the search") << -1;
    for (int delayUs : {0, 200, 1000, 5000}) {
        QTest::addRow("after %d us", delayUs) << delayUs;
    }
}

void TestDetection::stop()
{
    QFETCH(int, delayUs);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    buildRandomTree(dir.path().toUtf8(), 11);
    CategoryLists lists = collect(dir.path().toUtf8());
    const quint64 total = lists.totalCount();
    ScanControl control;
    ScanProgress progress;
    ExactDetector detector(control, progress);
    if (delayUs < 0) {
        control.setStop(true);
        for (Category c : CombinedOrder) {
            QList<FilePtr> copy = lists.list(c);
            const QByteArray bad = invalidSet(detector.findDuplicates(copy, TinyBudget));
            QVERIFY2(bad.isEmpty(), bad.constData());
        }
    }
    std::jthread stopper([&control, delayUs] {
        if (delayUs >= 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
            control.setStop(true);
        }
    });
    const ScanResults results = detector.exactMethod(lists, Modal::create());
    stopper.join();
    QVERIFY(results.modal);
    const QByteArray bad = invalidSet(results.modal);
    QVERIFY2(bad.isEmpty(), bad.constData());
    QCOMPARE_LE(control.processed(), total);
}

QTEST_GUILESS_MAIN(TestDetection)
#include "tst_detection.moc"
