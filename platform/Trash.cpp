#include "platform/Trash.h"

#include "platform/BytePath.h"
#include "platform/FdIo.h"
#include "platform/NoFollowPath.h"
#include "platform/TrashEntries.h"
#include "platform/UniqueFd.h"

#include <QDateTime>
#include <QList>
#include <QMutex>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QMutex hookMutex;
std::function<void()> beforeRenameHook;

constexpr int directoryFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Opens (making it with `mode` first if missing) the folder `name` in
// `parent` without following a link; -1 when it is anything but a folder.
int openFolder(int parent, const char* name, mode_t mode)
{
    int fd = FdIo::retry([&] { return ::openat(parent, name, directoryFlags); });
    if (fd < 0 && errno == ENOENT && ::mkdirat(parent, name, mode) == 0) {
        fd = FdIo::retry([&] { return ::openat(parent, name, directoryFlags); });
    }
    return fd;
}

// Opens the folder at an absolute path, making it and its missing parents
// (0700) first; links are followed above the last component only.
int openFolderPath(const QByteArray& path)
{
    for (qsizetype at = path.indexOf('/', 1); at > 0; at = path.indexOf('/', at + 1)) {
        ::mkdir(path.left(at).constData(), 0700);
    }
    ::mkdir(path.constData(), 0700);
    return FdIo::retry([&] { return ::open(path.constData(), directoryFlags); });
}

// The device of `path`, or of its nearest folder that exists.
bool deviceOfNearest(QByteArray path, dev_t* device)
{
    struct stat st
    {
    };
    while (::stat(path.constData(), &st) != 0) {
        if (path == "/" || path.isEmpty()) {
            return false;
        }
        path = BytePath::folderOf(path);
    }
    *device = st.st_dev;
    return true;
}

// One Trash folder, opened: its files/ and info/ folders, and how its
// info files name the items (relative to `relativeTo` when that is set).
struct OpenTrash
{
    UniqueFd files;
    UniqueFd info;
    QByteArray relativeTo;
};

bool openParts(int trash, OpenTrash* out)
{
    out->files.reset(openFolder(trash, "files", 0700));
    out->info.reset(openFolder(trash, "info", 0700));
    return out->files.isValid() && out->info.isValid();
}

bool isOwnFolder(int fd)
{
    struct stat st
    {
    };
    return ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

bool onDevice(int fd, dev_t device)
{
    struct stat st
    {
    };
    return ::fstat(fd, &st) == 0 && st.st_dev == device;
}

enum class Kind
{
    Home,
    SharedVolume, // $topdir/.Trash/$uid
    OwnVolume,    // $topdir/.Trash-$uid
};

struct Candidate
{
    Kind kind;
    QByteArray path;
};

// The Trash folders an item on `device` may go to, best first: the home
// Trash when it is on the same file system, then the volume's two.
QList<Candidate> candidates(const QByteArray& path, dev_t device, QByteArray* top)
{
    QList<Candidate> result;
    const QByteArray home = TrashEntries::homeTrash();
    dev_t homeDevice = 0;
    if (home.startsWith('/') && deviceOfNearest(home, &homeDevice) && homeDevice == device) {
        result.append({Kind::Home, home});
    }
    *top = TrashEntries::mountTopOf(BytePath::folderOf(path));
    const QByteArray base = *top == "/" ? QByteArray() : *top;
    const QByteArray uid = QByteArray::number(qulonglong(::getuid()));
    result.append({Kind::SharedVolume, base + "/.Trash/" + uid});
    result.append({Kind::OwnVolume, base + "/.Trash-" + uid});
    return result;
}

// Opens the Trash at `trashPath`, making only what the freedesktop.org Trash rules let a user make.
bool openTrash(const Candidate& candidate, const QByteArray& top, dev_t device, OpenTrash* out)
{
    UniqueFd trash;
    if (candidate.kind == Kind::Home) {
        trash.reset(openFolderPath(candidate.path));
    } else {
        UniqueFd topFd(
            FdIo::retry([&] { return ::open(top.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
        if (!topFd.isValid()) {
            return false;
        }
        const QByteArray name = BytePath::nameOf(candidate.path);
        if (candidate.kind == Kind::SharedVolume) {
            // $topdir/.Trash is shared: only a real, sticky folder made by
            // the administrator counts, and it is never made here.
            struct stat st
            {
            };
            if (::fstatat(topFd.get(), ".Trash", &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode) ||
                !(st.st_mode & S_ISVTX)) {
                return false;
            }
            UniqueFd shared(FdIo::retry([&] { return ::openat(topFd.get(), ".Trash", directoryFlags); }));
            if (!shared.isValid()) {
                return false;
            }
            trash.reset(openFolder(shared.get(), name.constData(), 0700));
        } else {
            trash.reset(openFolder(topFd.get(), name.constData(), 0700));
        }
        if (trash.isValid() && !isOwnFolder(trash.get())) {
            return false;
        }
        out->relativeTo = top;
    }
    return trash.isValid() && onDevice(trash.get(), device) && openParts(trash.get(), out);
}

QByteArray relativePath(const QByteArray& path, const QByteArray& top)
{
    if (top.isEmpty()) {
        return path;
    }
    if (top == "/") {
        return path.mid(1);
    }
    if (path.startsWith(top + '/')) {
        return path.mid(top.size() + 1);
    }
    return path; // outside the volume's top as the path reads: keep it absolute
}

// The names an item may take in the Trash: its own, then numbered ones.
// Long names are shortened so that "<name>.trashinfo" still fits.
QByteArray trashName(const QByteArray& name, int attempt)
{
    constexpr qsizetype room = NAME_MAX - qsizetype(sizeof ".trashinfo") - 12;
    QByteArray base = name.size() > room ? name.left(room) : name;
    if (attempt == 0 && base.size() == name.size()) {
        return base;
    }
    return base + '.' + QByteArray::number(attempt + 1);
}

bool sameItem(int folder, const char* name, dev_t device, ino_t inode)
{
    struct stat st
    {
    };
    return ::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_dev == device &&
           st.st_ino == inode;
}

// A rename that never replaces what is at the target. File systems without
// RENAME_NOREPLACE get a check first; the target folder is our own Trash.
bool renameNoReplace(int fromFolder, const QByteArray& from, int toFolder, const QByteArray& to)
{
    if (::renameat2(fromFolder, from.constData(), toFolder, to.constData(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    struct stat st
    {
    };
    if (::fstatat(toFolder, to.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::renameat(fromFolder, from.constData(), toFolder, to.constData()) == 0;
}

// Info file first (O_EXCL), then the item; the info file goes again if the
// rename fails. EEXIST on either side moves on to the next name.
enum class Move
{
    Moved,
    Failed,
    Swapped,
};

Move moveInto(OpenTrash& trash, int folderFd, const QByteArray& name, const QByteArray& path, dev_t device,
              ino_t inode, int* error)
{
    const QByteArray info = Trash::infoText(
        relativePath(path, trash.relativeTo),
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")).toLatin1());
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const QByteArray target = trashName(name, attempt);
        const QByteArray infoName = target + ".trashinfo";
        UniqueFd infoFd(FdIo::retry([&] {
            return ::openat(trash.info.get(), infoName.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        }));
        if (!infoFd.isValid()) {
            if (errno == EEXIST) {
                continue;
            }
            *error = errno;
            return Move::Failed;
        }
        const bool written = FdIo::writeAll(infoFd.get(), info) && ::fsync(infoFd.get()) == 0;
        if (!infoFd.close() || !written) {
            *error = errno;
            ::unlinkat(trash.info.get(), infoName.constData(), 0);
            return Move::Failed;
        }
        if (!renameNoReplace(folderFd, name, trash.files.get(), target)) {
            *error = errno;
            ::unlinkat(trash.info.get(), infoName.constData(), 0);
            if (*error == EEXIST) {
                continue;
            }
            return Move::Failed;
        }
        if (!sameItem(trash.files.get(), target.constData(), device, inode)) {
            // Another file took the entry's place after the check: put it back.
            renameNoReplace(trash.files.get(), target, folderFd, name);
            ::unlinkat(trash.info.get(), infoName.constData(), 0);
            return Move::Swapped;
        }
        return Move::Moved;
    }
    *error = EEXIST;
    return Move::Failed;
}

} // namespace

void Trash::setBeforeRenameHook(std::function<void()> hook)
{
    QMutexLocker lock(&hookMutex);
    beforeRenameHook = std::move(hook);
}

QByteArray Trash::percentEncoded(const QByteArray& bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto u = uchar(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') ||
            std::strchr("-_.~/", c) != nullptr) {
            out += c;
        } else {
            out += '%';
            out += hex[u >> 4];
            out += hex[u & 0x0F];
        }
    }
    return out;
}

QByteArray Trash::infoText(const QByteArray& path, const QByteArray& deletionDate)
{
    return "[Trash Info]\nPath=" + percentEncoded(path) + "\nDeletionDate=" + deletionDate + '\n';
}

bool Trash::moveToTrash(int folderFd, const QByteArray& name, const QByteArray& path, dev_t device,
                        ino_t inode, QString* errorText)
{
    auto fail = [errorText](const QString& text) {
        if (errorText) {
            *errorText = text;
        }
        return false;
    };
    if (folderFd < 0 || name.isEmpty() || name.contains('/') || name == "." || name == ".." ||
        !path.startsWith('/')) {
        return fail(QStringLiteral("Not a file in a folder"));
    }
    {
        QMutexLocker lock(&hookMutex);
        if (beforeRenameHook) {
            beforeRenameHook();
        }
    }
    // The path must still lead, without a link, to the folder that was checked.
    QByteArray lastName;
    UniqueFd again(NoFollowPath::openParent(path, &lastName));
    struct stat was
    {
    };
    struct stat now
    {
    };
    if (!again.isValid() || lastName != name || ::fstat(folderFd, &was) != 0 ||
        ::fstat(again.get(), &now) != 0 || was.st_dev != now.st_dev || was.st_ino != now.st_ino) {
        return fail(QStringLiteral("The file's folder has moved"));
    }
    if (!sameItem(folderFd, name.constData(), device, inode)) {
        return fail(QStringLiteral("The file has changed"));
    }
    QByteArray top;
    int error = EXDEV;
    for (const Candidate& candidate : candidates(path, device, &top)) {
        OpenTrash trash;
        if (!openTrash(candidate, top, device, &trash)) {
            // A file on the home Trash's file system goes there or nowhere.
            if (candidate.kind == Kind::Home) {
                error = errno != 0 ? errno : ENOTDIR;
                break;
            }
            continue;
        }
        switch (moveInto(trash, folderFd, name, path, device, inode, &error)) {
        case Move::Moved:
            return true;
        case Move::Swapped:
            return fail(QStringLiteral("The file has changed"));
        case Move::Failed:
            break;
        }
        // Only another mount in between is worth the next Trash; anything
        // else would fail there too, and the file stays where it is.
        if (error != EXDEV) {
            break;
        }
    }
    return fail(QStringLiteral("No Trash on this file's volume takes it: %1")
                    .arg(QString::fromLocal8Bit(std::strerror(error))));
}
