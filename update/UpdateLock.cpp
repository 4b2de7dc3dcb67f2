#include "update/UpdateLock.h"

#include "platform/FdIo.h"

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
    UniqueFd fd(FdIo::retry([&] {
        return folder ? ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                      : ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    }));
    if (!fd.isValid()) {
        return -2;
    }
    if (FdIo::retry([&] { return ::flock(fd.get(), how | LOCK_NB); }) != 0) {
        return -1;
    }
    return fd.release();
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
    const int product = lockPath(productFolder, true, LOCK_EX);
    if (product == -1) {
        return false;
    }
    m_productFd.reset(product < 0 ? -1 : product);
    ::mkdir(cachesFolder.constData(), 0700);
    const int cache = lockPath(lockFile(cachesFolder), false, LOCK_EX);
    if (cache < 0) {
        release();
        return false;
    }
    m_cacheFd.reset(cache);
    return true;
}

void UpdateLock::release()
{
    m_productFd.close();
    m_cacheFd.close();
}

bool UpdateLock::updateUnderWay(const QByteArray& productFolder, const QByteArray& cachesFolder)
{
    // A shared lock is refused while an updater holds its exclusive one.
    for (const auto& [path, folder] :
         {std::pair{productFolder, true}, std::pair{lockFile(cachesFolder), false}}) {
        const UniqueFd fd(FdIo::retry([&] {
            return folder ? ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                          : ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        }));
        if (!fd.isValid()) {
            continue;
        }
        const bool held =
            FdIo::retry([&] { return ::flock(fd.get(), LOCK_SH | LOCK_NB); }) != 0 && errno == EWOULDBLOCK;
        if (held) {
            return true;
        }
    }
    return false;
}
