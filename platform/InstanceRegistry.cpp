#include "platform/InstanceRegistry.h"

#include "platform/FdIo.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

InstanceRegistry::InstanceRegistry(QByteArray folder) : m_folder(std::move(folder)) {}

InstanceRegistry::~InstanceRegistry()
{
    if (m_fd.isValid()) {
        ::unlink(m_ownFile.constData());
    }
}

QByteArray InstanceRegistry::defaultFolder()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/')) {
        return runtime + "/Tidemark-instances";
    }
    return "/tmp/Tidemark-instances-" + QByteArray::number(::getuid());
}

bool InstanceRegistry::registerSelf()
{
    if (m_fd.isValid()) {
        return true;
    }
    if (::mkdir(m_folder.constData(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    // Refuse a folder someone else owns or others can write: in /tmp another
    // user could have made it first.
    struct stat st
    {
    };
    if (::lstat(m_folder.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
        (st.st_mode & 0077) != 0) {
        return false;
    }
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    // The name sorts by start time, then pid.
    const QByteArray name = QByteArray::number(static_cast<qint64>(now.tv_sec) * 1000000000LL + now.tv_nsec)
                                .rightJustified(20, '0') +
                            "-" + QByteArray::number(::getpid()) + ".lock";
    m_ownFile = m_folder + "/" + name;
    UniqueFd fd(FdIo::retry([&] {
        return ::open(m_ownFile.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    }));
    if (!fd.isValid()) {
        return false;
    }
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        ::unlink(m_ownFile.constData());
        return false;
    }
    m_fd.reset(fd.release());
    return true;
}

QList<pid_t> InstanceRegistry::runningInstances() const
{
    QList<QByteArray> names;
    DIR* dir = ::opendir(m_folder.constData());
    if (!dir) {
        return {};
    }
    while (dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name.endsWith(".lock")) {
            names.append(name);
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());

    QList<pid_t> pids;
    for (const QByteArray& name : names) {
        const QByteArray path = m_folder + "/" + name;
        const qsizetype dash = name.indexOf('-');
        bool ok = false;
        const pid_t pid = static_cast<pid_t>(name.mid(dash + 1, name.size() - dash - 6).toLong(&ok));
        if (!ok) {
            continue;
        }
        if (path == m_ownFile && m_fd.isValid()) {
            pids.append(pid);
            continue;
        }
        const UniqueFd fd(
            FdIo::retry([&] { return ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW); }));
        if (!fd.isValid()) {
            continue;
        }
        // If we can take the lock, nobody holds it: a stale entry.
        const bool held = ::flock(fd.get(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        if (held) {
            pids.append(pid);
        }
    }
    return pids;
}

bool InstanceRegistry::terminate(pid_t pid)
{
    return pid > 0 && ::kill(pid, SIGTERM) == 0;
}

bool InstanceRegistry::forceTerminate(pid_t pid)
{
    return pid > 0 && ::kill(pid, SIGKILL) == 0;
}
