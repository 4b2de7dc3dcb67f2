#include "TestSupport.h"
#include "locations/FolderBrowser.h"
#include "locations/LocationList.h"
#include "platform/MountTable.h"
#include "platform/UserFolders.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

using Notice = LocationList::Notice;
using Page = FolderBrowser::Page;
Q_DECLARE_METATYPE(Notice)

namespace {

bool makeDirs(const QByteArray& path)
{
    const QByteArrayList parts = path.split('/');
    QByteArray at;
    for (const QByteArray& part : parts) {
        at += part + '/';
        if (!part.isEmpty() && ::mkdir(at.constData(), 0755) != 0 && errno != EEXIST) {
            return false;
        }
    }
    return true;
}

bool writeFile(const QByteArray& path, off_t size = 1, const QByteArray& content = "x")
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    bool ok = ::write(fd, content.constData(), content.size()) == content.size();
    ok = ::ftruncate(fd, size) == 0 && ok;
    return ::close(fd) == 0 && ok;
}

// Names of a folder in readdir order, the order the listing must keep.
QByteArrayList readdirNames(const QByteArray& folder)
{
    QByteArrayList names;
    if (DIR* dir = ::opendir(folder.constData())) {
        while (const dirent* e = ::readdir(dir)) {
            names.append(QByteArray(e->d_name));
        }
        ::closedir(dir);
    }
    return names;
}

QByteArrayList inListingOrder(const QByteArray& folder, const QByteArrayList& kept)
{
    QByteArrayList out;
    for (const QByteArray& name : readdirNames(folder)) {
        if (kept.contains(name)) {
            out.append(folder + '/' + name);
        }
    }
    return out;
}

LocationEntry entry(const QByteArray& name, bool state = false, bool folder = true)
{
    LocationEntry e;
    e.name = name;
    e.state = state;
    e.folder = folder;
    return e;
}

QByteArrayList names(const LocationList& list)
{
    QByteArrayList out;
    for (const LocationEntry& e : list.entries()) {
        out.append(e.name);
    }
    return out;
}

LocationList::Environment iconEnvironment()
{
    LocationList::Environment env;
    env.userFolders = {"/home/ann/Schreibtisch", "/home/ann/Dokumente", "/home/ann/Bilder"};
    env.drives = {"/", "/media/ann/NAS", "/media/ann/Stick", "/media/ann/Card", "/mnt/data", "/mnt/odd"};
    env.mounts = MountTable({{"/", "ext4", false},
                             {"/media/ann/NAS", "cifs", false},
                             {"/media/ann/Stick", "ext4", true},
                             {"/media/ann/Card", "exfat", false},
                             {"/mnt/data", "btrfs", false},
                             {"/mnt/odd", "fuseblk", false}});
    return env;
}

} // namespace

class TestLocations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void specialFirstCharacters()
    {
        // Exactly these 30 of the printable ASCII characters, so every dot name too.
        QByteArray found;
        for (int c = 0x20; c < 0x7f; ++c) {
            if (LocationList::isSpecialFolder(QByteArray(1, char(c)) + "x")) {
                found.append(char(c));
            }
        }
        QCOMPARE(found, QByteArray("!\"#$%&'()*+,-./:;<=>?@[\\]^`{}~"));
        QVERIFY(!LocationList::isSpecialFolder("\xff\xfe"));
        QVERIFY(!LocationList::isSpecialFolder("a.b"));
    }

    void supportedImage_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<bool>("supported");
        QTest::newRow("upper case") << QByteArray("/a/x.JPG") << true;
        QTest::newRow("mixed case") << QByteArray("/a/x.PspImage") << true;
        QTest::newRow("text") << QByteArray("/a/notes.txt") << false;
        QTest::newRow("no extension") << QByteArray("/a/jpg") << false;
        QTest::newRow("dot folder, bare name") << QByteArray("/a.jpg/photo") << false;
        QTest::newRow("leading dot only") << QByteArray("/a/.jpg") << false;
        QTest::newRow("trailing dot") << QByteArray("/a/x.") << false;
        QTest::newRow("part of a type") << QByteArray("/a/x.jp") << false;
        QTest::newRow("two types") << QByteArray("/a/x.jpgpng") << false;
        QTest::newRow("not utf-8 name") << QByteArray("/a/\xff.png") << true;
    }
    void supportedImage()
    {
        QFETCH(QByteArray, path);
        QFETCH(bool, supported);
        QCOMPARE(LocationList::isSupportedImage(path), supported);
    }
    void everyPanelTypeIsSupported()
    {
        const QByteArrayList types = {"jpg",      "jpeg", "psd", "png", "bmp", "dng", "tiff", "gif",
                                      "pspimage", "thm",  "tif", "yuv", "ai",  "cr2", "crw",  "kdc",
                                      "nef",      "mrw",  "orf", "x3f", "raw", "raf", "dcx"};
        QCOMPARE(types.size(), 23);
        for (const QByteArray& type : types) {
            QVERIFY2(LocationList::isSupportedImage("/p/a." + type.toUpper()), type.constData());
        }
    }

    void alreadyListed_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<bool>("listed");
        QTest::newRow("equal") << QByteArray("/home/ann/Pictures") << true;
        QTest::newRow("below a folder") << QByteArray("/home/ann/Pictures/Trip") << true;
        QTest::newRow("same prefix, other name") << QByteArray("/home/ann/PicturesOld") << false;
        QTest::newRow("case differs") << QByteArray("/home/ann/pictures") << false;
        QTest::newRow("below my.photos") << QByteArray("/home/ann/my.photos/a") << false;
        QTest::newRow("my.photos itself") << QByteArray("/home/ann/my.photos") << true;
        QTest::newRow("below a file entry") << QByteArray("/home/ann/a.jpg/x") << false;
        QTest::newRow("below the extension-less .cfg") << QByteArray("/home/ann/.cfg/x") << true;
        QTest::newRow("not utf-8 below") << QByteArray("/srv/\xff/sub") << true;
        QTest::newRow("other non-utf-8 byte") << QByteArray("/srv/\xfe/sub") << false;
        QTest::newRow("covered by a later entry") << QByteArray("/x/my.photos/a") << true;
    }
    void alreadyListed()
    {
        QFETCH(QByteArray, path);
        QFETCH(bool, listed);
        const QByteArrayList entries = {"/x/my.photos",
                                        "/home/ann/Pictures",
                                        "/home/ann/my.photos",
                                        "/home/ann/a.jpg",
                                        "/home/ann/.cfg",
                                        "/srv/\xff",
                                        "/x"};
        for (bool reversed : {false, true}) {
            LocationList list;
            QList<LocationEntry> rows;
            for (const QByteArray& name : entries) {
                rows.insert(reversed ? 0 : rows.size(), entry(name));
            }
            list.setEntries(rows);
            QCOMPARE(list.imageIsAlreadyThere(path), listed);
        }
    }

    void foldersAtPath()
    {
        TempRoot root;
        const QByteArray top = root / "top";
        QVERIFY(makeDirs(top + "/b") && makeDirs(top + "/a") && makeDirs(top + "/c"));
        QVERIFY(makeDirs(top + "/.hidden") && makeDirs(top + "/(skip)") && makeDirs(top + "/\xff\xfe"));
        QVERIFY(writeFile(top + "/f.txt"));
        QVERIFY(::symlink("a", (top + "/linkdir").constData()) == 0);
        QVERIFY(::symlink("f.txt", (top + "/linkfile").constData()) == 0);
        QVERIFY(::symlink("nowhere", (top + "/broken").constData()) == 0);

        // Sorted by name, never in the file system's own order.
        QByteArrayList expected;
        for (const char* name : {"a", "b", "c", "linkdir", "\xff\xfe"}) {
            expected << top + '/' + name;
        }
        QCOMPARE(LocationList::getFoldersAtPath(top), expected);

        // Case does not split the order.
        const QByteArray mixed = root / "mixed";
        for (const char* name : {"beta", "Alpha", "gamma", "Delta", "epsilon", "Zeta"}) {
            QVERIFY(makeDirs(mixed + '/' + name));
        }
        QByteArrayList byName;
        for (const char* name : {"Alpha", "beta", "Delta", "epsilon", "gamma", "Zeta"}) {
            byName << mixed + '/' + name;
        }
        QCOMPARE(LocationList::getFoldersAtPath(mixed), byName);

        QVERIFY(LocationList::getFoldersAtPath(top + "/missing").isEmpty());
        QVERIFY(LocationList::getFoldersAtPath(top + "/f.txt").isEmpty());
        QVERIFY(LocationList::getFoldersAtPath(top + "/a").isEmpty());
        QCOMPARE(LocationList::getFoldersAtPath(top + "/linkdir"), QByteArrayList());
        // The root folder's children are "/name", never "//name".
        for (const QByteArray& path : LocationList::getFoldersAtPath("/")) {
            QVERIFY2(path.startsWith('/') && !path.startsWith("//"), path.constData());
        }
    }

    void iconRule_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QString>("icon");
        QTest::newRow("desktop by role") << QByteArray("/home/ann/Schreibtisch") << "mymac.png";
        QTest::newRow("desktop by name") << QByteArray("/srv/x/Desktop") << "mymac.png";
        QTest::newRow("root, ext4") << QByteArray("/") << "g5_apple_drive.png";
        QTest::newRow("network share") << QByteArray("/media/ann/NAS") << "network_drive.png";
        QTest::newRow("removable ext4") << QByteArray("/media/ann/Stick") << "usb_drive.png";
        QTest::newRow("exfat card") << QByteArray("/media/ann/Card") << "usb_drive.png";
        QTest::newRow("btrfs") << QByteArray("/mnt/data") << "g5_apple_drive.png";
        QTest::newRow("other type") << QByteArray("/mnt/odd") << "folder.png";
        QTest::newRow("inside a drive") << QByteArray("/media/ann/Stick/sub") << "folder.png";
        QTest::newRow("not a drive") << QByteArray("/mnt") << "folder.png";
    }
    void iconRule()
    {
        QFETCH(QByteArray, path);
        QFETCH(QString, icon);
        LocationList list;
        list.setEnvironment(iconEnvironment());
        QCOMPARE(list.imageNameOfPath(path), icon);
    }
    void iconRuleWithoutMountInfo()
    {
        LocationList list;
        LocationList::Environment env = iconEnvironment();
        env.mounts = MountTable();
        list.setEnvironment(env);
        QVERIFY(!list.environment().mounts.infoFor("/").known);
        QCOMPARE(list.imageNameOfPath("/"), "folder.png");
        QCOMPARE(list.imageNameOfPath("/media/ann/NAS"), "folder.png");
        QCOMPARE(list.imageNameOfPath("/home/ann/Schreibtisch"), "mymac.png");
    }

    void mountInfo_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<bool>("known");
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<bool>("removable");
        QTest::newRow("root") << QByteArray("/") << true << QByteArray("ext4") << false;
        QTest::newRow("escaped space")
            << QByteArray("/media/ann/My Stick/DCIM") << true << QByteArray("vfat") << true;
        QTest::newRow("prefix is no parent")
            << QByteArray("/media/ann/My") << true << QByteArray("ext4") << false;
        QTest::newRow("network") << QByteArray("/mnt/nas") << true << QByteArray("cifs") << false;
        QTest::newRow("nas prefix") << QByteArray("/mnt/nasty") << true << QByteArray("ext4") << false;
        QTest::newRow("optional fields, no sysfs")
            << QByteArray("/mnt/fast/x") << true << QByteArray("xfs") << false;
        QTest::newRow("whole removable disk")
            << QByteArray("/media/ann/Card") << true << QByteArray("exfat") << true;
        QTest::newRow("escaped tab") << QByteArray("/home/ann/tab\tname") << true << QByteArray("fuse.sshfs")
                                     << false;
        QTest::newRow("later mount on top")
            << QByteArray("/mnt/over") << true << QByteArray("btrfs") << false;
    }
    void mountInfo()
    {
        QFETCH(QByteArray, path);
        QFETCH(bool, known);
        QFETCH(QByteArray, type);
        QFETCH(bool, removable);

        TempRoot sys;
        QVERIFY(makeDirs(sys / "devices/pci/sda/sda2") && makeDirs(sys / "devices/usb/sdb/sdb1"));
        QVERIFY(makeDirs(sys / "devices/usb/sdc") && makeDirs(sys / "dev/block"));
        QVERIFY(writeFile(sys / "devices/pci/sda/removable", 2, "0\n"));
        QVERIFY(writeFile(sys / "devices/usb/sdb/removable", 2, "1\n"));
        QVERIFY(writeFile(sys / "devices/usb/sdc/removable", 2, "1\n"));
        QVERIFY(::symlink("../../devices/pci/sda/sda2", (sys / "dev/block/8:2").constData()) == 0);
        QVERIFY(::symlink("../../devices/usb/sdb/sdb1", (sys / "dev/block/8:17").constData()) == 0);
        QVERIFY(::symlink("../../devices/usb/sdc", (sys / "dev/block/8:32").constData()) == 0);

        const QByteArray text =
            "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
            "garbage line\n"
            "\n"
            "30 22 8:17 / /media/ann/My\\040Stick rw,nosuid shared:5 - vfat /dev/sdb1 rw\n"
            "31 22 0:45 / /mnt/nas rw - cifs //srv/share rw\n"
            "32 22 259:3 / /mnt/fast rw shared:7 master:2 - xfs /dev/nvme0n1p3 rw\n"
            "33 22 8:32 / /media/ann/Card rw - exfat /dev/sdc rw\n"
            "34 22 0:50 /sub /home/ann/tab\\011name rw - fuse.sshfs host:/x rw\n"
            "35 22 0:51 / /mnt/over rw - tmpfs tmpfs rw\n"
            "36 35 0:52 / /mnt/over rw - btrfs /dev/sdd rw";
        const MountTable table = MountTable::fromMountInfo(text, sys.path);
        QCOMPARE(table.mounts().size(), 8);
        QCOMPARE(table.mounts().at(1).mountPoint, QByteArray("/media/ann/My Stick"));

        const MountTable::Info info = table.infoFor(path);
        QCOMPARE(info.known, known);
        QCOMPARE(info.fsType, type);
        QCOMPARE(info.removable, removable);
    }
    void systemMountTableCoversRoot()
    {
        if (!QFile::exists("/proc/self/mountinfo")) {
            QSKIP("no /proc/self/mountinfo here");
        }
        QVERIFY(MountTable::system().infoFor("/").known);
        QVERIFY(!MountTable().infoFor("/").known);
    }

    void userDirs_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArrayList>("expected"); // relative to home unless absolute
        QTest::newRow("no file") << QByteArray() << QByteArrayList{"Desktop", "Documents", "Pictures"};
        QTest::newRow("localised and absolute") << QByteArray("# written by xdg-user-dirs-update\n"
                                                              "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                                                              "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
                                                              "XDG_DOCUMENTS_DIR=\"/srv/docs/\"\n"
                                                              "  # XDG_PICTURES_DIR=\"$HOME/nope\"\n")
                                                << QByteArrayList{"Schreibtisch", "/srv/docs", "Pictures"};
        QTest::newRow("escapes, last wins, bad value ignored")
            << QByteArray("XDG_PICTURES_DIR=\"$HOME/My\\\"Pics\"\n"
                          "XDG_DESKTOP_DIR=\"relative/path\"\n"
                          "XDG_DOCUMENTS_DIR=\"$HOME/a\"\nXDG_DOCUMENTS_DIR=\"$HOME/b\"\n")
            << QByteArrayList{"Desktop", "b", "My\"Pics"};
    }
    void userDirs()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArrayList, expected);
        TempRoot root;
        const QByteArray home = root / "home";
        QVERIFY(makeDirs(home + "/.config") && makeDirs(root / "cfg"));
        QByteArrayList full;
        for (const QByteArray& e : expected) {
            full.append(e.startsWith('/') ? e : home + '/' + e);
        }
        if (!content.isEmpty()) {
            QVERIFY(writeFile(root / "cfg/user-dirs.dirs", content.size(), content));
            QVERIFY(writeFile(home + "/.config/user-dirs.dirs", content.size(), content));
        }
        QCOMPARE(UserFolders::desktopDocumentsPictures(home, root / "cfg"), full);
        QCOMPARE(UserFolders::desktopDocumentsPictures(home), full);
    }

    void drives()
    {
        TempRoot root;
        QVERIFY(makeDirs(root / "media/ann/Stick") && makeDirs(root / "media/ann/Disk"));
        QVERIFY(makeDirs(root / "media/ann/.hidden") && makeDirs(root / "media/ann/(x)"));
        QVERIFY(makeDirs(root / "media/bob/Other") && makeDirs(root / "run/media/ann/Card"));
        QVERIFY(makeDirs(root / "mnt/data") && writeFile(root / "media/ann/file.txt"));

        QByteArrayList expected{"/"};
        expected += inListingOrder(root / "media/ann", {"Stick", "Disk"});
        expected += QByteArrayList{root / "run/media/ann/Card", root / "mnt/data"};
        QCOMPARE(UserFolders::drives("ann", root.path), expected);
        QCOMPARE(UserFolders::drives("nobody", root.path), (QByteArrayList{"/", root / "mnt/data"}));
    }

    void initialState_data()
    {
        QTest::addColumn<bool>("folderMode");
        QTest::addColumn<QByteArrayList>("expectedNames");
        QTest::addColumn<QStringList>("expectedIcons");
        QTest::newRow("folder mode")
            << true
            << QByteArrayList{"/home/ann/Schreibtisch", "/home/ann/Dokumente", "/home/ann/Bilder", "/",
                              "/media/ann/Stick",       "/media/ann/Card",     "/mnt/data",        "/mnt/odd"}
            << QStringList{"mymac.png",     "folder.png",    "folder.png",         "g5_apple_drive.png",
                           "usb_drive.png", "usb_drive.png", "g5_apple_drive.png", "folder.png"};
        QTest::newRow("drive mode") << false
                                    << QByteArrayList{"/", "/media/ann/Stick", "/media/ann/Card", "/mnt/data",
                                                      "/mnt/odd"}
                                    << QStringList{"g5_apple_drive.png", "usb_drive.png", "usb_drive.png",
                                                   "g5_apple_drive.png", "folder.png"};
    }
    void initialState()
    {
        QFETCH(bool, folderMode);
        QFETCH(QByteArrayList, expectedNames);
        QFETCH(QStringList, expectedIcons);
        LocationList list;
        list.setEnvironment(iconEnvironment());
        list.setScanFolderClicked(folderMode);
        list.stateArray() = {"/home/ann/Dokumente", "/mnt/data", "/media/ann/NAS"};
        list.setInitialState();
        QCOMPARE(names(list), expectedNames);
        for (qsizetype i = 0; i < list.entries().size(); ++i) {
            const LocationEntry& e = list.entries().at(i);
            QCOMPARE(e.image, expectedIcons.at(i));
            QCOMPARE(e.state, e.name == "/home/ann/Dokumente" || e.name == "/mnt/data");
            QVERIFY(e.folder);
            QVERIFY(e.size.isEmpty());
        }
        // Appends: callers empty the list first.
        list.setInitialState();
        QCOMPARE(list.entries().size(), 2 * expectedNames.size());
    }
    void systemEnvironmentByDefault()
    {
        if (MountTable::isNetworkType(MountTable::system().infoFor("/").fsType)) {
            QSKIP("root is a network mount here");
        }
        LocationList list;
        list.setInitialState();
        QVERIFY(!list.entries().isEmpty());
        QCOMPARE(list.entries().first().name, QByteArray("/"));
        QCOMPARE(list.environment().drives.first(), QByteArray("/"));
    }

    void addFolders()
    {
        LocationList list;
        list.setEntries({entry("/home/ann/Pictures"), entry("/home/ann/my.photos")});
        const Notice notice =
            list.addFolders({"/srv/one", "/home/ann/Pictures/Trip", "/home/ann/my.photos/a"});
        QCOMPARE(notice, Notice::FolderAlreadyAdded);
        QCOMPARE(LocationList::noticeText(notice), "Folder already added.");
        QCOMPARE(names(list), (QByteArrayList{"/home/ann/Pictures", "/home/ann/my.photos", "/srv/one",
                                              "/home/ann/my.photos/a"}));
        const LocationEntry& added = list.entries().at(2);
        QVERIFY(added.state && added.folder && added.image.isEmpty() && added.size.isEmpty());

        // Chosen together: the second is covered by the first just added.
        QCOMPARE(list.addFolders({"/home/ann", "/home/ann/Music"}), Notice::FolderAlreadyAdded);
        QCOMPARE(list.entries().last().name, QByteArray("/home/ann"));
        QCOMPARE(list.addFolders({"/opt"}), Notice::None);
    }

    void addFiles()
    {
        TempRoot root;
        QVERIFY(writeFile(root / "a.jpg", 1520000) && writeFile(root / "b.png", 0) &&
                makeDirs(root / "dir.jpg"));
        LocationList list;
        list.setEntries({entry(root / "b.png", true, false)});
        const Notice notice =
            list.addFiles({root / "a.jpg", root / "missing.jpg", root / "dir.jpg", root / "b.png"});
        QCOMPARE(notice, Notice::ImageAlreadyAdded);
        QCOMPARE(LocationList::noticeText(notice), "Image already added.");
        QCOMPARE(names(list), (QByteArrayList{root / "b.png", root / "a.jpg"}));
        const LocationEntry& added = list.entries().at(1);
        QCOMPARE(added.size, "1.52 MB");
        QVERIFY(added.state && !added.folder && added.image.isEmpty());
    }

    void dropAtRow()
    {
        TempRoot root;
        QVERIFY(makeDirs(root / "New") && writeFile(root / "x.JPG", 999));
        LocationList list;
        list.setEntries({entry("/r0"), entry("/r1"), entry("/r2")});
        Notice notice = Notice::UnsupportedFile;
        QVERIFY(list.acceptDrop({root / "New", root / "x.JPG"}, 1, &notice));
        QCOMPARE(notice, Notice::None);
        QCOMPARE(names(list), (QByteArrayList{"/r0", root / "New", root / "x.JPG", "/r1", "/r2"}));
        QVERIFY(list.entries().at(1).folder && list.entries().at(1).state);
        QVERIFY(!list.entries().at(2).folder);
        QCOMPARE(list.entries().at(2).size, "1.00 KB");

        // Rows outside the list clamp to its ends.
        QVERIFY(makeDirs(root / "End") && makeDirs(root / "Start"));
        QVERIFY(list.acceptDrop({root / "End"}, 99, nullptr));
        QVERIFY(list.acceptDrop({root / "Start"}, -3, nullptr));
        QCOMPARE(list.entries().last().name, root / "End");
        QCOMPARE(list.entries().first().name, root / "Start");
    }

    void dropNotices_data()
    {
        QTest::addColumn<QByteArrayList>("dropped"); // relative to the temporary root
        QTest::addColumn<bool>("added");
        QTest::addColumn<Notice>("notice");
        QTest::addColumn<QString>("text");
        QTest::newRow("notes.txt alone")
            << QByteArrayList{"notes.txt"} << false << Notice::UnsupportedFile << "Unsupported file.";
        QTest::newRow("notes.txt and a new folder")
            << QByteArrayList{"notes.txt", "New"} << true << Notice::None << "";
        QTest::newRow("listed folder")
            << QByteArrayList{"Listed"} << false << Notice::FileAlreadyAdded << "File already added.";
        QTest::newRow("listed image and notes.txt") << QByteArrayList{"notes.txt", "Listed/p.png"} << false
                                                    << Notice::FileAlreadyAdded << "File already added.";
        QTest::newRow("missing image")
            << QByteArrayList{"gone.jpg"} << false << Notice::UnsupportedFile << "Unsupported file.";
        QTest::newRow("link to a folder") << QByteArrayList{"link"} << true << Notice::None << "";
        QTest::newRow("nothing") << QByteArrayList{} << false << Notice::None << "";
    }
    void dropNotices()
    {
        QFETCH(QByteArrayList, dropped);
        QFETCH(bool, added);
        QFETCH(Notice, notice);
        QFETCH(QString, text);
        TempRoot root;
        QVERIFY(makeDirs(root / "New") && makeDirs(root / "Listed") && writeFile(root / "notes.txt"));
        QVERIFY(writeFile(root / "Listed/p.png") && ::symlink("New", (root / "link").constData()) == 0);
        LocationList list;
        list.setEntries({entry(root / "Listed", true)});
        QByteArrayList paths;
        for (const QByteArray& rel : dropped) {
            paths.append(root / rel);
        }
        Notice got = Notice::None;
        QCOMPARE(list.acceptDrop(paths, 0, &got), added);
        QCOMPARE(got, notice);
        QCOMPARE(LocationList::noticeText(got), text);
        QCOMPARE(list.entries().size(), added ? 2 : 1);
        if (added) {
            QVERIFY(list.entries().first().folder);
        }
    }

    void buttonRule_data()
    {
        // One letter per entry: F/f marked/unmarked folder, I/i marked/unmarked file.
        QTest::addColumn<QByteArray>("entries");
        QTest::addColumn<QByteArray>("buttons"); // markAll, unmarkAll, remove, scan as 0/1
        QTest::newRow("empty") << QByteArray("") << QByteArray("0000");
        QTest::newRow("one marked file") << QByteArray("I") << QByteArray("0110");
        QTest::newRow("two marked files") << QByteArray("II") << QByteArray("0111");
        QTest::newRow("one marked folder") << QByteArray("F") << QByteArray("0111");
        QTest::newRow("marked file, unmarked file") << QByteArray("Ii") << QByteArray("1110");
        QTest::newRow("none marked") << QByteArray("fi") << QByteArray("1000");
        QTest::newRow("folder among unmarked") << QByteArray("ifF") << QByteArray("1111");
        QTest::newRow("all marked, mixed") << QByteArray("FIF") << QByteArray("0111");
    }
    void buttonRule()
    {
        QFETCH(QByteArray, entries);
        QFETCH(QByteArray, buttons);
        LocationList list;
        QList<LocationEntry> rows;
        int i = 0;
        for (char c : entries) {
            rows.append(entry("/e" + QByteArray::number(i++), c == 'F' || c == 'I', c == 'F' || c == 'f'));
        }
        list.setEntries(rows);
        const LocationList::ButtonStates b = list.reflectMarkStatusForRemoveButton();
        const QByteArray got = QByteArray::number(int(b.markAll)) + QByteArray::number(int(b.unmarkAll)) +
                               QByteArray::number(int(b.remove)) + QByteArray::number(int(b.scan));
        QCOMPARE(got, buttons);
    }

    void markingCommands()
    {
        LocationList list;
        list.setEntries({entry("/a"), entry("/b"), entry("/c")});
        list.checkButtonExactFirstpage(1, true);
        list.checkButtonExactFirstpage(1, true);
        QCOMPARE(list.stateArray(), (QByteArrayList{"/b", "/b"}));
        list.checkButtonExactFirstpage(1, false);
        QVERIFY(list.stateArray().isEmpty());
        QVERIFY(!list.entries().at(1).state);
        list.checkButtonExactFirstpage(7, true);
        list.markUnmarkTable(-1, true);

        list.markUnmarkTable(0, true);
        list.markAllExact();
        list.unmarkAllExact();
        list.markUnmarkTable(2, true);
        QVERIFY(list.stateArray().isEmpty());
        QCOMPARE(names(list).size(), 3);

        list.removeFromListExact();
        QCOMPARE(names(list), (QByteArrayList{"/a", "/b"}));
        list.removeFromListExact();
        QCOMPARE(names(list), (QByteArrayList{"/a", "/b"}));
        list.removeFromListMenuClicked(0);
        list.removeFromListMenuClicked(5);
        QCOMPARE(names(list), QByteArrayList{"/b"});
        list.clear();
        QVERIFY(list.entries().isEmpty());
    }

    void marksReachDownThroughFolderPages()
    {
        TempRoot root;
        const QByteArray docs = root / "Documents";
        QVERIFY(makeDirs(docs + "/A/A1") && makeDirs(docs + "/B") && makeDirs(root / "Other/X"));
        LocationList list;
        list.setEnvironment({{root / "Desktop", docs, root / "Pictures"}, {}, MountTable()});
        list.setScanFolderClicked(true);
        list.setInitialState();
        list.checkButtonExactFirstpage(1, true);

        list.showFolderPage(docs, LocationList::getFoldersAtPath(docs));
        QCOMPARE(names(list), (QByteArrayList{docs + "/A", docs + "/B"}));
        for (const LocationEntry& e : list.entries()) {
            QVERIFY(e.state && e.folder && e.image.isEmpty() && e.size.isEmpty());
            QVERIFY(list.stateArray().contains(e.name));
        }
        list.showFolderPage(docs + "/A", LocationList::getFoldersAtPath(docs + "/A"));
        QCOMPARE(names(list), QByteArrayList{docs + "/A/A1"});
        QVERIFY(list.entries().first().state);

        // Marked on an unmarked folder's page: not marked when the page comes back.
        list.showFolderPage(root / "Other", LocationList::getFoldersAtPath(root / "Other"));
        QVERIFY(!list.entries().first().state);
        list.checkButtonExactFirstpage(0, true);
        list.showFolderPage(root / "Other", LocationList::getFoldersAtPath(root / "Other"));
        QVERIFY(!list.entries().first().state);
    }

    void history_data()
    {
        // Steps: "in P" (folder with subfolders), "in- P" (without), "back", "fwd".
        // After each step: page letter, back/forward enabled ('<', '>' or '.'), current item.
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QByteArrayList>("history");
        QTest::addColumn<QList<qint64>>("positions"); // current, parent, child
        const QString d = "/home/ann/Documents";
        QTest::newRow("going in") << QStringList{"in " + d} << QStringList{"F <. " + d}
                                  << QByteArrayList{"Default", d.toUtf8()} << QList<qint64>{1, 0, -1};
        QTest::newRow("back and forward")
            << QStringList{"in " + d, "in " + d + "/A", "back", "back", "fwd", "fwd"}
            << QStringList{"F <. " + d,    "F <. " + d + "/A", "F <> " + d,
                           "D .> Default", "F <> " + d,        "F <. " + d + "/A"}
            << QByteArrayList{"Default", d.toUtf8(), (d + "/A").toUtf8()} << QList<qint64>{2, 1, 3};
        QTest::newRow("pruning a deeper folder")
            << QStringList{"in " + d, "in " + d + "/A", "back", "in " + d + "/B"}
            << QStringList{"F <. " + d, "F <. " + d + "/A", "F <> " + d, "F <. " + d + "/B"}
            << QByteArrayList{"Default", d.toUtf8(), (d + "/B").toUtf8()} << QList<qint64>{2, 1, -1};
        QTest::newRow("pruning keeps a shallower folder")
            << QStringList{"in /mnt/Stick", "back", "in /home/ann/Desktop", "back", "fwd", "fwd"}
            << QStringList{"F <. /mnt/Stick", "D .> Default",    "F <. /home/ann/Desktop",
                           "D .> Default",    "F <> /mnt/Stick", "F <. /home/ann/Desktop"}
            << QByteArrayList{"Default", "/mnt/Stick", "/home/ann/Desktop"} << QList<qint64>{2, 1, 4};
        QTest::newRow("positions move on with forward history")
            << QStringList{"in /mnt/Stick", "back", "in /home/ann/Desktop"}
            << QStringList{"F <. /mnt/Stick", "D .> Default", "F <. /home/ann/Desktop"}
            << QByteArrayList{"Default", "/mnt/Stick", "/home/ann/Desktop"} << QList<qint64>{2, 0, 2};
        QTest::newRow("a sibling replaces one of equal depth")
            << QStringList{"in " + d, "back", "in /home/ann/Pictures"}
            << QStringList{"F <. " + d, "D .> Default", "F <. /home/ann/Pictures"}
            << QByteArrayList{"Default", "/home/ann/Pictures"} << QList<qint64>{1, 0, -1};
        QTest::newRow("going into a visited folder again")
            << QStringList{"in " + d, "in " + d + "/A", "back", "back", "in " + d}
            << QStringList{"F <. " + d, "F <. " + d + "/A", "F <> " + d, "D .> Default", "F <. " + d}
            << QByteArrayList{"Default", d.toUtf8()} << QList<qint64>{1, 0, -1};
        QTest::newRow("no subfolders changes nothing")
            << QStringList{"in " + d, "in- " + d + "/Empty"} << QStringList{"F <. " + d, "U <. " + d}
            << QByteArrayList{"Default", d.toUtf8()} << QList<qint64>{1, 0, -1};
        QTest::newRow("back and forward when disabled")
            << QStringList{"back", "fwd"} << QStringList{"U .. Default", "U .. Default"}
            << QByteArrayList{"Default"} << QList<qint64>{0, -1, -1};
    }
    void history()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, after);
        QFETCH(QByteArrayList, history);
        QFETCH(QList<qint64>, positions);
        FolderBrowser browser;
        browser.reset();
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const QString& step = steps.at(i);
            Page page = Page::Unchanged;
            if (step.startsWith("in ")) {
                page = browser.didClickFolder(step.mid(3).toUtf8(), true);
            } else if (step.startsWith("in- ")) {
                page = browser.didClickFolder(step.mid(4).toUtf8(), false);
            } else if (step == "back") {
                page = browser.backFolderClicked();
            } else {
                page = browser.nextFolderClicked();
            }
            const QString got = QString(page == Page::Default  ? 'D'
                                        : page == Page::Folder ? 'F'
                                                               : 'U') +
                                ' ' + (browser.backEnabled() ? '<' : '.') +
                                (browser.forwardEnabled() ? '>' : '.') + ' ' +
                                QString::fromUtf8(browser.currentItem());
            QCOMPARE(got, after.at(i));
        }
        QCOMPARE(browser.folderBrowser(), history);
        QCOMPARE((QList<qint64>{browser.currentPath(), browser.parentPath(), browser.childPath()}),
                 positions);
    }
    void historyResetAndClear()
    {
        FolderBrowser browser;
        browser.reset();
        browser.didClickFolder("/a/b", true);
        browser.clear();
        QVERIFY(browser.folderBrowser().isEmpty());
        QCOMPARE(browser.didClickFolder("/a/b", true), Page::Unchanged);
        browser.reset();
        QCOMPARE(browser.folderBrowser(), QByteArrayList{FolderBrowser::Default});
        QCOMPARE(browser.currentItem(), QByteArray("Default"));
        QVERIFY(!browser.backEnabled() && !browser.forwardEnabled());
    }
};

QTEST_GUILESS_MAIN(TestLocations)
#include "tst_locations.moc"
