#include "update/UpdateLock.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// -1: not locked because someone else holds it; -2: cannot be opened.
int lockPath(const QByteArray& path, bool folder, int how)
{
    const int fd = folder ? ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                          : ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return -2;
    }
    while (::flock(fd, how | LOCK_NB) != 0) {
        if (errno != EINTR) {
            ::close(fd);
            return -1;
        }
    }
    return fd;
}

} // namespace

UpdateLock::~UpdateLock()
{
    release();
}

QByteArray UpdateLock::userCachesFolder()
{
    const QByteArray xdg = qgetenv("XDG_CACHE_HOME");
    if (xdg.startsWith('/')) {
        return xdg;
    }
    return QFile::encodeName(QDir::homePath()) + "/.cache";
}

QByteArray UpdateLock::lockFile(const QByteArray& cachesFolder)
{
    return cachesFolder + "/softwareQuillon.lock";
}

bool UpdateLock::acquire(const QByteArray& productFolder, const QByteArray& cachesFolder)
{
    release();
    // A product folder that is not there (yet) has nothing to guard.
    m_productFd = lockPath(productFolder, true, LOCK_EX);
    if (m_productFd == -1) {
        return false;
    }
    if (m_productFd < 0) {
        m_productFd = -1;
    }
    ::mkdir(cachesFolder.constData(), 0700);
    m_cacheFd = lockPath(lockFile(cachesFolder), false, LOCK_EX);
    if (m_cacheFd < 0) {
        m_cacheFd = -1;
        release();
        return false;
    }
    return true;
}

void UpdateLock::release()
{
    for (int* fd : {&m_productFd, &m_cacheFd}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

bool UpdateLock::updateUnderWay(const QByteArray& productFolder, const QByteArray& cachesFolder)
{
    // A shared lock is refused while an updater holds its exclusive one.
    for (const auto& [path, folder] :
         {std::pair{productFolder, true}, std::pair{lockFile(cachesFolder), false}}) {
        const int fd = folder ? ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                              : ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        ::close(fd);
        if (held) {
            return true;
        }
    }
    return false;
}
