#include "platform/TrashFolders.h"

#include "platform/ConsoleUser.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace {

bool identityOf(const QByteArray& path, TrashFolders::Identity* id)
{
    struct stat st
    {
    };
    if (path.isEmpty() || ::stat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return false;
    }
    *id = {quint64(st.st_dev), quint64(st.st_ino)};
    return true;
}

} // namespace

QList<TrashFolders::Identity> TrashFolders::homeTrashes()
{
    QByteArrayList candidates;
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    if (dataHome.startsWith('/')) {
        candidates << dataHome + "/Trash";
    }
    const QByteArray home = qgetenv("HOME");
    if (!home.isEmpty()) {
        candidates << home + "/.local/share/Trash";
    }
    const QByteArray consoleHome = ConsoleUser::homeDirectory(ConsoleUser::currentConsoleUser());
    if (!consoleHome.isEmpty()) {
        candidates << consoleHome + "/.local/share/Trash";
    }
    QList<Identity> result;
    for (const QByteArray& path : std::as_const(candidates)) {
        Identity id;
        if (identityOf(path, &id) && !result.contains(id)) {
            result.append(id);
        }
    }
    return result;
}

bool TrashFolders::isVolumeTrashName(const char* name)
{
    if (std::strcmp(name, ".Trash") == 0 || std::strcmp(name, ".Trashes") == 0) {
        return true;
    }
    if (std::strncmp(name, ".Trash-", 7) != 0 || name[7] == '\0') {
        return false;
    }
    for (const char* p = name + 7; *p; ++p) {
        if (*p < '0' || *p > '9') {
            return false;
        }
    }
    return true;
}

bool TrashFolders::isInsideTrash(const QByteArray& path)
{
    char* resolved = ::realpath(path.constData(), nullptr);
    if (!resolved) {
        return false;
    }
    const QByteArray real(resolved);
    std::free(resolved);
    const QList<Identity> homes = homeTrashes();
    // Every folder from the top down to the path itself.
    for (qsizetype end = 1; end <= real.size(); ++end) {
        if (end != real.size() && real.at(end) != '/') {
            continue;
        }
        const QByteArray prefix = real.left(end);
        const qsizetype slash = prefix.lastIndexOf('/');
        if (isVolumeTrashName(prefix.constData() + slash + 1)) {
            return true;
        }
        Identity id;
        if (!homes.isEmpty() && identityOf(prefix, &id) && homes.contains(id)) {
            return true;
        }
    }
    return false;
}
