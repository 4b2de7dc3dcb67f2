#include "platform/SupportPaths.h"

#include "platform/ConsoleUser.h"

#include <pwd.h>
#include <unistd.h>

QByteArray SupportPaths::appSupportPath(const QString& user)
{
    const passwd* self = ::getpwuid(::getuid());
    const bool isSelf = self && user == QString::fromLocal8Bit(self->pw_name);
    if (isSelf) {
        const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
        if (dataHome.startsWith('/')) {
            return dataHome + "/Quillon/Tidemark";
        }
    }
    const QByteArray home = ConsoleUser::homeDirectory(user);
    if (home.isEmpty()) {
        return {};
    }
    return home + "/.local/share/Quillon/Tidemark";
}
