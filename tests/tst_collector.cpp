#include "TestSupport.h"
#include "platform/PseudoFileSystems.h"
#include "platform/TrashFolders.h"
#include "scan/CategoryLists.h"
#include "scan/Collector.h"
#include "scan/FileCategories.h"
#include "scan/ScanControl.h"
#include "scan/ScanProgress.h"
#include "scan/ScanRun.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

Q_DECLARE_METATYPE(Category)
Q_DECLARE_METATYPE(Collector::Outcome)

namespace {

const Category AllCategories[] = {Category::Images, Category::Audio, Category::Video, Category::Documents,
                                  Category::Others};

bool writeFile(const QByteArray& path, const QByteArray& content = "x")
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::write(fd, content.constData(), content.size()) == content.size();
    return ::close(fd) == 0 && ok;
}

// Creates each relative entry under root, in order; a trailing '/' makes a folder.
bool build(const QByteArray& root, const QByteArrayList& entries)
{
    for (const QByteArray& rel : entries) {
        const bool ok = rel.endsWith('/') ? ::mkdir((root + '/' + rel.chopped(1)).constData(), 0755) == 0
                                          : writeFile(root + '/' + rel);
        if (!ok) {
            return false;
        }
    }
    return true;
}

// Modification time in nanoseconds, without following a final link.
qint64 mtimeNs(const QByteArray& path)
{
    struct stat st = {};
    if (::lstat(path.constData(), &st) != 0) {
        return -1;
    }
    return qint64(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

// Independent reference of the walk: depth-first, each folder's entries in
// the order readdir() gives them, regular files only, links not followed.
void referenceWalk(const QByteArray& folder, QByteArrayList& out)
{
    static const QByteArrayList skipped{".Trashes", ".Trash",  "Applications", "System",
                                        "Library",  "private", "usr"};
    QByteArrayList names;
    if (DIR* dir = ::opendir(folder.constData())) {
        while (const dirent* e = ::readdir(dir)) {
            names.append(QByteArray(e->d_name));
        }
        ::closedir(dir);
    }
    for (const QByteArray& name : names) {
        if (name == "." || name == ".." || skipped.contains(name)) {
            continue;
        }
        const QByteArray path = folder + '/' + name;
        struct stat st = {};
        if (::lstat(path.constData(), &st) != 0) {
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            referenceWalk(path, out);
        } else if (S_ISREG(st.st_mode)) {
            out.append(path);
        }
    }
}

LocationEntry folderEntry(const QByteArray& path, bool marked = true)
{
    return LocationEntry{path, marked, true};
}

LocationEntry singleEntry(const QByteArray& path, bool marked = true)
{
    return LocationEntry{path, marked, false};
}

// One collection stage with its own flags, progress and lists.
struct Collection
{
    ScanControl control;
    ScanProgress progress;
    CategoryLists lists;
    QSet<QByteArray> exceptions;

    Collector::Outcome run(const QList<LocationEntry>& entries)
    {
        Collector collector(control, progress, lists, &exceptions);
        return collector.addAllPhotos(entries);
    }
    QByteArrayList paths(Category category) const
    {
        QByteArrayList out;
        for (const FilePtr& f : lists.list(category)) {
            out.append(f->filePath());
        }
        return out;
    }
    QByteArrayList sortedPaths() const
    {
        QByteArrayList out;
        for (Category c : AllCategories) {
            out += paths(c);
        }
        std::sort(out.begin(), out.end());
        return out;
    }
};

QByteArrayList under(const QByteArray& root, QByteArrayList rel)
{
    for (QByteArray& r : rel) {
        r = r == "." ? root : root + '/' + r;
    }
    std::sort(rel.begin(), rel.end());
    return rel;
}

} // namespace

class TestCollector : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void isStringPresent_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("part");
        QTest::addColumn<bool>("present");
        const QByteArray images = FileCategories::imageList();
        QTest::newRow("whole extension") << images << QByteArray("jpg") << true;
        QTest::newRow("piece of jpeg") << images << QByteArray("peg") << true;
        QTest::newRow("spans underscore") << images << QByteArray("g_b") << true;
        QTest::newRow("two extensions") << images << QByteArray("png_psd") << true;
        QTest::newRow("case-sensitive") << images << QByteArray("JPG") << false;
        QTest::newRow("two chars") << images << QByteArray("jp") << false;
        QTest::newRow("one char") << images << QByteArray("j") << false;
        QTest::newRow("empty part") << images << QByteArray() << false;
        QTest::newRow("absent") << images << QByteArray("zip") << false;
        QTest::newRow("part longer than text") << QByteArray("ab") << QByteArray("abc") << false;
        QTest::newRow("equal") << QByteArray("abc") << QByteArray("abc") << true;
        QTest::newRow("two-char text and part") << QByteArray("ai") << QByteArray("ai") << false;
    }

    void isStringPresent()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, part);
        QFETCH(bool, present);
        QCOMPARE(FileCategories::isStringPresent(text, part), present);
    }

    void extension_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QByteArray>("ext");
        QTest::newRow("no dot") << QByteArray("/t/README") << QByteArray() << QByteArray();
        QTest::newRow("leading dot only") << QByteArray("/t/.bashrc") << QByteArray() << QByteArray();
        QTest::newRow("trailing dot") << QByteArray("/t/name.") << QByteArray() << QByteArray();
        QTest::newRow("dot in folder only") << QByteArray("/t.d/README") << QByteArray() << QByteArray();
        QTest::newRow("hidden with extension")
            << QByteArray("/t/.bashrc.jpg") << QByteArray("jpg") << QByteArray("jpg");
        QTest::newRow("upper case") << QByteArray("/t/A.JPG") << QByteArray("JPG") << QByteArray("jpg");
        QTest::newRow("last dot wins") << QByteArray("/t/a.tar.gz") << QByteArray("gz") << QByteArray("gz");
        QTest::newRow("space cut") << QByteArray("/t/x.jpg copy") << QByteArray("jpg copy")
                                   << QByteArray("jpg");
        QTest::newRow("leading space") << QByteArray("/t/x. jpg") << QByteArray(" jpg") << QByteArray();
        QTest::newRow("invalid utf-8 kept")
            << QByteArray("/t/caf\xe9.JP\xc9") << QByteArray("JP\xc9") << QByteArray("jp\xc9");
    }

    void extension()
    {
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, raw);
        QFETCH(QByteArray, ext);
        QCOMPARE(FileCategories::rawExtension(path), raw);
        QCOMPARE(FileCategories::extension(path), ext);
    }

    void categories_data()
    {
        QTest::addColumn<QByteArray>("rel");
        QTest::addColumn<Category>("category");
        QTest::newRow("photo.JPG") << QByteArray("photo.JPG") << Category::Images;
        QTest::newRow("clip.MOV") << QByteArray("clip.MOV") << Category::Video;
        QTest::newRow("notes.pdf") << QByteArray("notes.pdf") << Category::Documents;
        QTest::newRow("archive.zip") << QByteArray("archive.zip") << Category::Others;
        QTest::newRow("song.mp3") << QByteArray("song.mp3") << Category::Audio;
        QTest::newRow("a.peg") << QByteArray("a.peg") << Category::Images;
        QTest::newRow("a.iff image before audio") << QByteArray("a.iff") << Category::Images;
        QTest::newRow("a.g_b spans underscore") << QByteArray("a.g_b") << Category::Images;
        QTest::newRow("a.png_psd") << QByteArray("a.png_psd") << Category::Images;
        QTest::newRow("a.jpgx") << QByteArray("a.jpgx") << Category::Others;
        for (const char* ext : {"ai", "ra", "au", "rm", "qt", "wp"}) {
            QTest::newRow(qPrintable(QStringLiteral("two letters %1").arg(QLatin1String(ext))))
                << QByteArray("a.") + ext << Category::Others;
        }
        QTest::newRow("jpg copy") << QByteArray("x.jpg copy") << Category::Images;
        QTest::newRow("MP3 copy 2") << QByteArray("x.MP3 copy 2") << Category::Audio;
        QTest::newRow("a.m2ts") << QByteArray("a.m2ts") << Category::Video;
        QTest::newRow("a.onetoc2") << QByteArray("a.onetoc2") << Category::Documents;
        QTest::newRow("inside app bundle")
            << QByteArray("Users/x/Tool.app/Contents/Resources/icon.png") << Category::Others;
        QTest::newRow("inside framework")
            << QByteArray("Lib/Foo.framework/Versions/A/song.mp3") << Category::Others;
        QTest::newRow("folder .apple is no bundle") << QByteArray("Tool.apple/x.png") << Category::Images;
        QTest::newRow("file named .app.png") << QByteArray("My.app.png") << Category::Images;
        QTest::newRow("invalid utf-8 extension") << QByteArray("a.jp\xe9") << Category::Others;
        QTest::newRow("invalid utf-8 stem") << QByteArray("caf\xe9.JPG") << Category::Images;
        QTest::newRow("space before extension") << QByteArray("x. jpg") << Category::Others;
    }

    void categories()
    {
        QFETCH(QByteArray, rel);
        QFETCH(Category, category);

        const QByteArray fake = "/t/" + rel;
        QCOMPARE(FileCategories::categoryOf(fake), category);
        const bool tests[] = {FileCategories::isValidImageFile(fake), FileCategories::isValidAudioFile(fake),
                              FileCategories::isValidVideoFile(fake), FileCategories::isValidDocFile(fake)};
        if (category == Category::Others) {
            QVERIFY(std::none_of(std::begin(tests), std::end(tests), [](bool b) { return b; }));
        } else {
            QVERIFY(tests[static_cast<int>(category)]);
        }

        // The same file on disk lands in that list and no other.
        TempRoot tmp;
        const QByteArray root = tmp.path;
        const QByteArray path = root + '/' + rel;
        QByteArray folder = root;
        const QByteArrayList parts = rel.split('/');
        for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
            folder += '/' + parts.at(i);
            QVERIFY(::mkdir(folder.constData(), 0755) == 0);
        }
        QVERIFY(writeFile(path));
        Collection c;
        QCOMPARE(c.run({folderEntry(root)}), Collector::Outcome::Collected);
        for (Category other : AllCategories) {
            QCOMPARE(c.paths(other), other == category ? QByteArrayList{path} : QByteArrayList{});
        }
    }

    void walkOrderAndRecords()
    {
        TempRoot tmp;
        const QByteArrayList exts{"jpg", "mp3", "mov", "pdf", "zip"};
        const QByteArray loc = tmp.path;
        QVERIFY(build(loc, {"a/", "a/b/", "a/b/c/", "z/", "m/", ".hidden/"}));
        int n = 0;
        for (const QByteArray& folder : QByteArrayList{"", "a/", "a/b/", "a/b/c/", "z/", ".hidden/"}) {
            for (int i = 0; i < 9; ++i, ++n) {
                const QByteArray name = (i == 0 ? ".n" : "n") + QByteArray::number(n) + '.' + exts.at(n % 5);
                QVERIFY(writeFile(loc + '/' + folder + name, QByteArray(n + 1, 'q')));
            }
        }

        QByteArrayList walked;
        referenceWalk(loc, walked);
        QCOMPARE(walked.size(), n);

        Collection c;
        QCOMPARE(c.run({folderEntry(loc)}), Collector::Outcome::Collected);
        QCOMPARE(c.progress.collected(), quint64(n));
        const Category byExt[] = {Category::Images, Category::Audio, Category::Video, Category::Documents,
                                  Category::Others};
        for (int e = 0; e < exts.size(); ++e) {
            QByteArrayList expected;
            for (const QByteArray& p : walked) {
                if (p.endsWith('.' + exts.at(e))) {
                    expected.append(p);
                }
            }
            QCOMPARE(c.paths(byExt[e]), expected);
        }

        for (Category cat : AllCategories) {
            for (const FilePtr& f : c.lists.list(cat)) {
                QCOMPARE(f->fileName(), f->filePath().mid(f->filePath().lastIndexOf('/') + 1));
                QCOMPARE(f->fileSize(), quint64(QFileInfo(QFile::decodeName(f->filePath())).size()));
                QCOMPARE(f->modificationNs(), mtimeNs(f->filePath()));
                QVERIFY(f->fileModificationDate().isValid());
                QCOMPARE(f->state(), qint64(0));
                QCOMPARE(f->index(), quint64(0));
            }
        }
    }

    // Deeper than the folders the walk keeps open: levels above are reached
    // again through "..", and the order is still the plain depth-first one.
    void walkOrderBeyondOpenFolders()
    {
        TempRoot tmp;
        QByteArray folder = tmp.path;
        const int depth = int(Collector::maxOpenFolders) * 2 + 7;
        for (int level = 0; level < depth; ++level) {
            QVERIFY(writeFile(folder + "/before" + QByteArray::number(level) + ".txt", "b"));
            QVERIFY(writeFile(folder + "/after" + QByteArray::number(level) + ".txt", "a"));
            QVERIFY(build(folder, {"side/", "side/s.txt", "down/"}));
            folder += "/down";
        }
        QByteArrayList walked;
        referenceWalk(tmp.path, walked);
        QCOMPARE(walked.size(), depth * 3);

        Collection c;
        QCOMPARE(c.run({folderEntry(tmp.path)}), Collector::Outcome::Collected);
        QCOMPARE(c.paths(Category::Documents), walked);
        for (const FilePtr& f : c.lists.list(Category::Documents)) {
            struct stat st = {};
            QCOMPARE(::lstat(f->filePath().constData(), &st), 0);
            QCOMPARE(f->device(), quint64(st.st_dev));
            QCOMPARE(f->inode(), quint64(st.st_ino));
        }
    }

    // Trash folders are left out wherever the walk meets them, by name at a
    // volume's top and by identity for the home Trash.
    void trashFolderNames()
    {
        QVERIFY(TrashFolders::isVolumeTrashName(".Trash-0"));
        QVERIFY(TrashFolders::isVolumeTrashName(".Trash-1000"));
        QVERIFY(TrashFolders::isVolumeTrashName(".Trash"));
        QVERIFY(!TrashFolders::isVolumeTrashName(".Trash-"));
        QVERIFY(!TrashFolders::isVolumeTrashName(".Trash-1000x"));
        QVERIFY(!TrashFolders::isVolumeTrashName("Trash"));

        TempRoot tmp;
        QVERIFY(build(tmp.path, {".Trash-1000/", ".Trash-1000/t.txt", ".Trash-x/", ".Trash-x/kept.txt"}));
        Collection c;
        c.run({folderEntry(tmp.path)});
        QCOMPARE(c.paths(Category::Documents), QByteArrayList{tmp.path + "/.Trash-x/kept.txt"});
    }

    void pseudoFileSystemNames()
    {
        for (const char* name : {"proc", "sysfs", "devtmpfs", "cgroup2", "debugfs", "tracefs", "securityfs",
                                 "pstore", "bpf", "configfs", "fusectl", "mqueue", "binfmt_misc", "autofs"}) {
            QVERIFY2(PseudoFileSystems::isPseudoTypeName(name), name);
        }
        for (const char* name : {"ext4", "tmpfs", "btrfs", "xfs", "vfat", "fuse.sshfs", "nfs4", "overlay"}) {
            QVERIFY2(!PseudoFileSystems::isPseudoTypeName(name), name);
        }
        QVERIFY(PseudoFileSystems::isPseudoMagic(0x9fa0));      // proc
        QVERIFY(PseudoFileSystems::isPseudoMagic(0x62656572));  // sysfs
        QVERIFY(!PseudoFileSystems::isPseudoMagic(0xEF53));     // ext4
        QVERIFY(!PseudoFileSystems::isPseudoMagic(0x01021994)); // tmpfs
    }

    void skippedNames()
    {
        TempRoot tmp;
        // A location that is itself named Library is walked.
        const QByteArray loc = tmp.path + "/Library";
        QVERIFY(::mkdir(loc.constData(), 0755) == 0);
        QVERIFY(
            build(loc, {".Trashes/", ".Trash/", "Applications/", "System/", "Library/", "private/", "usr/",
                        "deep/", "deep/er/", "deep/er/Library/", "deep/System/", "deep/er/usr/", "library/",
                        "LIBRARY/", "usr2/", ".trash/", "Usr/", "deep/er/Private/", " System/"}));
        const QByteArrayList skipped{".Trashes", ".Trash", "Applications",    "System",      "Library",
                                     "private",  "usr",    "deep/er/Library", "deep/System", "deep/er/usr"};
        const QByteArrayList walked{"library", "LIBRARY",         "usr2",    ".trash",
                                    "Usr",     "deep/er/Private", " System", "deep"};
        for (const QByteArray& d : skipped + walked) {
            QVERIFY(writeFile(loc + '/' + d + "/a.jpg"));
        }
        QVERIFY(writeFile(loc + "/Library.jpg"));

        Collection c;
        QCOMPARE(c.run({folderEntry(loc)}), Collector::Outcome::Collected);
        QByteArrayList expected{"Library.jpg"};
        for (const QByteArray& d : walked) {
            expected.append(d + "/a.jpg");
        }
        QCOMPARE(c.sortedPaths(), under(loc, expected));
    }

    void symbolicLinksAndSpecialFiles()
    {
        TempRoot tmp;
        const QByteArray root = tmp.path;
        QVERIFY(build(root, {"loc/", "loc/real.jpg", "outside/", "outside/target/", "outside/target/b.jpg",
                             "outside/t.jpg", "lone/"}));
        QVERIFY(::symlink("../outside/target", (root + "/loc/dirlink").constData()) == 0);
        QVERIFY(::symlink((root + "/outside/t.jpg").constData(), (root + "/loc/filelink.jpg").constData()) ==
                0);
        QVERIFY(::symlink("nowhere.jpg", (root + "/loc/broken.jpg").constData()) == 0);
        QVERIFY(::mkfifo((root + "/loc/pipe.jpg").constData(), 0644) == 0);
        QVERIFY(::symlink((root + "/outside/t.jpg").constData(), (root + "/lone/link.jpg").constData()) == 0);
        QVERIFY(::mkfifo((root + "/lone/pipe.jpg").constData(), 0644) == 0);

        Collection c;
        QCOMPARE(c.run({folderEntry(root + "/loc"), singleEntry(root + "/lone/link.jpg"),
                        singleEntry(root + "/lone/pipe.jpg"), singleEntry(root + "/lone/missing.jpg")}),
                 Collector::Outcome::Collected);
        QCOMPARE(c.sortedPaths(), QByteArrayList{root + "/loc/real.jpg"});
    }

    void immutableFilesNotCollected()
    {
        TempRoot tmp;
        const QByteArray root = tmp.path;
        QVERIFY(build(root, {"walk/", "walk/locked.jpg", "walk/open.jpg", "lone/", "lone/locked.png",
                             "lone/open.png"}));
        const QStringList locked{QFile::decodeName(root + "/walk/locked.jpg"),
                                 QFile::decodeName(root + "/lone/locked.png")};
        // Runs before the temporary folder is removed, even when a check fails.
        const auto unlock =
            qScopeGuard([&] { QProcess::execute(QStringLiteral("chattr"), QStringList{"-i"} + locked); });
        if (QProcess::execute(QStringLiteral("chattr"), QStringList{"+i"} + locked) != 0) {
            QSKIP("chattr +i is not available here (needs root and a supporting file system)");
        }

        Collection c;
        QCOMPARE(c.run({folderEntry(root + "/walk"), singleEntry(root + "/lone/locked.png"),
                        singleEntry(root + "/lone/open.png")}),
                 Collector::Outcome::Collected);
        QCOMPARE(c.sortedPaths(), under(root, {"walk/open.jpg", "lone/open.png"}));
    }

    void exceptionsStillShownInProgress()
    {
        TempRoot tmp;
        const QByteArray root = tmp.path;
        QVERIFY(build(root, {"only/", "only/gone.jpg", "mix/", "mix/a.jpg", "mix/b.jpg", "mix/c.jpg",
                             "mix/caf\xe9.jpg", "lone/", "lone/d.jpg"}));

        // A folder whose one file is excepted: nothing collected, but the file was shown.
        Collection alone;
        alone.exceptions = {root + "/only/gone.jpg"};
        QCOMPARE(alone.run({folderEntry(root + "/only")}), Collector::Outcome::Empty);
        QCOMPARE(alone.progress.currentText(),
                 QStringLiteral("Collecting Files: %1").arg(QFile::decodeName(root + "/only/gone.jpg")));
        QCOMPARE(alone.progress.collected(), quint64(0));

        // Exact byte equality: other spellings or cases do not match.
        Collection c;
        c.exceptions = {root + "/mix/a.jpg", root + "/mix/B.jpg", root + "//mix/c.jpg",
                        root + "/mix/caf\xe9.jpg", root + "/lone/d.jpg"};
        QCOMPARE(c.run({folderEntry(root + "/mix"), singleEntry(root + "/lone/d.jpg")}),
                 Collector::Outcome::Collected);
        QCOMPARE(c.sortedPaths(), under(root, {"mix/b.jpg", "mix/c.jpg"}));
        QCOMPARE(c.progress.collected(), quint64(2));
        QCOMPARE(c.progress.generation(), quint64(5)); // one progress post per regular file met
    }

    void nonUtf8Names()
    {
        TempRoot tmp;
        const QByteArray root = tmp.path;
        const QByteArray dir = root + "/d\xff\xfe";
        const QByteArray name = "caf\xe9.jpg";
        QVERIFY(build(root, {"d\xff\xfe/", "d\xff\xfe/x.png"}));
        QVERIFY(writeFile(root + '/' + name, "hello"));

        Collection c;
        QCOMPARE(c.progress.currentText(), QStringLiteral("Collecting Files..."));
        QCOMPARE(c.run({folderEntry(dir), singleEntry(root + '/' + name)}), Collector::Outcome::Collected);
        QCOMPARE(c.paths(Category::Images), QByteArrayList({dir + "/x.png", root + '/' + name}));

        const FilePtr f = c.lists.arrOfImagesFileObject.at(1);
        QCOMPARE(f->fileName(), name);
        QCOMPARE(f->fileSize(), quint64(5));
        QCOMPARE(f->modificationNs(), mtimeNs(root + '/' + name));
        QVERIFY(f->fileModificationDate().isValid());
        QCOMPARE(c.lists.arrOfImagesFileObject.at(0)->fileName(), QByteArray("x.png"));

        const QString shown =
            QStringLiteral("Collecting Files: ") + QFile::decodeName(root) + QStringLiteral("/caf\uFFFD.jpg");
        QCOMPARE(c.progress.currentText(), shown);
    }

    void overlappingEntriesCollectedOnce_data()
    {
        // "D:" a folder entry, "F:" a single-file entry, relative to the tree.
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QByteArrayList>("expected");
        const QByteArrayList all{"top.jpg", "sub/a.jpg", "sub/b.png", "sub/deep/c.pdf", "other/d.jpg"};
        const QByteArrayList sub{"sub/a.jpg", "sub/b.png", "sub/deep/c.pdf"};
        QTest::newRow("parent then child") << QStringList{"D:.", "D:sub"} << all;
        QTest::newRow("child then parent") << QStringList{"D:sub", "D:."} << all;
        QTest::newRow("grandchild then parent") << QStringList{"D:sub/deep", "D:."} << all;
        QTest::newRow("same folder twice") << QStringList{"D:sub", "D:sub"} << sub;
        QTest::newRow("trailing slash spelling") << QStringList{"D:sub", "D:sub/"} << sub;
        QTest::newRow("single then its folder") << QStringList{"F:sub/a.jpg", "D:sub"} << sub;
        QTest::newRow("folder then single") << QStringList{"D:sub", "F:sub/a.jpg"} << sub;
        QTest::newRow("deep single then ancestor") << QStringList{"F:sub/deep/c.pdf", "D:."} << all;
        QTest::newRow("ancestor then deep single") << QStringList{"D:.", "F:sub/deep/c.pdf"} << all;
        QTest::newRow("same single twice")
            << QStringList{"F:top.jpg", "F:top.jpg"} << QByteArrayList{"top.jpg"};
        QTest::newRow("single through folder link, then folder")
            << QStringList{"F:sublink/a.jpg", "D:sub"}
            << QByteArrayList{"sublink/a.jpg", "sub/b.png", "sub/deep/c.pdf"};
        QTest::newRow("folder, then single through folder link")
            << QStringList{"D:sub", "F:sublink/a.jpg"} << sub;
        QTest::newRow("single, two spellings")
            << QStringList{"F:top.jpg", "F:./top.jpg"} << QByteArrayList{"top.jpg"};
    }

    void overlappingEntriesCollectedOnce()
    {
        QFETCH(QStringList, entries);
        QFETCH(QByteArrayList, expected);
        TempRoot tmp;
        const QByteArray root = tmp.path;
        QVERIFY(build(root, {"top.jpg", "sub/", "sub/a.jpg", "sub/b.png", "sub/deep/", "sub/deep/c.pdf",
                             "other/", "other/d.jpg"}));
        QVERIFY(::symlink("sub", (root + "/sublink").constData()) == 0);
        QList<LocationEntry> locations;
        for (const QString& e : entries) {
            const QByteArray rel = QFile::encodeName(e.mid(2));
            const QByteArray path = rel == "." ? root : root + '/' + rel;
            locations.append(e.startsWith(QLatin1String("D:")) ? folderEntry(path) : singleEntry(path));
        }
        Collection c;
        QCOMPARE(c.run(locations), Collector::Outcome::Collected);
        QCOMPARE(c.sortedPaths(), under(root, expected));
    }

    void hardLinksBothCollected()
    {
        TempRoot tmp;
        const QByteArray root = tmp.path;
        QVERIFY(build(root, {"loc/", "loc/a.jpg", "loc/sub/", "lone/", "lone/x.jpg"}));
        QVERIFY(::link((root + "/loc/a.jpg").constData(), (root + "/loc/sub/a2.jpg").constData()) == 0);
        QVERIFY(::link((root + "/lone/x.jpg").constData(), (root + "/loc/x2.jpg").constData()) == 0);

        Collection c;
        QCOMPARE(c.run({singleEntry(root + "/lone/x.jpg"), folderEntry(root + "/loc")}),
                 Collector::Outcome::Collected);
        QCOMPARE(c.sortedPaths(), under(root, {"loc/a.jpg", "loc/sub/a2.jpg", "loc/x2.jpg", "lone/x.jpg"}));
    }

    void outcome_data()
    {
        QTest::addColumn<QByteArrayList>("files");
        QTest::addColumn<bool>("folder");
        QTest::addColumn<bool>("marked");
        QTest::addColumn<bool>("stopFirst");
        QTest::addColumn<Collector::Outcome>("outcome");
        QTest::addColumn<bool>("go");
        using O = Collector::Outcome;
        const QByteArrayList some{"a.jpg", "b.zip"};
        QTest::newRow("files collected") << some << true << true << false << O::Collected << true;
        QTest::newRow("single collected") << some << false << true << false << O::Collected << true;
        QTest::newRow("empty folder") << QByteArrayList{} << true << true << false << O::Empty << false;
        QTest::newRow("no extensions")
            << QByteArrayList{"README", ".bashrc", ".jpg", "name.", "d.d/", "d.d/LICENSE"} << true << true
            << false << O::Empty << false;
        QTest::newRow("unmarked folder") << some << true << false << false << O::Empty << false;
        QTest::newRow("unmarked single") << some << false << false << false << O::Empty << false;
        QTest::newRow("stopped") << some << true << true << true << O::Stopped << false;
    }

    void outcome()
    {
        QFETCH(QByteArrayList, files);
        QFETCH(bool, folder);
        QFETCH(bool, marked);
        QFETCH(bool, stopFirst);
        QFETCH(Collector::Outcome, outcome);
        QFETCH(bool, go);
        TempRoot tmp;
        const QByteArray root = tmp.path;
        QVERIFY(build(root, files));

        Collection c;
        c.control.setGo(true); // as the scan worker leaves it before collection
        if (stopFirst) {
            c.control.setStop(true);
            c.lists.arrOfOthersFileObject.append(File::create("/stale.zip", 1));
        }
        const LocationEntry entry = folder ? folderEntry(root, marked) : singleEntry(root + "/a.jpg", marked);
        QCOMPARE(c.run({entry, folderEntry(root + "/missing")}), outcome);
        QCOMPARE(c.control.go(), go);
        QVERIFY(c.control.added());
        QCOMPARE(c.lists.allEmpty(), outcome != Collector::Outcome::Collected);
    }

    void pauseHoldsCollectionUntilStop()
    {
        TempRoot tmp;
        const QByteArray root = tmp.path;
        QVERIFY(build(root, {"a.jpg", "b.mp3", "sub/", "sub/c.pdf"}));
        Collection c;
        c.control.setGo(true);
        c.control.setPause(true);
        Collector::Outcome result = Collector::Outcome::Empty;
        std::thread worker([&] { result = c.run({folderEntry(root)}); });
        auto join = qScopeGuard([&] {
            c.control.setStop(true);
            worker.join();
        });

        // Nothing may move while paused: once the worker rests in the pause,
        // it has collected nothing and cannot go on.
        QTRY_COMPARE_WITH_TIMEOUT(c.control.pausedWaiters(), 1, 30000);
        QCOMPARE(c.progress.collected(), quint64(0));
        QVERIFY(!c.control.added());

        // A stop is seen while still paused.
        c.control.setStop(true);
        QTRY_VERIFY_WITH_TIMEOUT(c.control.added(), 30000);
        worker.join();
        join.dismiss();
        QCOMPARE(result, Collector::Outcome::Stopped);
        QVERIFY(!c.control.go());
        QVERIFY(c.lists.allEmpty());
    }

    void scanRunPauseResume()
    {
        TempRoot tmp;
        const QByteArray root = tmp.path;
        constexpr int count = 300;
        for (int i = 0; i < count; ++i) {
            QVERIFY(writeFile(root + "/f" + QByteArray::number(i) + ".jpg", QByteArray(1 + i % 7, 'p')));
        }
        ScanRun run;
        run.control().setHeld(ScanControl::Point::BeforeCollection, true);
        run.start({folderEntry(root)});
        QTRY_VERIFY_WITH_TIMEOUT(run.control().isWaitingAt(ScanControl::Point::BeforeCollection), 30000);
        run.control().setPause(true);
        run.control().setHeld(ScanControl::Point::BeforeCollection, false);

        // The pause catches collection before its first file and holds it there.
        QTRY_COMPARE_WITH_TIMEOUT(run.control().pausedWaiters(), 1, 30000);
        QCOMPARE(run.progress().collected(), quint64(0));
        QVERIFY(run.isRunning());

        run.control().setPause(false);
        QTRY_VERIFY_WITH_TIMEOUT(!run.isRunning(), 60000);
        run.wait();
        QCOMPARE(run.collectionOutcome(), Collector::Outcome::Collected);
        QCOMPARE(run.progress().collected(), quint64(count));
        QCOMPARE(run.progress().stage(), ScanProgress::Stage::Finished);
    }
};

QTEST_GUILESS_MAIN(TestCollector)
#include "tst_collector.moc"
