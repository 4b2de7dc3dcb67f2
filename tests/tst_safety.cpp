// Nothing the user keeps is lost at the edges of the file system: the Trash,
// kernel pseudo file systems, links swapped in after a scan, bind mounts,
// hard links, very deep and very long paths, large lists and root runs.
// Everything runs on real files and real mounts; cases the kernel refuses
// are skipped with a message.

#include "AppHarness.h"
#include "TestSupport.h"
#include "TreeBuilder.h"
#include "app/DeletionController.h"
#include "app/LocationPageController.h"
#include "app/ReviewController.h"
#include "platform/Trash.h"
#include "platform/TrashEntries.h"
#include "platform/TrashFolders.h"
#include "platform/UniqueFd.h"
#include "plist/PropertyListFile.h"
#include "review/ExceptionList.h"
#include "review/StatisticsStore.h"
#include "scan/Collector.h"
#include "scan/ScanControl.h"
#include "scan/ScanProgress.h"
#include "scan/ScannedFile.h"
#include "scan/Set.h"
#include "ui/InformationWindow.h"

#include <QAbstractButton>
#include <QDateTime>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int Long = 60000;

bool makeDirs(const QByteArray& path)
{
    for (qsizetype i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path.at(i) == '/') {
            if (::mkdir(path.left(i).constData(), 0755) != 0 && errno != EEXIST) {
                return false;
            }
        }
    }
    return true;
}

bool write(const QByteArray& path, const QByteArray& bytes)
{
    const qsizetype slash = path.lastIndexOf('/');
    return makeDirs(path.left(slash)) && TreeBuilder::writeBytes(path, bytes);
}

QByteArrayList collectedPaths(const CategoryLists& lists)
{
    QByteArrayList paths;
    for (int c = 0; c < 5; ++c) {
        for (const FilePtr& f : lists.list(Category(c))) {
            paths << f->filePath();
        }
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

QByteArrayList collect(const QList<LocationEntry>& locations)
{
    ScanControl control;
    ScanProgress progress;
    CategoryLists lists;
    Collector(control, progress, lists).addAllPhotos(locations);
    return collectedPaths(lists);
}

// The collected records, by path, for sets built from a real walk.
QHash<QByteArray, FilePtr> collectRecords(const QByteArray& root)
{
    ScanControl control;
    ScanProgress progress;
    CategoryLists lists;
    Collector(control, progress, lists).addAllPhotos({LocationEntry{root, true, true}});
    QHash<QByteArray, FilePtr> records;
    for (int c = 0; c < 5; ++c) {
        for (const FilePtr& f : lists.list(Category(c))) {
            records.insert(f->filePath(), f);
        }
    }
    return records;
}

// A set of `keeper` (first, unmarked) and `marked`, with the mark set.
SetPtr keeperAndMarked(const FilePtr& keeper, const FilePtr& marked)
{
    SetPtr set = Set::create();
    set->addFiles(keeper);
    set->addFiles(marked);
    set->setTotalFilesInSet(1);
    set->setTotalFilesInSetSize(marked->fileSize());
    set->changeStateOfFile(marked);
    return set;
}

// A regular file with `bytes`, reached without a link in any component of
// its real path, and not in a Trash: a copy the user still has.
bool isLiveCopy(const QByteArray& path, const QByteArray& bytes)
{
    char* real = ::realpath(path.constData(), nullptr);
    if (!real) {
        return false;
    }
    const QByteArray resolved(real);
    std::free(real);
    struct stat st
    {
    };
    return ::lstat(resolved.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
           !TrashFolders::isInsideTrash(resolved) && TreeBuilder::readBytes(resolved) == bytes;
}

int countLiveCopies(const QByteArrayList& paths, const QByteArray& bytes)
{
    QSet<QByteArray> real;
    for (const QByteArray& path : paths) {
        if (isLiveCopy(path, bytes)) {
            char* r = ::realpath(path.constData(), nullptr);
            real.insert(QByteArray(r));
            std::free(r);
        }
    }
    return int(real.size());
}

// A chain of `depth` folders named "d" below `root`, removed by going down
// and back up one level at a time (paths far beyond PATH_MAX).
bool makeChain(const QByteArray& root, int depth, const QByteArrayList& bottomFiles, const QByteArray& bytes)
{
    int fd = ::open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < depth && fd >= 0; ++i) {
        if (::mkdirat(fd, "d", 0755) != 0) {
            ::close(fd);
            return false;
        }
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
    }
    if (fd < 0) {
        return false;
    }
    bool ok = true;
    for (const QByteArray& name : bottomFiles) {
        const int file = ::openat(fd, name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ok = ok && file >= 0 && ::write(file, bytes.constData(), size_t(bytes.size())) == bytes.size();
        if (file >= 0) {
            ::close(file);
        }
    }
    ::close(fd);
    return ok;
}

void removeChain(const QByteArray& root, const QByteArray& component = "d")
{
    int fd = ::open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int depth = 0;
    for (;;) {
        const int next = ::openat(fd, component.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            break;
        }
        ::close(fd);
        fd = next;
        ++depth;
    }
    for (; depth >= 0 && fd >= 0; --depth) {
        if (DIR* dir = ::fdopendir(::dup(fd))) {
            while (const dirent* entry = ::readdir(dir)) {
                if (entry->d_type == DT_REG) {
                    ::unlinkat(fd, entry->d_name, 0);
                }
            }
            ::closedir(dir);
        }
        if (depth == 0) {
            break;
        }
        const int up = ::openat(fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = up;
        ::unlinkat(fd, component.constData(), AT_REMOVEDIR);
    }
    if (fd >= 0) {
        ::close(fd);
    }
}

struct DeepScan
{
    QByteArray root;
    int depth = 0;
    int result = -1;
};

// In the child: collect the chain on a thread whose stack is 4 MiB.
void* deepScanThread(void* arg)
{
    auto* scan = static_cast<DeepScan*>(arg);
    ScanControl control;
    ScanProgress progress;
    CategoryLists lists;
    const Collector::Outcome outcome =
        Collector(control, progress, lists).addAllPhotos({LocationEntry{scan->root, true, true}});
    if (outcome != Collector::Outcome::Collected) {
        scan->result = 2;
        return nullptr;
    }
    const QByteArrayList paths = collectedPaths(lists);
    QByteArray bottom = scan->root;
    for (int i = 0; i < scan->depth; ++i) {
        bottom += "/d";
    }
    const QByteArrayList expected{bottom + "/a.jpg", bottom + "/b.jpg", scan->root + "/top.jpg"};
    scan->result = paths == expected ? 0 : 3;
    return nullptr;
}

// Moves the file at `path` to the Trash the way a deletion does: reached
// again without a link, checked, then renamed from its open folder.
bool trashFile(const QByteArray& path, QString* error = nullptr)
{
    struct stat st
    {
    };
    if (::lstat(path.constData(), &st) != 0) {
        return false;
    }
    const FilePtr file = File::create(path, quint64(st.st_size));
    const ScannedFile onDisk(*file);
    return onDisk.isValid() &&
           Trash::moveToTrash(onDisk.folderFd(), onDisk.name(), path, st.st_dev, st.st_ino, error);
}

// The Path= line of an info file, as written.
QByteArray infoPathLine(const QByteArray& infoPath)
{
    for (const QByteArray& line : TreeBuilder::readBytes(infoPath).split('\n')) {
        if (line.startsWith("Path=")) {
            return line.mid(5);
        }
    }
    return {};
}

bool mountOrSkipMessage(const char* source, const QByteArray& target, const char* type, unsigned long flags,
                        QByteArray* why)
{
    if (::mount(source, target.constData(), type, flags, nullptr) == 0) {
        return true;
    }
    *why = QByteArray("the kernel refused to mount ") + (type ? type : "a bind mount") +
           " here: " + std::strerror(errno);
    return false;
}

} // namespace

class TstSafety : public QObject
{
    Q_OBJECT

    TempRoot m_root;
    QByteArray m_trash;
    QByteArrayList m_mounts;
    int m_round = 0;

    QByteArray freshFolder()
    {
        const QByteArray path = m_root.path + "/case" + QByteArray::number(++m_round);
        makeDirs(path);
        return path;
    }

    void unmountAll()
    {
        while (!m_mounts.isEmpty()) {
            ::umount2(m_mounts.takeLast().constData(), MNT_DETACH);
        }
    }

    static void clickOn(QAbstractButton* button)
    {
        QVERIFY(button->isVisible());
        QVERIFY(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }

    static QString infoLine(AppHarness& app, int i)
    {
        return app.delegate.informationWindow()->line(i)->text();
    }

    static void pressInformationOk(AppHarness& app)
    {
        InformationWindow* information = app.delegate.informationWindow();
        QTRY_VERIFY(information->isVisible());
        clickOn(information->button());
        QVERIFY(information->isHidden());
    }

    // Picks `root` on the folder page and scans it with the Scan button.
    static void scanThroughWindow(AppHarness& app, const QByteArray& root)
    {
        app.delegate.buttonScanFoldersClicked();
        app.delegate.locations()->addFolderPaths({root});
        clickOn(app.w<QAbstractButton>("findDuplicateExact"));
        QTRY_COMPARE_WITH_TIMEOUT(app.page(), QStringLiteral("4"), Long);
        pressInformationOk(app);
    }

    // Mark All, Delete; returns when the report is up.
    static void markAllAndDelete(AppHarness& app)
    {
        clickOn(app.w<QAbstractButton>("markAll"));
        QSignalSpy finished(app.delegate.deletion(), &DeletionController::deletionFinished);
        clickOn(app.w<QAbstractButton>("finishButton"));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, Long);
        QTRY_VERIFY(app.delegate.informationWindow()->isVisible());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(TestSupport::isolateUserFolders(m_root.dir));
        m_trash = qgetenv("XDG_DATA_HOME") + "/Trash";
        QVERIFY(makeDirs(m_trash + "/files"));
        QVERIFY(makeDirs(m_trash + "/info"));
        Q_INIT_RESOURCE(resources);
        QCoreApplication::setOrganizationName(QStringLiteral("Quillon"));
        QCoreApplication::setApplicationName(QStringLiteral("Tidemark"));
    }

    void cleanup() { unmountAll(); }

    // A copy already in the home Trash, or in a volume's .Trash-$uid, is never
    // collected, so it can never stand in for the live file.
    void trashIsNeverCollected()
    {
        const QByteArray root = freshFolder();
        const QByteArray photo("a picture the user keeps");
        QVERIFY(write(root + "/live/photo.jpg", photo));
        QVERIFY(write(m_trash + "/files/photo.jpg", photo));
        QVERIFY(write(m_trash + "/info/photo.jpg.trashinfo", "[Trash Info]\nPath=/x/photo.jpg\n"));

        // Reached through the temporary data home, and through a link to it.
        const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
        QVERIFY(::symlink(dataHome.constData(), (root + "/datalink").constData()) == 0);
        QCOMPARE(collect({LocationEntry{root, true, true}, LocationEntry{dataHome, true, true},
                          LocationEntry{root + "/datalink", true, true},
                          LocationEntry{m_trash + "/files", true, true},
                          LocationEntry{m_trash + "/files/photo.jpg", true, false}}),
                 QByteArrayList{root + "/live/photo.jpg"});

        // A volume with per-user Trash folders at its top.
        const QByteArray volume = root + "/volume";
        QVERIFY(makeDirs(volume));
        QByteArray why;
        if (!mountOrSkipMessage("tidemark-test", volume, "tmpfs", 0, &why)) {
            QSKIP(why.constData());
        }
        m_mounts << volume;
        const QByteArray uid = QByteArray::number(::getuid());
        QVERIFY(write(volume + "/.Trash-" + uid + "/files/photo.jpg", photo));
        QVERIFY(write(volume + "/.Trash-1000/files/photo.jpg", photo));
        QVERIFY(write(volume + "/.Trash/" + uid + "/files/photo.jpg", photo));
        QVERIFY(write(volume + "/pictures/photo.jpg", photo));
        QCOMPARE(collect({LocationEntry{root, true, true}}),
                 (QByteArrayList{root + "/live/photo.jpg", volume + "/pictures/photo.jpg"}));

        // A set whose unmarked file sits in the Trash keeps nothing: the live
        // copy is not moved.
        const FilePtr inTrash = File::create(m_trash + "/files/photo.jpg", quint64(photo.size()));
        const FilePtr live = File::create(root + "/live/photo.jpg", quint64(photo.size()));
        const SetPtr set = keeperAndMarked(inTrash, live);
        QVERIFY(set->trashSelectedFiles().isEmpty());
        QVERIFY(isLiveCopy(root + "/live/photo.jpg", photo));
    }

    // The same through the window: scan the folder holding both the data
    // home and the live files, Mark All, Delete.
    void trashThroughTheWindow()
    {
        const QByteArray root = m_root.path; // holds home, xdg_data_home and the cases
        const QByteArray dir = freshFolder();
        const QByteArray photo("the only photo of the day");
        const QByteArray notes("notes that exist twice\n");
        QVERIFY(write(dir + "/photo.jpg", photo));
        QVERIFY(write(m_trash + "/files/photo2.jpg", photo));
        QVERIFY(write(dir + "/notes.txt", notes));
        QVERIFY(write(dir + "/sub/notes.txt", notes));
        const int trashedBefore = int(TestSupport::trashedNames(m_trash).size());

        AppHarness app;
        QVERIFY(app.delegate.launch());
        scanThroughWindow(app, root);
        markAllAndDelete(app);
        QCOMPARE(infoLine(app, 0), QStringLiteral("Duplicates Cleaned: 1"));
        QCOMPARE(infoLine(app, 2), QString());
        pressInformationOk(app);

        QCOMPARE(int(TestSupport::trashedNames(m_trash).size()), trashedBefore + 1);
        QVERIFY(isLiveCopy(dir + "/photo.jpg", photo));
        QCOMPARE(countLiveCopies({dir + "/notes.txt", dir + "/sub/notes.txt"}, notes), 1);
    }

    // The Trash move itself, as the freedesktop.org Trash specification lays
    // it out, in the home Trash: the item keeps its inode, the info file
    // names its exact bytes, percent-encoded, and a local deletion date;
    // a second item of the same name gets a name of its own.
    void trashMoveIntoTheHomeTrash()
    {
        const QByteArray root = freshFolder();
        const QByteArray name("caf\xe9 100% \xff.jpg"); // not UTF-8, with a space and a percent sign
        const QByteArray first = root + "/one/" + name;
        const QByteArray second = root + "/two/" + name;
        QVERIFY(write(first, "first"));
        QVERIFY(write(second, "second"));
        struct stat firstSt
        {
        };
        struct stat secondSt
        {
        };
        QCOMPARE(::lstat(first.constData(), &firstSt), 0);
        QCOMPARE(::lstat(second.constData(), &secondSt), 0);
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);

        QString error;
        QVERIFY2(trashFile(first, &error), qPrintable(error));
        QVERIFY2(trashFile(second, &error), qPrintable(error));
        QVERIFY(!TreeBuilder::exists(first));
        QVERIFY(!TreeBuilder::exists(second));

        const std::optional<TrashEntries::Entry> one =
            TrashEntries::locate(first, firstSt.st_dev, firstSt.st_ino);
        const std::optional<TrashEntries::Entry> two =
            TrashEntries::locate(second, secondSt.st_dev, secondSt.st_ino);
        QVERIFY(one && two);
        QCOMPARE(one->filesPath, m_trash + "/files/" + name);
        QVERIFY(two->filesPath != one->filesPath);
        QVERIFY(two->filesPath.startsWith(m_trash + "/files/"));
        QCOMPARE(TreeBuilder::readBytes(one->filesPath), QByteArray("first"));
        QCOMPARE(TreeBuilder::readBytes(two->filesPath), QByteArray("second"));
        // Byte for byte back from the info files, absolute in the home Trash.
        QCOMPARE(TrashEntries::originalPathOf(one->infoPath), first);
        QCOMPARE(TrashEntries::originalPathOf(two->infoPath), second);
        QCOMPARE(infoPathLine(one->infoPath), Trash::percentEncoded(first));
        QVERIFY(infoPathLine(one->infoPath).endsWith("/caf%E9%20100%25%20%FF.jpg"));
        const QByteArray info = TreeBuilder::readBytes(one->infoPath);
        QVERIFY(info.startsWith("[Trash Info]\nPath=/"));
        const qsizetype date = info.indexOf("\nDeletionDate=");
        QVERIFY(date > 0);
        const QDateTime deleted = QDateTime::fromString(QString::fromLatin1(info.mid(date + 14, 19)),
                                                        QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"));
        QVERIFY(deleted.isValid());
        QVERIFY(deleted >= before && deleted <= QDateTime::currentDateTime().addSecs(1));
    }

    // A file on another volume goes to that volume's Trash: $topdir/.Trash/$uid
    // when .Trash is a real sticky folder, else $topdir/.Trash-$uid, made
    // 0700; the info file names the item relative to the top. Never copied.
    void trashMoveIntoAVolumeTrash()
    {
        const QByteArray volume = freshFolder() + "/volume";
        QVERIFY(makeDirs(volume));
        QByteArray why;
        if (!mountOrSkipMessage("tidemark-trash", volume, "tmpfs", 0, &why)) {
            QSKIP(why.constData());
        }
        m_mounts << volume;
        const QByteArray uid = QByteArray::number(::getuid());
        const int homeTrashed = int(TestSupport::trashedNames(m_trash).size());

        // .Trash as a link, and later as a folder without the sticky bit: not used.
        QVERIFY(makeDirs(volume + "/elsewhere"));
        QCOMPARE(::symlink((volume + "/elsewhere").constData(), (volume + "/.Trash").constData()), 0);
        QVERIFY(write(volume + "/docs/a.txt", "on the volume"));
        QVERIFY(trashFile(volume + "/docs/a.txt"));
        const QByteArray own = volume + "/.Trash-" + uid;
        QCOMPARE(TestSupport::trashedNames(own), QByteArrayList{"a.txt"});
        QCOMPARE(infoPathLine(own + "/info/a.txt.trashinfo"), QByteArray("docs/a.txt"));
        QCOMPARE(TrashEntries::originalPathOf(own + "/info/a.txt.trashinfo"), volume + "/docs/a.txt");
        struct stat st
        {
        };
        QCOMPARE(::lstat(own.constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0700));
        QVERIFY(!TreeBuilder::exists(volume + "/elsewhere/" + uid));

        QCOMPARE(::unlink((volume + "/.Trash").constData()), 0);
        QCOMPARE(::mkdir((volume + "/.Trash").constData(), 0777), 0);
        QCOMPARE(::chmod((volume + "/.Trash").constData(), 0777), 0);
        QVERIFY(write(volume + "/docs/b.txt", "not sticky"));
        QVERIFY(trashFile(volume + "/docs/b.txt"));
        QVERIFY(TestSupport::trashedNames(own).contains("b.txt"));
        QVERIFY(!TreeBuilder::exists(volume + "/.Trash/" + uid));

        // A sticky shared .Trash takes the next item, in a folder of our own.
        QCOMPARE(::chmod((volume + "/.Trash").constData(), 01777), 0);
        QVERIFY(write(volume + "/docs/c.txt", "sticky"));
        QVERIFY(trashFile(volume + "/docs/c.txt"));
        const QByteArray shared = volume + "/.Trash/" + uid;
        QCOMPARE(TestSupport::trashedNames(shared), QByteArrayList{"c.txt"});
        QCOMPARE(infoPathLine(shared + "/info/c.txt.trashinfo"), QByteArray("docs/c.txt"));
        QCOMPARE(TrashEntries::originalPathOf(shared + "/info/c.txt.trashinfo"), volume + "/docs/c.txt");
        QCOMPARE(int(TestSupport::trashedNames(m_trash).size()), homeTrashed);
    }

    // What cannot be renamed into a Trash stays where it is, and leaves no
    // info file behind: here a file that is a mount point of its own.
    void failedTrashMoveLeavesNoInfoFile()
    {
        const QByteArray root = freshFolder();
        QVERIFY(write(root + "/source.txt", "bound"));
        QVERIFY(write(root + "/target.txt", "bound"));
        QByteArray why;
        if (!mountOrSkipMessage((root + "/source.txt").constData(), root + "/target.txt", nullptr, MS_BIND,
                                &why)) {
            QSKIP(why.constData());
        }
        m_mounts << root + "/target.txt";
        const QByteArrayList infoBefore = TestSupport::namesIn(m_trash + "/info");
        QVERIFY(!trashFile(root + "/target.txt"));
        QCOMPARE(TestSupport::namesIn(m_trash + "/info"), infoBefore);
        QVERIFY(TreeBuilder::exists(root + "/target.txt"));
        QVERIFY(isLiveCopy(root + "/source.txt", "bound"));
    }

    // Between the check and the rename a folder of the path is swapped for a
    // link to a folder outside, or the file itself for another one: nothing
    // is trashed, neither the scanned file nor what the path now leads to.
    void swapBetweenCheckAndMove_data()
    {
        QTest::addColumn<bool>("swapFolder");
        QTest::newRow("folder swapped for a link outside") << true;
        QTest::newRow("file swapped for another") << false;
    }
    void swapBetweenCheckAndMove()
    {
        QFETCH(bool, swapFolder);
        const QByteArray root = freshFolder();
        QVERIFY(write(root + "/loc/A/x.jpg", "scanned"));
        QVERIFY(write(root + "/outside/x.jpg", "outside"));
        const QHash<QByteArray, FilePtr> records = collectRecords(root + "/loc");
        const FilePtr scanned = records.value(root + "/loc/A/x.jpg");
        QVERIFY(scanned);
        const QByteArrayList trashedBefore = TestSupport::trashedNames(m_trash);

        bool swapped = false;
        Trash::setBeforeRenameHook([&] {
            if (swapFolder) {
                swapped = ::rename((root + "/loc/A").constData(), (root + "/aside").constData()) == 0 &&
                          ::symlink((root + "/outside").constData(), (root + "/loc/A").constData()) == 0;
            } else {
                swapped =
                    ::rename((root + "/loc/A/x.jpg").constData(), (root + "/aside.jpg").constData()) == 0 &&
                    ::rename((root + "/outside/x.jpg").constData(), (root + "/loc/A/x.jpg").constData()) == 0;
            }
        });
        auto unhook = qScopeGuard([] { Trash::setBeforeRenameHook({}); });
        QVERIFY(!scanned->removeFile());
        QVERIFY(swapped);
        QCOMPARE(TestSupport::trashedNames(m_trash), trashedBefore);
        if (swapFolder) {
            QVERIFY(isLiveCopy(root + "/aside/x.jpg", "scanned"));
            QVERIFY(isLiveCopy(root + "/outside/x.jpg", "outside"));
        } else {
            QVERIFY(isLiveCopy(root + "/aside.jpg", "scanned"));
            QVERIFY(isLiveCopy(root + "/loc/A/x.jpg", "outside"));
        }
    }

    // Kernel pseudo file systems are not walked, given as locations or met
    // as mounts inside a location.
    void pseudoFileSystemsAreNotWalked()
    {
        QCOMPARE(collect({LocationEntry{"/proc", true, true}, LocationEntry{"/sys", true, true},
                          LocationEntry{"/proc/self/status", true, false}}),
                 QByteArrayList());

        const QByteArray root = freshFolder();
        QVERIFY(write(root + "/real.txt", "real"));
        QVERIFY(makeDirs(root + "/proc"));
        QVERIFY(makeDirs(root + "/sys"));
        QByteArray why;
        if (!mountOrSkipMessage("proc", root + "/proc", "proc", 0, &why)) {
            QSKIP(why.constData());
        }
        m_mounts << root + "/proc";
        if (!mountOrSkipMessage("sysfs", root + "/sys", "sysfs", 0, &why)) {
            QSKIP(why.constData());
        }
        m_mounts << root + "/sys";
        QCOMPARE(collect({LocationEntry{root, true, true}}), QByteArrayList{root + "/real.txt"});
    }

    // A folder swapped for a symbolic link after the scan, on the kept side
    // or on the marked side, or pointing outside the locations: nothing is
    // trashed and every copy stays where it was.
    void swappedFolder_data()
    {
        QTest::addColumn<QString>("swap");
        QTest::newRow("kept side links to marked side") << QStringLiteral("keeper");
        QTest::newRow("marked side links to kept side") << QStringLiteral("marked");
        QTest::newRow("kept side links outside") << QStringLiteral("outside");
    }
    void swappedFolder()
    {
        QFETCH(QString, swap);
        const QByteArray root = freshFolder();
        const QByteArray bytes("one picture, two folders");
        QVERIFY(write(root + "/loc/A/x.jpg", bytes));
        QVERIFY(write(root + "/loc/B/x.jpg", bytes));
        QVERIFY(write(root + "/outside/x.jpg", bytes));
        const QHash<QByteArray, FilePtr> records = collectRecords(root + "/loc");
        QCOMPARE(records.size(), 2);
        const FilePtr keeper = records.value(root + "/loc/A/x.jpg");
        const FilePtr marked = records.value(root + "/loc/B/x.jpg");
        QVERIFY(keeper && marked);

        // The swapped folder goes aside, so the test can still see its file.
        const QByteArray swapped = swap == QLatin1String("marked") ? root + "/loc/B" : root + "/loc/A";
        const QByteArray target = swap == QLatin1String("keeper")   ? root + "/loc/B"
                                  : swap == QLatin1String("marked") ? root + "/loc/A"
                                                                    : root + "/outside";
        QCOMPARE(::rename(swapped.constData(), (root + "/aside").constData()), 0);
        QCOMPARE(::symlink(target.constData(), swapped.constData()), 0);

        const SetPtr set = keeperAndMarked(keeper, marked);
        QVERIFY(set->trashSelectedFiles().isEmpty());
        QCOMPARE(set->files().size(), 2);
        QCOMPARE(marked->state(), 1);
        // Every file that was scanned is still where it was, outside the Trash.
        const QByteArray unswapped = swapped.endsWith("/A") ? root + "/loc/B" : root + "/loc/A";
        QVERIFY(isLiveCopy(root + "/aside/x.jpg", bytes));
        QVERIFY(isLiveCopy(unswapped + "/x.jpg", bytes));
        QVERIFY(isLiveCopy(root + "/outside/x.jpg", bytes));
        QVERIFY(!TestSupport::trashedNames(m_trash).contains("x.jpg"));
    }

    // A location given through a link stays usable, as the walk opened it
    // that way; once the link leads to another folder, nothing below it goes.
    void locationThroughALink()
    {
        const QByteArray root = freshFolder();
        const QByteArray bytes("reached through a link");
        QVERIFY(write(root + "/real/a.txt", bytes));
        QVERIFY(write(root + "/real/sub/a.txt", bytes));
        QVERIFY(write(root + "/other/a.txt", bytes));
        QVERIFY(write(root + "/other/sub/a.txt", bytes));
        QCOMPARE(::symlink("real", (root + "/link").constData()), 0);

        QHash<QByteArray, FilePtr> records = collectRecords(root + "/link");
        QCOMPARE(records.size(), 2);
        SetPtr set =
            keeperAndMarked(records.value(root + "/link/a.txt"), records.value(root + "/link/sub/a.txt"));
        QCOMPARE(set->trashSelectedFiles().size(), 1);
        QVERIFY(!TreeBuilder::exists(root + "/real/sub/a.txt"));
        QVERIFY(isLiveCopy(root + "/real/a.txt", bytes));

        QVERIFY(write(root + "/real/sub/a.txt", bytes));
        records = collectRecords(root + "/link");
        QCOMPARE(::unlink((root + "/link").constData()), 0);
        QCOMPARE(::symlink("other", (root + "/link").constData()), 0);
        set = keeperAndMarked(records.value(root + "/link/a.txt"), records.value(root + "/link/sub/a.txt"));
        QVERIFY(set->trashSelectedFiles().isEmpty());
        for (const char* rel : {"/real/a.txt", "/real/sub/a.txt", "/other/a.txt", "/other/sub/a.txt"}) {
            QVERIFY2(isLiveCopy(root + rel, bytes), rel);
        }
    }

    // The swap through the window: the report says that the marked file stayed.
    void swappedFolderThroughTheWindow_data()
    {
        QTest::addColumn<bool>("swapKeeper");
        QTest::newRow("kept side") << true;
        QTest::newRow("marked side") << false;
    }
    void swappedFolderThroughTheWindow()
    {
        QFETCH(bool, swapKeeper);
        const QByteArray root = freshFolder();
        const QByteArray bytes = "a document kept in one of two folders " + root;
        QVERIFY(write(root + "/loc/A/report.pdf", bytes));
        QVERIFY(write(root + "/loc/B/report.pdf", bytes));
        const int trashedBefore = int(TestSupport::trashedNames(m_trash).size());

        AppHarness app;
        QVERIFY(app.delegate.launch());
        scanThroughWindow(app, root + "/loc");
        const SetPtr set = app.delegate.review()->selectedSet();
        QVERIFY(set);
        QCOMPARE(set->files().size(), 2);
        const QByteArray keptFolder = set->files().at(0)->folder().chopped(1);
        const QByteArray markedFolder = set->files().at(1)->folder().chopped(1);
        const QByteArray swapped = swapKeeper ? keptFolder : markedFolder;
        const QByteArray other = swapKeeper ? markedFolder : keptFolder;
        QCOMPARE(::rename(swapped.constData(), (root + "/aside").constData()), 0);
        QCOMPARE(::symlink(other.constData(), swapped.constData()), 0);

        markAllAndDelete(app);
        QCOMPARE(infoLine(app, 0), QStringLiteral("Duplicates Cleaned: 0"));
        QCOMPARE(infoLine(app, 2),
                 QStringLiteral("1 marked file could not be moved to the Trash and stays marked."));
        pressInformationOk(app);
        QCOMPARE(int(TestSupport::trashedNames(m_trash).size()), trashedBefore);
        QVERIFY(isLiveCopy(root + "/aside/report.pdf", bytes));
        QVERIFY(isLiveCopy(other + "/report.pdf", bytes));
        QCOMPARE(set->files().at(1)->state(), 1);
    }

    // A file bind-mounted onto another path is one file: no set, and no
    // trashing one name while "keeping" the other.
    void bindMountedFile()
    {
        const QByteArray root = freshFolder();
        const QByteArray bytes("one file, two names");
        QVERIFY(write(root + "/a.jpg", bytes));
        QVERIFY(write(root + "/b.jpg", "placeholder"));
        QByteArray why;
        if (!mountOrSkipMessage((root + "/a.jpg").constData(), root + "/b.jpg", nullptr, MS_BIND, &why)) {
            QSKIP(why.constData());
        }
        m_mounts << root + "/b.jpg";
        const QByteArrayList paths = collect({LocationEntry{root, true, true}});
        QCOMPARE(paths.size(), 1);

        const SetPtr set = keeperAndMarked(File::create(root + "/a.jpg", quint64(bytes.size())),
                                           File::create(root + "/b.jpg", quint64(bytes.size())));
        QVERIFY(set->trashSelectedFiles().isEmpty());
        const SetPtr reversed = keeperAndMarked(File::create(root + "/b.jpg", quint64(bytes.size())),
                                                File::create(root + "/a.jpg", quint64(bytes.size())));
        QVERIFY(reversed->trashSelectedFiles().isEmpty());
        unmountAll();
        QVERIFY(isLiveCopy(root + "/a.jpg", bytes));
    }

    // A hard link is a separate name of the same file: trashing its twin
    // leaves the kept name with the bytes.
    void hardLinkKeptWhileTwinTrashed()
    {
        const QByteArray root = freshFolder();
        const QByteArray bytes("one file, two hard links");
        QVERIFY(write(root + "/kept.txt", bytes));
        QCOMPARE(::link((root + "/kept.txt").constData(), (root + "/twin.txt").constData()), 0);
        const QHash<QByteArray, FilePtr> records = collectRecords(root);
        QCOMPARE(records.size(), 2);
        const SetPtr set =
            keeperAndMarked(records.value(root + "/kept.txt"), records.value(root + "/twin.txt"));
        QCOMPARE(set->trashSelectedFiles().size(), 1);
        QVERIFY(!TreeBuilder::exists(root + "/twin.txt"));
        QVERIFY(isLiveCopy(root + "/kept.txt", bytes));
        QVERIFY(TestSupport::trashedNames(m_trash).contains("twin.txt"));
    }

    // A chain 100,000 folders deep is walked on a 4 MiB stack, in a child
    // process so that an overflow shows up as a signal, not a dead suite.
    void deepChainOnSmallStack()
    {
        // On a tmpfs when the kernel allows it: ext4 takes minutes to remove
        // a chain this deep, tmpfs goes at unmount.
        const QByteArray root = freshFolder();
        const bool onTmpfs = ::mount("tidemark-deep", root.constData(), "tmpfs", 0, nullptr) == 0;
        if (onTmpfs) {
            m_mounts << root;
        }
        const int depth = 100000;
        QVERIFY(write(root + "/top.jpg", "deep"));
        QVERIFY(makeChain(root, depth, {"a.jpg", "b.jpg"}, "deep"));
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            DeepScan scan{root, depth, -1};
            pthread_attr_t attributes;
            pthread_attr_init(&attributes);
            pthread_attr_setstacksize(&attributes, 4 * 1024 * 1024);
            pthread_t thread;
            if (pthread_create(&thread, &attributes, deepScanThread, &scan) != 0) {
                ::_exit(5);
            }
            pthread_join(thread, nullptr);
            ::_exit(scan.result);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        const bool exited = WIFEXITED(status);
        const int code = exited ? WEXITSTATUS(status) : -WTERMSIG(status);
        if (!onTmpfs) {
            removeChain(root);
        }
        QCOMPARE(code, 0);
    }

    // Paths longer than PATH_MAX are collected with their exact bytes and
    // can be reached again; the Trash move of such a path fails cleanly and
    // both copies stay.
    void pathOverPathMax()
    {
        const QByteArray root = freshFolder();
        const QByteArray component(200, 'p');
        QByteArray deep = root;
        int fd = ::open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        while (deep.size() <= PATH_MAX + 300) {
            QCOMPARE(::mkdirat(fd, component.constData(), 0755), 0);
            const int next = ::openat(fd, component.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            fd = next;
            QVERIFY(fd >= 0);
            deep += '/' + component;
        }
        const QByteArray bytes("far down");
        for (const char* name : {"one.txt", "two.txt"}) {
            const int file = ::openat(fd, name, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            QVERIFY(file >= 0);
            QCOMPARE(::write(file, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
            ::close(file);
        }
        ::close(fd);
        const QHash<QByteArray, FilePtr> records = collectRecords(root);
        QCOMPARE(records.size(), 2);
        QVERIFY(records.contains(deep + "/one.txt"));
        QVERIFY(records.contains(deep + "/two.txt"));
        QVERIFY(deep.size() > PATH_MAX);

        const SetPtr set =
            keeperAndMarked(records.value(deep + "/one.txt"), records.value(deep + "/two.txt"));
        const QList<FilePtr> moved = set->trashSelectedFiles();
        // Either the Trash took it (then the kept copy is still there) or
        // nothing moved; never both gone.
        int fdDeep = ::open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (qsizetype at = root.size() + 1; at < deep.size(); at += component.size() + 1) {
            const int next = ::openat(fdDeep, component.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(fdDeep);
            fdDeep = next;
        }
        QVERIFY(fdDeep >= 0);
        QCOMPARE(::faccessat(fdDeep, "one.txt", F_OK, 0), 0);
        QCOMPARE(::faccessat(fdDeep, "two.txt", F_OK, 0) == 0, moved.isEmpty());
        ::close(fdDeep);
        // Beyond PATH_MAX the temporary folder's own removal cannot reach.
        removeChain(root, component);
    }

    // A list well over 16 MiB, as the program writes it, loads whole and
    // survives one more addition.
    void largeExceptionListSurvivesAnAddition()
    {
        const QByteArray folder = freshFolder();
        QByteArrayList paths;
        const QByteArray stem =
            "/home/someone/Pictures/holiday-album-with-a-long-name/" + QByteArray(40, 'x');
        for (int i = 0; paths.size() < 300000; ++i) {
            paths << stem + QByteArray::number(i) + ".jpg";
        }
        ExceptionList list;
        list.load(folder);
        QCOMPARE(list.addPaths(paths), qsizetype(paths.size()));
        QVERIFY(list.lastWriteSucceeded());
        struct stat st
        {
        };
        QCOMPARE(::stat((folder + "/exception.plist").constData(), &st), 0);
        QVERIFY(st.st_size > 20 * 1024 * 1024);

        ExceptionList reloaded;
        reloaded.load(folder);
        QVERIFY(reloaded.loadedCleanly());
        QCOMPARE(reloaded.exceptionArrayData().size(), paths.size());
        QCOMPARE(reloaded.addPaths({"/one/more.jpg"}), 1);
        ExceptionList third;
        third.load(folder);
        QCOMPARE(third.exceptionArrayData().size(), paths.size() + 1);
        QCOMPARE(third.exceptionArrayData().first(), paths.first());
        QCOMPARE(third.exceptionArrayData().last(), QByteArray("/one/more.jpg"));
    }

    // A list that exists but cannot be read is never written over.
    void unreadableExceptionListIsNeverReplaced()
    {
        const QByteArray folder = freshFolder();
        const QByteArray damaged = "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><string>/a";
        QVERIFY(write(folder + "/exception.plist", damaged));
        ExceptionList list;
        list.load(folder);
        QVERIFY(!list.loadedCleanly());
        QCOMPARE(list.addPaths({"/new.jpg"}), 1);
        QVERIFY(list.contains("/new.jpg"));
        QVERIFY(!list.lastWriteSucceeded());
        list.removeAll();
        QCOMPARE(TreeBuilder::readBytes(folder + "/exception.plist"), damaged);
    }

    // Run as root for another user, everything made in that user's support
    // folder belongs to the user, including folders an older run left
    // owned by root.
    void rootRunKeepsTheUsersOwnership()
    {
        if (::geteuid() != 0) {
            QSKIP("needs root: the case is a root run on behalf of another user");
        }
        const uid_t uid = 12345;
        const gid_t gid = 12345;
        // The user must be able to reach the folder in the child run below.
        QCOMPARE(::chmod(m_root.path.constData(), 0755), 0);
        const QByteArray home = freshFolder() + "/home";
        QVERIFY(makeDirs(home + "/.local/share"));
        for (const char* rel : {"", "/.local", "/.local/share"}) {
            QCOMPARE(::chown((home + rel).constData(), uid, gid), 0);
        }
        QVERIFY(makeDirs(home + "/.local/share/Quillon")); // left owned by root by an older run
        const QByteArray support = home + "/.local/share/Quillon/Tidemark";
        // A second user whose home holds nothing of ours yet.
        const QByteArray bareHome = freshFolder() + "/bare";
        QVERIFY(makeDirs(bareHome));
        QCOMPARE(::chown(bareHome.constData(), uid, gid), 0);
        StatisticsStore bareStore;
        bareStore.loadDataFile(bareHome + "/.local/share/Quillon/Tidemark");
        for (const char* rel :
             {"/.local", "/.local/share", "/.local/share/Quillon", "/.local/share/Quillon/Tidemark",
              "/.local/share/Quillon/Tidemark/data.plist"}) {
            struct stat st
            {
            };
            QCOMPARE(::lstat((bareHome + rel).constData(), &st), 0);
            QVERIFY2(st.st_uid == uid && st.st_gid == gid, (bareHome + rel).constData());
        }

        StatisticsStore store;
        store.loadDataFile(support);
        QVERIFY(store.recordRun(0, 0, 2, 2000));
        ExceptionList exceptions;
        exceptions.load(support);
        exceptions.addPaths({"/some/file.jpg"});
        QVERIFY(exceptions.lastWriteSucceeded());

        for (const QByteArray& rel :
             {QByteArray("/.local/share/Quillon"), QByteArray("/.local/share/Quillon/Tidemark"),
              QByteArray("/.local/share/Quillon/Tidemark/data.plist"),
              QByteArray("/.local/share/Quillon/Tidemark/exception.plist")}) {
            struct stat st
            {
            };
            QCOMPARE(::lstat((home + rel).constData(), &st), 0);
            QVERIFY2(st.st_uid == uid && st.st_gid == gid, (home + rel).constData());
        }
        // Nothing else was left behind (temporary files).
        int entries = 0;
        if (DIR* dir = ::opendir(support.constData())) {
            while (const dirent* entry = ::readdir(dir)) {
                entries += entry->d_name[0] == '.' ? 0 : 1;
            }
            ::closedir(dir);
        }
        QCOMPARE(entries, 2);

        // The user's own run can replace the files.
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            if (::setgid(gid) != 0 || ::setuid(uid) != 0) {
                ::_exit(4);
            }
            ExceptionList own;
            own.load(support);
            own.addPaths({"/by/the/user.jpg"});
            ::_exit(own.lastWriteSucceeded() && own.exceptionArrayData().size() == 2 ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
    }
};

QTEST_MAIN(TstSafety)
#include "tst_safety.moc"
