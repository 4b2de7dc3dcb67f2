#include "platform/TrashEntries.h"

#include "platform/BytePath.h"
#include "platform/FileContents.h"

#include <QList>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool matches(const QByteArray& path, dev_t device, ino_t inode)
{
    struct stat st
    {
    };
    return ::lstat(path.constData(), &st) == 0 && st.st_dev == device && st.st_ino == inode;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

QByteArray percentDecoded(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == '%' && i + 2 < text.size() && hexValue(text.at(i + 1)) >= 0 &&
            hexValue(text.at(i + 2)) >= 0) {
            out += char(hexValue(text.at(i + 1)) * 16 + hexValue(text.at(i + 2)));
            i += 2;
        } else {
            out += text.at(i);
        }
    }
    return out;
}

} // namespace

QByteArray TrashEntries::homeTrash()
{
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    if (dataHome.startsWith('/')) {
        return dataHome + "/Trash";
    }
    const QByteArray home = qgetenv("HOME");
    return home.isEmpty() ? QByteArray() : home + "/.local/share/Trash";
}

QByteArray TrashEntries::mountTopOf(const QByteArray& folder)
{
    struct stat st
    {
    };
    QByteArray current = folder;
    while (::stat(current.constData(), &st) != 0) {
        if (current == "/" || !current.startsWith('/')) {
            return QByteArrayLiteral("/");
        }
        current = BytePath::folderOf(current);
    }
    const dev_t device = st.st_dev;
    while (current != "/") {
        const QByteArray up = BytePath::folderOf(current);
        struct stat upSt
        {
        };
        if (::stat(up.constData(), &upSt) != 0 || upSt.st_dev != device) {
            break;
        }
        current = up;
    }
    return current;
}

QList<QByteArray> TrashEntries::trashFoldersFor(const QByteArray& path)
{
    QList<QByteArray> folders{homeTrash()};
    const QByteArray top = mountTopOf(BytePath::folderOf(path));
    const QByteArray base = top == "/" ? QByteArray() : top;
    const QByteArray uid = QByteArray::number(qulonglong(::getuid()));
    folders.append(base + "/.Trash/" + uid);
    folders.append(base + "/.Trash-" + uid);
    return folders;
}

std::optional<TrashEntries::Entry> TrashEntries::locate(const QByteArray& originalPath, dev_t device,
                                                        ino_t inode)
{
    const QByteArray name = BytePath::nameOf(originalPath);
    for (const QByteArray& trash : trashFoldersFor(originalPath)) {
        const QByteArray files = trash + "/files/";
        const QByteArray info = trash + "/info/";
        // Most items keep their own name in the Trash.
        if (matches(files + name, device, inode)) {
            return Entry{files + name, info + name + ".trashinfo"};
        }
        DIR* dir = ::opendir(files.constData());
        if (!dir) {
            continue;
        }
        std::optional<Entry> found;
        while (const dirent* e = ::readdir(dir)) {
            if (e->d_ino != inode) {
                continue;
            }
            const QByteArray candidate(e->d_name);
            if (matches(files + candidate, device, inode)) {
                found = Entry{files + candidate, info + candidate + ".trashinfo"};
                break;
            }
        }
        ::closedir(dir);
        if (found) {
            return found;
        }
    }
    return std::nullopt;
}

QByteArray TrashEntries::originalPathOf(const QByteArray& infoPath)
{
    const QByteArray text = FileContents::read(infoPath);
    bool inGroup = false;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.startsWith('[')) {
            inGroup = line == "[Trash Info]";
        } else if (inGroup && line.startsWith("Path=")) {
            const QByteArray path = percentDecoded(line.mid(5));
            if (path.startsWith('/')) {
                return path;
            }
            // Relative to the top of the volume: <top>/.Trash/<uid>/info or <top>/.Trash-<uid>/info.
            QByteArray trash = BytePath::folderOf(BytePath::folderOf(infoPath));
            QByteArray top = BytePath::folderOf(trash);
            if (BytePath::nameOf(top) == ".Trash") {
                top = BytePath::folderOf(top);
            }
            return (top == "/" ? QByteArray() : top) + '/' + path;
        }
    }
    return {};
}
