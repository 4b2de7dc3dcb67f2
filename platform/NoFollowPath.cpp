#include "platform/NoFollowPath.h"

#include "platform/FdIo.h"
#include "platform/UniqueFd.h"

#include <QHash>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct RootIdentity
{
    quint64 device = 0;
    quint64 inode = 0;
};

std::mutex& rootsMutex()
{
    static std::mutex mutex;
    return mutex;
}

QHash<QByteArray, RootIdentity>& roots()
{
    static QHash<QByteArray, RootIdentity> table;
    return table;
}

QByteArray withoutTrailingSlash(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/')) {
        path.chop(1);
    }
    return path;
}

} // namespace

void NoFollowPath::registerRoot(const QByteArray& root, quint64 device, quint64 inode)
{
    std::lock_guard lock(rootsMutex());
    roots().insert(withoutTrailingSlash(root), {device, inode});
}

void NoFollowPath::clearRoots()
{
    std::lock_guard lock(rootsMutex());
    roots().clear();
}

int NoFollowPath::openParent(const QByteArray& path, QByteArray* name)
{
    if (!path.startsWith('/') || path.endsWith('/')) {
        return -1;
    }
    // The longest registered location that holds the path.
    QByteArray rootPath;
    RootIdentity rootId;
    bool haveRoot = false;
    {
        std::lock_guard lock(rootsMutex());
        for (auto it = roots().cbegin(); it != roots().cend(); ++it) {
            const QByteArray& r = it.key();
            const bool holds =
                r == "/" ? true : (path.startsWith(r) && path.size() > r.size() && path.at(r.size()) == '/');
            if (holds && (!haveRoot || r.size() > rootPath.size())) {
                rootPath = r;
                rootId = it.value();
                haveRoot = true;
            }
        }
    }
    UniqueFd fd;
    qsizetype at = 0;
    if (haveRoot && rootPath != "/") {
        fd.reset(
            FdIo::retry([&] { return ::open(rootPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
        struct stat st
        {
        };
        if (!fd.isValid() || ::fstat(fd.get(), &st) != 0 || quint64(st.st_dev) != rootId.device ||
            quint64(st.st_ino) != rootId.inode) {
            return -1;
        }
        at = rootPath.size() + 1;
    } else {
        fd.reset(FdIo::retry([] { return ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
        at = 1;
        if (!fd.isValid()) {
            return -1;
        }
    }
    for (;;) {
        const qsizetype slash = path.indexOf('/', at);
        if (slash < 0) {
            break;
        }
        const QByteArray component = path.mid(at, slash - at);
        at = slash + 1;
        if (component.isEmpty() || component == ".") {
            continue;
        }
        if (component == "..") {
            return -1;
        }
        fd.reset(FdIo::retry([&] {
            return ::openat(fd.get(), component.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }));
        if (!fd.isValid()) {
            return -1;
        }
    }
    *name = path.mid(at);
    if (name->isEmpty() || *name == "." || *name == "..") {
        return -1;
    }
    return fd.release();
}
