#include "scan/FileCompare.h"

#include "platform/FdIo.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Opens the folder that holds the last component of a path too long for
// the kernel to take whole, and leaves `last` pointing at that component.
UniqueFd openParentOfLong(const QByteArray& path, qsizetype& last)
{
    last = path.lastIndexOf('/');
    if (last <= 0) {
        errno = ENAMETOOLONG;
        return UniqueFd();
    }
    // The longest prefix the kernel accepts is opened as usual, so a link
    // above the scanned folder still works as it does for short paths.
    qsizetype cut = path.lastIndexOf('/', PATH_MAX - 2);
    if (cut <= 0) {
        cut = 0;
    }
    UniqueFd dir(cut == 0 ? ::open(path.startsWith('/') ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC)
                          : ::open(path.left(cut).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    qsizetype at = cut == 0 && !path.startsWith('/') ? 0 : cut + 1;
    while (dir.isValid() && at < last) {
        qsizetype end = path.indexOf('/', at);
        if (end < 0 || end > last) {
            end = last;
        }
        if (end > at) {
            const QByteArray part = path.mid(at, end - at);
            const int child =
                ::openat(dir.get(), part.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            const int saved = errno;
            dir.reset(child);
            errno = saved;
        }
        at = end + 1;
    }
    return dir;
}

} // namespace

int FileCompare::openNoFollow(const QByteArray& path, int flags)
{
    const int fd = ::open(path.constData(), flags | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0 || errno != ENAMETOOLONG) {
        return fd;
    }
    qsizetype last = 0;
    UniqueFd dir = openParentOfLong(path, last);
    if (!dir.isValid()) {
        return -1;
    }
    const int opened = ::openat(dir.get(), path.constData() + last + 1, flags | O_NOFOLLOW | O_CLOEXEC);
    const int saved = errno;
    dir.reset(-1);
    errno = saved;
    return opened;
}

bool FileCompare::statNoFollow(const QByteArray& path, struct stat& st)
{
    if (::lstat(path.constData(), &st) == 0) {
        return true;
    }
    if (errno != ENAMETOOLONG) {
        return false;
    }
    qsizetype last = 0;
    const UniqueFd dir = openParentOfLong(path, last);
    return dir.isValid() && ::fstatat(dir.get(), path.constData() + last + 1, &st, AT_SYMLINK_NOFOLLOW) == 0;
}

bool FileCompare::contentsEqual(const QByteArray& pathA, const QByteArray& pathB)
{
    struct stat sa
    {
    };
    struct stat sb
    {
    };
    if (::lstat(pathA.constData(), &sa) != 0 || ::lstat(pathB.constData(), &sb) != 0) {
        return false;
    }
    if (!S_ISREG(sa.st_mode) || !S_ISREG(sb.st_mode)) {
        return false;
    }
    if (sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino) {
        return true;
    }
    if (sa.st_size != sb.st_size) {
        return false;
    }
    // Non-blocking: a path swapped for a FIFO since the check cannot hang us.
    UniqueFd a(::open(pathA.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    UniqueFd b(::open(pathB.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (a.get() < 0 || b.get() < 0) {
        return false;
    }
    constexpr size_t chunk = 256 * 1024;
    std::vector<char> bufA(chunk);
    std::vector<char> bufB(chunk);
    for (;;) {
        const qint64 ra = FdIo::readFull(a.get(), bufA.data(), qint64(chunk));
        const qint64 rb = FdIo::readFull(b.get(), bufB.data(), qint64(chunk));
        if (ra < 0 || rb < 0 || ra != rb) {
            return false;
        }
        if (ra == 0) {
            return true;
        }
        if (std::memcmp(bufA.data(), bufB.data(), static_cast<size_t>(ra)) != 0) {
            return false;
        }
    }
}

bool FileCompare::isRegularFileOfSize(const QByteArray& path, quint64 size)
{
    struct stat st
    {
    };
    return ::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
           static_cast<quint64>(st.st_size) == size;
}
