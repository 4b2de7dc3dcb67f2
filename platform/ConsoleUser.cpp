#include "platform/ConsoleUser.h"

#include <QFile>
#include <QMutex>
#include <cerrno>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace {

QMutex g_mutex;
QString g_current;

QString nameOfUid(uid_t uid)
{
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(static_cast<std::size_t>(size > 0 ? size : 16384));
    for (;;) {
        passwd pwd{};
        passwd* result = nullptr;
        const int error = ::getpwuid_r(uid, &pwd, buffer.data(), buffer.size(), &result);
        if (error == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error == 0 || error == ENOENT || error == ESRCH || error == EBADF || error == EPERM) {
            // Not an error: the user is simply unknown when result is null.
            return result ? QString::fromLocal8Bit(result->pw_name) : QString();
        }
        // The user database itself failed; nothing sensible can follow.
        qFatal("getUserName: assertion failed: success");
    }
}

} // namespace

long ConsoleUser::activeSeatUid(const QByteArray& runtimeRoot)
{
    QFile seat(QString::fromLocal8Bit(runtimeRoot + "/seats/seat0"));
    if (!seat.open(QIODevice::ReadOnly)) {
        return -1;
    }
    // logind writes KEY=VALUE lines; ACTIVE_UID names the active session's user.
    while (!seat.atEnd()) {
        const QByteArray line = seat.readLine(4096).trimmed();
        if (line.startsWith("ACTIVE_UID=")) {
            bool ok = false;
            const long uid = line.mid(11).toLong(&ok);
            return ok && uid >= 0 ? uid : -1;
        }
    }
    return -1;
}

QString ConsoleUser::getUserName()
{
    QString name;
    const long seatUid = activeSeatUid();
    if (seatUid >= 0) {
        name = nameOfUid(static_cast<uid_t>(seatUid));
    }
    if (name.isEmpty()) {
        name = nameOfUid(::getuid());
    }
    QMutexLocker lock(&g_mutex);
    g_current = name;
    return name;
}

QString ConsoleUser::currentConsoleUser()
{
    QMutexLocker lock(&g_mutex);
    return g_current;
}

QByteArray ConsoleUser::homeDirectory(const QString& user)
{
    if (user.isEmpty()) {
        return {};
    }
    if (user == nameOfUid(::getuid())) {
        const QByteArray home = qgetenv("HOME");
        if (!home.isEmpty()) {
            return home;
        }
    }
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(static_cast<std::size_t>(size > 0 ? size : 16384));
    passwd pwd{};
    passwd* result = nullptr;
    const QByteArray name = user.toLocal8Bit();
    if (::getpwnam_r(name.constData(), &pwd, buffer.data(), buffer.size(), &result) != 0 || !result) {
        return {};
    }
    return QByteArray(result->pw_dir);
}
