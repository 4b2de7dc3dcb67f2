#include "TestSupport.h"
#include "TreeBuilder.h"
#include "platform/FdIo.h"
#include "platform/FileBuffer.h"
#include "platform/UniqueFd.h"
#include "plist/PropertyListFile.h"
#include "review/ExceptionList.h"
#include "review/StatisticsStore.h"
#include "scan/CategoryLists.h"
#include "scan/Collector.h"
#include "scan/ScanControl.h"
#include "scan/ScanProgress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using Root = PropertyListFile::Root;

bool writeBytes(const QByteArray& path, const QByteArray& bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::write(fd, bytes.constData(), size_t(bytes.size())) == ssize_t(bytes.size());
    return ::close(fd) == 0 && ok;
}

QByteArray readBytes(const QByteArray& path)
{
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QByteArray toXml(plist_t node)
{
    char* out = nullptr;
    uint32_t length = 0;
    plist_to_xml(node, &out, &length);
    const QByteArray bytes(out, qsizetype(length));
    plist_to_xml_free(out);
    return bytes;
}

QByteArray toBinary(plist_t node)
{
    char* out = nullptr;
    uint32_t length = 0;
    plist_to_bin(node, &out, &length);
    const QByteArray bytes(out, qsizetype(length));
    plist_to_bin_free(out);
    return bytes;
}

// Reads a file back with libplist alone, not through the code under test.
Root readPlist(const QByteArray& path)
{
    const QByteArray bytes = readBytes(path);
    plist_t node = nullptr;
    plist_from_memory(bytes.constData(), uint32_t(bytes.size()), &node);
    return Root(node);
}

quint64 uintAt(plist_t dict, const char* key)
{
    uint64_t value = ~uint64_t(0);
    plist_t item = plist_dict_get_item(dict, key);
    if (item && plist_get_node_type(item) == PLIST_UINT) {
        plist_get_uint_val(item, &value);
    }
    return value;
}

QByteArray stringAt(plist_t dict, const char* key)
{
    char* text = nullptr;
    plist_get_string_val(plist_dict_get_item(dict, key), &text);
    const QByteArray value(text);
    std::free(text);
    return value;
}

QByteArray stringArrayXml(const QByteArrayList& items)
{
    Root array(plist_new_array());
    for (const QByteArray& item : items) {
        plist_array_append_item(array.get(), plist_new_string(item.constData()));
    }
    return toXml(array.get());
}

// Identity and contents of a file: a replacement by rename changes the inode
// even when the bytes are the same. Large files are compared by size only.
QByteArray fingerprint(const QByteArray& path)
{
    struct stat st;
    if (::stat(path.constData(), &st) != 0) {
        return "missing";
    }
    QByteArray print = QByteArray::number(quint64(st.st_ino)) + ':' + QByteArray::number(qint64(st.st_size));
    if (st.st_size < 1024 * 1024) {
        print += ':' + readBytes(path);
    }
    return print;
}

int entryCount(const QByteArray& folder)
{
    return int(QDir(QFile::decodeName(folder))
                   .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                   .size());
}

QByteArray deeplyNested(int depth)
{
    return "<?xml version=\"1.0\"?><plist version=\"1.0\">" + QByteArray("<array>").repeated(depth) +
           QByteArray("</array>").repeated(depth) + "</plist>";
}

// A 130-byte binary list whose arrays each hold the next one twice: read
// naively it expands to 2^30 nodes.
QByteArray referenceBomb()
{
    const int levels = 31;
    QByteArray bytes = "bplist00";
    QByteArray table;
    for (int i = 0; i < levels; ++i) {
        table.append(char(bytes.size()));
        if (i < levels - 1) {
            bytes.append(char(0xA2)).append(char(i + 1)).append(char(i + 1));
        } else {
            bytes.append(char(0x09)); // true
        }
    }
    const qsizetype tableOffset = bytes.size();
    bytes += table + QByteArray(6, '\0') + QByteArray("\x01\x01", 2) + QByteArray(7, '\0') + char(levels) +
             QByteArray(8, '\0') + QByteArray(7, '\0') + char(tableOffset);
    return bytes;
}

} // namespace

class TestStores : public QObject
{
    Q_OBJECT

private slots:
    void firstLaunchCreatesFolderAndFile()
    {
        TempRoot root;
        const QByteArray folder = root / "Quillon/Tidemark";
        StatisticsStore store;
        store.loadDataFile(folder);
        QCOMPARE(store.dataPath(), folder + "/data.plist");
        QVERIFY(QFileInfo(QFile::decodeName(folder)).isDir());

        const QByteArray written = readBytes(store.dataPath());
        QVERIFY(written.startsWith("<?xml"));
        const Root data = readPlist(store.dataPath());
        QCOMPARE(plist_get_node_type(data.get()), PLIST_DICT);
        QCOMPARE(plist_dict_get_size(data.get()), 4u);
        QCOMPARE(uintAt(data.get(), "deletedCount"), 0u);
        QCOMPARE(uintAt(data.get(), "deletedSize"), 0u);
        QCOMPARE(uintAt(data.get(), "matchingLevel"), 5u);
        QCOMPARE(uintAt(data.get(), "matchingSize"), 2u);
        QCOMPARE(store.alreadyDeletedCount(), 0);
        QCOMPARE(entryCount(folder), 1); // no temporary file left beside it

        // A second start reads the file instead of recreating it.
        QVERIFY(store.recordRun(0, 0, 1, 10));
        StatisticsStore again;
        again.loadDataFile(folder);
        QCOMPARE(again.alreadyDeletedCount(), 1);
    }

    void recordRunStoresTotals()
    {
        TempRoot root;
        StatisticsStore store;
        store.loadDataFile(root.path);
        QVERIFY(store.recordRun(store.alreadyDeletedCount(), store.alreadyDeletedSize(), 3, 1500000));
        QCOMPARE(store.alreadyDeletedCount(), 3);
        QCOMPARE(store.alreadyDeletedSize(), 1500000u);
        QCOMPARE(store.cleanedSoFarText(), QStringLiteral("Files cleaned so far: 3 (1.50 MB)"));
        const Root data = readPlist(store.dataPath());
        QCOMPARE(uintAt(data.get(), "deletedCount"), 3u);
        QCOMPARE(uintAt(data.get(), "deletedSize"), 1500000u);
        QCOMPARE(uintAt(data.get(), "matchingLevel"), 5u);

        // A run that deleted nothing still writes: turn the file into a
        // binary copy and see it come back as XML with the same totals.
        QVERIFY(writeBytes(store.dataPath(), toBinary(data.get())));
        QVERIFY(store.recordRun(store.alreadyDeletedCount(), store.alreadyDeletedSize(), 0, 0));
        QVERIFY(readBytes(store.dataPath()).startsWith("<?xml"));
        QCOMPARE(uintAt(readPlist(store.dataPath()).get(), "deletedCount"), 3u);

        // Totals beyond 32 bits keep every bit.
        QVERIFY(store.recordRun(3, 1500000, 0, quint64(5) << 40));
        StatisticsStore reloaded;
        reloaded.loadDataFile(root.path);
        QCOMPARE(reloaded.alreadyDeletedSize(), 1500000u + (quint64(5) << 40));
    }

    void existingFileKeepsUnknownKeys_data()
    {
        QTest::addColumn<bool>("binary");
        QTest::newRow("xml") << false;
        QTest::newRow("binary written by libplist") << true;
    }
    void existingFileKeepsUnknownKeys()
    {
        QFETCH(bool, binary);
        TempRoot root;
        Root dict(plist_new_dict());
        plist_dict_set_item(dict.get(), "deletedCount", plist_new_uint(7));
        plist_dict_set_item(dict.get(), "deletedSize", plist_new_uint(2048));
        plist_dict_set_item(dict.get(), "themeName", plist_new_string("dark"));
        plist_t nested = plist_new_dict();
        plist_dict_set_item(nested, "width", plist_new_uint(1016));
        plist_dict_set_item(dict.get(), "window", nested);
        QVERIFY(writeBytes(root / "data.plist", binary ? toBinary(dict.get()) : toXml(dict.get())));

        StatisticsStore store;
        store.loadDataFile(root.path);
        QVERIFY(store.hasData());
        QCOMPARE(store.alreadyDeletedCount(), 7);
        QCOMPARE(store.alreadyDeletedSize(), 2048u);
        QCOMPARE(store.cleanedSoFarText(), QStringLiteral("Files cleaned so far: 7 (2.05 KB)"));

        QVERIFY(store.recordRun(7, 2048, 2, 100));
        const Root data = readPlist(store.dataPath());
        QCOMPARE(uintAt(data.get(), "deletedCount"), 9u);
        QCOMPARE(uintAt(data.get(), "deletedSize"), 2148u);
        QCOMPARE(stringAt(data.get(), "themeName"), QByteArray("dark"));
        QCOMPARE(uintAt(plist_dict_get_item(data.get(), "window"), "width"), 1016u);
        // Keys that were not there are not invented.
        QVERIFY(!plist_dict_get_item(data.get(), "matchingLevel"));
    }

    void missingCountReadsZeroThenStoresRun()
    {
        TempRoot root;
        Root dict(plist_new_dict());
        plist_dict_set_item(dict.get(), "deletedSize", plist_new_uint(500));
        QVERIFY(writeBytes(root / "data.plist", toXml(dict.get())));
        StatisticsStore store;
        store.loadDataFile(root.path);
        QCOMPARE(store.alreadyDeletedCount(), 0);
        QVERIFY(store.recordRun(store.alreadyDeletedCount(), store.alreadyDeletedSize(), 4, 0));
        QCOMPARE(uintAt(readPlist(store.dataPath()).get(), "deletedCount"), 4u);
    }

    void addingKeepsFirstPlaceAndCountsAllGiven()
    {
        TempRoot root;
        QVERIFY(writeBytes(root / "exception.plist", stringArrayXml({"/x/a.jpg", "/x/b.jpg"})));
        ExceptionList list;
        list.load(root.path);
        QCOMPARE(list.exceptionArrayData(), (QByteArrayList{"/x/a.jpg", "/x/b.jpg"}));

        QCOMPARE(list.addPaths({"/x/c.jpg", "/x/a.jpg", "/x/d.jpg"}), 3);
        const QByteArrayList expected{"/x/a.jpg", "/x/b.jpg", "/x/c.jpg", "/x/d.jpg"};
        QCOMPARE(list.exceptionArrayData(), expected);
        QVERIFY(list.lastWriteSucceeded());
        QCOMPARE(list.pathSet().size(), 4);

        // Repeats inside one addition count too, and go.
        QCOMPARE(list.addPaths({"/x/e.jpg", "/x/e.jpg"}), 2);
        QCOMPARE(list.exceptionArrayData().size(), 5);

        ExceptionList reloaded;
        reloaded.load(root.path);
        QCOMPARE(reloaded.exceptionArrayData(), expected + QByteArrayList{"/x/e.jpg"});
        QCOMPARE(entryCount(root.path), 1);
    }

    void removeAllRewritesEvenWhenEmpty()
    {
        TempRoot root;
        ExceptionList list;
        list.load(root.path);
        QVERIFY(list.isEmpty());
        QVERIFY(!QFile::exists(QFile::decodeName(list.filePath()))); // loading never writes
        list.removeAll();
        Root array = readPlist(list.filePath());
        QCOMPARE(plist_get_node_type(array.get()), PLIST_ARRAY);
        QCOMPARE(plist_array_get_size(array.get()), 0u);

        list.addPaths({"/x/a"});
        list.removeAll();
        QVERIFY(list.isEmpty());
        QVERIFY(!list.contains("/x/a"));
        QCOMPARE(plist_array_get_size(readPlist(list.filePath()).get()), 0u);
    }

    void pathBytesRoundTrip()
    {
        TempRoot root;
        const QByteArrayList paths{"/t/caf\xe9.jpg", "/t/\xff\xfe", "/t/ok-\xc3\xa9.jpg",
                                   "/t/line\nbreak", "/t/cr\r",     "/t/a&b<c>"};
        ExceptionList list;
        list.load(root.path);
        QCOMPARE(list.addPaths(paths), paths.size());

        // Text where text is exact, data elsewhere.
        const Root array = readPlist(list.filePath());
        QCOMPARE(plist_get_node_type(plist_array_get_item(array.get(), 0)), PLIST_DATA);
        QCOMPARE(plist_get_node_type(plist_array_get_item(array.get(), 2)), PLIST_STRING);
        QCOMPARE(plist_get_node_type(plist_array_get_item(array.get(), 5)), PLIST_STRING);

        ExceptionList reloaded;
        reloaded.load(root.path);
        QCOMPARE(reloaded.exceptionArrayData(), paths);
        QVERIFY(reloaded.contains("/t/caf\xe9.jpg"));
        QVERIFY(!reloaded.contains("/t/caf\xc3\xa9.jpg"));
    }

    void membershipIsExact_data()
    {
        QTest::addColumn<QByteArray>("probe");
        QTest::addColumn<bool>("listed");
        QTest::newRow("same") << QByteArray("/Users/ann/Pictures/IMG_1.JPG") << true;
        QTest::newRow("case") << QByteArray("/Users/ann/Pictures/img_1.jpg") << false;
        QTest::newRow("trailing slash") << QByteArray("/Users/ann/Pictures/IMG_1.JPG/") << false;
        QTest::newRow("double slash") << QByteArray("/Users/ann//Pictures/IMG_1.JPG") << false;
        QTest::newRow("dot segment") << QByteArray("/Users/ann/./Pictures/IMG_1.JPG") << false;
        QTest::newRow("prefix") << QByteArray("/Users/ann/Pictures") << false;
        QTest::newRow("folder listed with slash") << QByteArray("/Users/ann/Music/") << true;
        QTest::newRow("folder without slash") << QByteArray("/Users/ann/Music") << false;
        QTest::newRow("decomposed accent") << QByteArray("/Users/ann/Cafe\xcc\x81") << false;
    }
    void membershipIsExact()
    {
        QFETCH(QByteArray, probe);
        QFETCH(bool, listed);
        TempRoot root;
        ExceptionList list;
        list.load(root.path);
        list.addPaths({"/Users/ann/Pictures/IMG_1.JPG", "/Users/ann/Music/", "/Users/ann/Caf\xc3\xa9"});
        ExceptionList reloaded;
        reloaded.load(root.path);
        QCOMPARE(reloaded.contains(probe), listed);
        QCOMPARE(reloaded.pathSet().contains(probe), listed);
    }

    void collectionSkipsListedFile()
    {
        TempRoot root;
        const QByteArray tree = root / "tree";
        QVERIFY(QDir().mkpath(QFile::decodeName(tree)));
        QVERIFY(writeBytes(tree + "/keep.txt", "same"));
        QVERIFY(writeBytes(tree + "/gone\xff.txt", "same"));
        ExceptionList list;
        list.load(root.path);
        list.addPaths({tree + "/gone\xff.txt"});
        ExceptionList reloaded;
        reloaded.load(root.path);

        ScanControl control;
        ScanProgress progress;
        CategoryLists lists;
        Collector collector(control, progress, lists, &reloaded.pathSet());
        collector.addAllPhotos({LocationEntry{tree, true, true}});
        QCOMPARE(lists.list(Category::Documents).size(), 1);
        QCOMPARE(lists.list(Category::Documents).first()->filePath(), tree + "/keep.txt");
    }

    // Every way a file can be unreadable, for both files at once.
    void badInput_data()
    {
        QTest::addColumn<QByteArray>("dataBytes");
        QTest::addColumn<QByteArray>("exceptionBytes");
        QTest::addColumn<qint64>("sparseSize");
        QTest::addColumn<bool>("dataIsDictionary");

        Root dict(plist_new_dict());
        plist_dict_set_item(dict.get(), "deletedCount", plist_new_uint(12));
        const QByteArray xml = toXml(dict.get());
        const QByteArray binary = toBinary(dict.get());
        const QByteArray list = stringArrayXml({"/a", "/b"});
        QByteArray garbage(4096, '\0');
        for (qsizetype i = 0; i < garbage.size(); ++i) {
            garbage[i] = char((i * 7919 + 13) % 251);
        }

        QTest::newRow("empty") << QByteArray() << QByteArray() << qint64(0) << false;
        QTest::newRow("truncated xml")
            << xml.left(xml.size() / 2) << list.left(list.size() / 2) << qint64(0) << false;
        QTest::newRow("truncated binary")
            << binary.left(binary.size() - 10) << binary.left(20) << qint64(0) << false;
        QTest::newRow("not a plist") << QByteArray("deletedCount = 12\n") << QByteArray("/a\n/b\n")
                                     << qint64(0) << false;
        QTest::newRow("binary garbage") << garbage << QByteArray("bplist00") + garbage << qint64(0) << false;
        QTest::newRow("wrong root type") << list << xml << qint64(0) << false;
        QTest::newRow("wrong value type")
            << QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>deletedCount</key>"
                          "<string>12</string><key>deletedSize</key><real>1.5e6</real></dict></plist>")
            << QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\"><array><integer>1</integer>"
                          "<dict/><true/></array></plist>")
            << qint64(0) << true;
        const QByteArray nulInText(
            "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><string>/a\0b</string>"
            "<data>L2EAYg==</data></array></plist>",
            107);
        QTest::newRow("NUL inside text") << nulInText << nulInText << qint64(0) << false;
        QTest::newRow("100 MB") << xml << list << qint64(100) * 1024 * 1024 << false;
        QTest::newRow("nested too deep")
            << deeplyNested(1000000) << deeplyNested(1000000) << qint64(0) << false;
        QTest::newRow("reference bomb") << referenceBomb() << referenceBomb() << qint64(0) << false;
    }
    void badInput()
    {
        QFETCH(QByteArray, dataBytes);
        QFETCH(QByteArray, exceptionBytes);
        QFETCH(qint64, sparseSize);
        QFETCH(bool, dataIsDictionary);
        TempRoot root;
        const QByteArray dataPath = root / "data.plist";
        QVERIFY(writeBytes(dataPath, dataBytes));
        QVERIFY(writeBytes(root / "exception.plist", exceptionBytes));
        if (sparseSize > 0) {
            QCOMPARE(::truncate(dataPath.constData(), sparseSize), 0);
            QCOMPARE(::truncate((root / "exception.plist").constData(), sparseSize), 0);
        }
        const QByteArray before = fingerprint(dataPath);
        const QByteArray exceptionsBefore = fingerprint(root / "exception.plist");

        StatisticsStore store;
        store.loadDataFile(root.path);
        QCOMPARE(store.hasData(), dataIsDictionary);
        QCOMPARE(store.alreadyDeletedCount(), 0);
        QCOMPARE(store.alreadyDeletedSize(), 0u);
        QCOMPARE(store.cleanedSoFarText(), QStringLiteral("Files cleaned so far: 0 (0.00 KB)"));

        ExceptionList exceptions;
        exceptions.load(root.path);
        QVERIFY(exceptions.isEmpty());
        QCOMPARE(fingerprint(root / "exception.plist"), exceptionsBefore);

        QCOMPARE(store.recordRun(0, 0, 3, 1500000), dataIsDictionary);
        if (dataIsDictionary) {
            // A readable dictionary with odd values is ours to update.
            QCOMPARE(uintAt(readPlist(dataPath).get(), "deletedCount"), 3u);
        } else {
            QCOMPARE(fingerprint(dataPath), before);
            QCOMPARE(entryCount(root.path), 2);
        }
    }

    // A read or write that a signal interrupts is carried on: the reader is
    // signalled while it waits in read() on an empty pipe, and then gets
    // every byte written afterwards.
    void interruptedReadIsCarriedOn()
    {
        static std::atomic<int> caught{0};
        struct sigaction action
        {
        };
        struct sigaction saved
        {
        };
        action.sa_handler = [](int) { caught.fetch_add(1); };
        action.sa_flags = 0; // no SA_RESTART: read() returns EINTR
        QCOMPARE(::sigaction(SIGUSR1, &action, &saved), 0);
        int fds[2];
        QCOMPARE(::pipe2(fds, O_CLOEXEC), 0);
        UniqueFd readEnd(fds[0]);
        UniqueFd writeEnd(fds[1]);

        QByteArray got;
        bool ok = false;
        std::atomic<pid_t> readerTid{0};
        std::thread reader([&] {
            readerTid.store(pid_t(::gettid()));
            ok = FdIo::readAll(readEnd.get(), &got, 1 << 20);
        });
        // Wait until the reader sleeps in the kernel, then interrupt it.
        auto sleeping = [&] {
            const QByteArray stat =
                TreeBuilder::readBytes("/proc/self/task/" + QByteArray::number(readerTid.load()) + "/stat");
            const qsizetype close = stat.lastIndexOf(')');
            return readerTid.load() != 0 && close > 0 && stat.mid(close + 2, 1) == "S";
        };
        QTRY_VERIFY(sleeping());
        QCOMPARE(::pthread_kill(reader.native_handle(), SIGUSR1), 0);
        QTRY_COMPARE(caught.load(), 1);
        QTRY_VERIFY(sleeping()); // back in read() after the interruption

        const QByteArray payload(200000, 'p');
        QVERIFY(FdIo::writeAll(writeEnd.get(), payload.left(1000)));
        bool written = false;
        std::thread writer([&] { written = FdIo::writeAll(writeEnd.get(), payload.mid(1000)); });
        writer.join();
        QVERIFY(written);
        writeEnd.close();
        reader.join();
        ::sigaction(SIGUSR1, &saved, nullptr);
        QVERIFY(ok);
        QCOMPARE(got, payload);
    }

    // Whole-file reads stop at their limit, into the heap or outside it,
    // and tell a file of exactly the limit from a longer one.
    void wholeReadsKeepTheirLimit()
    {
        TempRoot root;
        const QByteArray path = root / "file";
        const QByteArray bytes = QByteArray(3 << 20, 'x') + "end"; // more than one huge page
        QVERIFY(writeBytes(path, bytes));
        for (const qint64 limit : {qint64(bytes.size()), qint64(bytes.size() - 1)}) {
            const UniqueFd fd(::open(path.constData(), O_RDONLY | O_CLOEXEC));
            QVERIFY(fd.isValid());
            QByteArray heap;
            QCOMPARE(FdIo::readAll(fd.get(), &heap, limit), limit == bytes.size());
            QCOMPARE(heap, bytes.left(limit));
            QCOMPARE(::lseek(fd.get(), 0, SEEK_SET), off_t(0));
            FileBuffer buffer;
            // A small size hint: the buffer grows as the file goes on.
            QCOMPARE(buffer.readAll(fd.get(), 10, limit), limit == bytes.size());
            QCOMPARE(buffer.bytes(), limit == bytes.size() ? bytes : QByteArray());
        }
    }

    // A write that fails at any step leaves the old file and nothing else.
    void failedWriteKeepsOldFile_data()
    {
        QTest::addColumn<bool>("targetIsFolder");
        QTest::newRow("rename refused") << true;
        QTest::newRow("disk full while writing") << false;
    }
    void failedWriteKeepsOldFile()
    {
        QFETCH(bool, targetIsFolder);
        TempRoot root;
        const QByteArray target = root / "exception.plist";
        if (targetIsFolder) {
            QVERIFY(QDir().mkpath(QFile::decodeName(target + "/inside")));
        } else {
            QVERIFY(writeBytes(target, stringArrayXml({"/old"})));
        }
        const QByteArray before = fingerprint(target);

        ExceptionList list;
        list.load(root.path);
        QByteArrayList many;
        for (int i = 0; i < 200; ++i) {
            many.append("/new/path/number/" + QByteArray::number(i));
        }
        // The file size limit stands in for a full disk: write() fails part way.
        struct rlimit saved;
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        if (!targetIsFolder) {
            struct rlimit small = saved;
            small.rlim_cur = 512;
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        }
        list.addPaths(many);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, savedHandler);

        QVERIFY(!list.lastWriteSucceeded());
        QCOMPARE(list.exceptionArrayData().size(), targetIsFolder ? 200 : 201); // memory keeps the change
        QCOMPARE(fingerprint(target), before);
        QCOMPARE(entryCount(root.path), 1);
    }
};

QTEST_GUILESS_MAIN(TestStores)
#include "tst_stores.moc"
