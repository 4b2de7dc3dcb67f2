#include "platform/UserFolders.h"

#include "platform/FileContents.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray joined(const QByteArray& folder, const QByteArray& name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QByteArray readFile(const QByteArray& path)
{
    // A user folder file is a few lines; anything huge is not one.
    return FileContents::read(path);
}

// The value of one user-dirs.dirs assignment: "$HOME/rel" or "/absolute",
// quoted, with shell backslash escapes. Empty when it is neither.
QByteArray folderOfValue(QByteArray value, const QByteArray& home)
{
    value = value.trimmed();
    if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"')) {
        value = value.mid(1, value.size() - 2);
    }
    QByteArray unescaped;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value.at(i) == '\\' && i + 1 < value.size()) {
            ++i;
        }
        unescaped.append(value.at(i));
    }
    QByteArray folder;
    if (unescaped == "$HOME" || unescaped == "${HOME}") {
        folder = home;
    } else if (unescaped.startsWith("$HOME/")) {
        folder = joined(home, unescaped.mid(6));
    } else if (unescaped.startsWith("${HOME}/")) {
        folder = joined(home, unescaped.mid(8));
    } else if (unescaped.startsWith('/')) {
        folder = unescaped;
    }
    while (folder.size() > 1 && folder.endsWith('/')) {
        folder.chop(1);
    }
    return folder;
}

} // namespace

QByteArrayList UserFolders::desktopDocumentsPictures(const QByteArray& home, const QByteArray& configHome)
{
    QByteArray desktop = joined(home, "Desktop");
    QByteArray documents = joined(home, "Documents");
    QByteArray pictures = joined(home, "Pictures");

    const QByteArray config = configHome.isEmpty() ? joined(home, ".config") : configHome;
    const QByteArray text = readFile(joined(config, "user-dirs.dirs"));
    for (const QByteArray& rawLine : text.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        const qsizetype equals = line.indexOf('=');
        if (line.isEmpty() || line.startsWith('#') || equals <= 0) {
            continue;
        }
        const QByteArray key = line.left(equals).trimmed();
        QByteArray* target = key == "XDG_DESKTOP_DIR"     ? &desktop
                             : key == "XDG_DOCUMENTS_DIR" ? &documents
                             : key == "XDG_PICTURES_DIR"  ? &pictures
                                                          : nullptr;
        if (!target) {
            continue;
        }
        const QByteArray folder = folderOfValue(line.mid(equals + 1), home);
        if (!folder.isEmpty()) {
            *target = folder;
        }
    }
    return {desktop, documents, pictures};
}

QByteArrayList UserFolders::drives(const QByteArray& user, const QByteArray& root)
{
    QByteArrayList drives{QByteArrayLiteral("/")};
    if (!user.isEmpty() && !user.contains('/')) {
        drives += subfoldersOf(root + "/media/" + user);
        drives += subfoldersOf(root + "/run/media/" + user);
    }
    drives += subfoldersOf(root + "/mnt");
    return drives;
}

bool UserFolders::isSpecialName(const QByteArray& name)
{
    static const char special[] = "!~`@#$%^&*-+();:={}[],.<>?\\/\"'";
    // Lower-casing changes letters only, and no letter is special: the byte decides.
    return !name.isEmpty() && name.at(0) != '\0' && std::strchr(special, name.at(0)) != nullptr;
}

QByteArrayList UserFolders::subfoldersOf(const QByteArray& folder)
{
    QByteArrayList folders;
    struct stat st
    {
    };
    if (folder.isEmpty() || ::stat(folder.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return folders;
    }
    DIR* dir = ::opendir(folder.constData());
    if (!dir) {
        return folders;
    }
    while (const dirent* item = ::readdir(dir)) {
        const QByteArray name(item->d_name);
        if (isSpecialName(name)) {
            continue;
        }
        const QByteArray full = joined(folder, name);
        // stat, not lstat: a link to a folder is offered like the folder.
        if (::stat(full.constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
            folders.append(full);
        }
    }
    ::closedir(dir);
    return folders;
}
