#include "updater/FileTree.h"

#include "platform/FdIo.h"
#include "platform/UniqueFd.h"

#include <QList>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

QList<QByteArray> entriesOf(const QByteArray& folder, bool* ok)
{
    QList<QByteArray> names;
    DIR* dir = ::opendir(folder.constData());
    *ok = dir != nullptr;
    if (!dir) {
        return names;
    }
    while (dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..") {
            names.append(name);
        }
    }
    ::closedir(dir);
    return names;
}

bool copyFile(const QByteArray& from, const QByteArray& to, mode_t mode)
{
    const UniqueFd in(
        FdIo::retry([&] { return ::open(from.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW); }));
    if (!in.isValid()) {
        return false;
    }
    UniqueFd out(FdIo::retry(
        [&] { return ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode & 07777); }));
    if (!out.isValid() || !FdIo::copyAll(in.get(), out.get())) {
        return false;
    }
    // The umask narrowed the mode at creation; the copy keeps the original's.
    return ::fchmod(out.get(), mode & 07777) == 0 && out.close();
}

bool copyTree(const QByteArray& from, const QByteArray& to, bool plain)
{
    struct stat st;
    if (::lstat(from.constData(), &st) != 0) {
        return false;
    }
    if (plain) {
        // Only the permission bits: no set-user-ID bit survives the copy.
        st.st_mode &= S_IFMT | 0777;
    }
    if (S_ISLNK(st.st_mode)) {
        if (plain) {
            return false;
        }
        QByteArray target(qsizetype(st.st_size) + 1, '\0');
        const ssize_t n = ::readlink(from.constData(), target.data(), size_t(target.size()));
        if (n < 0 || n >= target.size()) {
            return false;
        }
        target.truncate(n);
        return ::symlink(target.constData(), to.constData()) == 0;
    }
    if (S_ISREG(st.st_mode)) {
        return copyFile(from, to, st.st_mode);
    }
    if (!S_ISDIR(st.st_mode)) {
        return false; // devices, sockets and pipes have no place in a bundle
    }
    if (::mkdir(to.constData(), 0700) != 0) {
        return false;
    }
    bool ok = false;
    const QList<QByteArray> names = entriesOf(from, &ok);
    if (!ok) {
        return false;
    }
    for (const QByteArray& name : names) {
        if (!copyTree(from + '/' + name, to + '/' + name, plain)) {
            return false;
        }
    }
    return ::chmod(to.constData(), st.st_mode & 07777) == 0;
}

} // namespace

bool FileTree::exists(const QByteArray& path)
{
    struct stat st;
    return !path.isEmpty() && ::lstat(path.constData(), &st) == 0;
}

bool FileTree::isDirectory(const QByteArray& path)
{
    struct stat st;
    return !path.isEmpty() && ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileTree::remove(const QByteArray& path)
{
    struct stat st;
    if (path.isEmpty() || ::lstat(path.constData(), &st) != 0) {
        return !path.isEmpty() && errno == ENOENT;
    }
    if (!S_ISDIR(st.st_mode)) {
        return ::unlink(path.constData()) == 0 || errno == ENOENT;
    }
    // A folder without write or search permission for us cannot be emptied;
    // we made it (or it is ours to replace), so open it up first.
    if ((st.st_mode & 0700) != 0700) {
        ::chmod(path.constData(), (st.st_mode & 07777) | 0700);
    }
    bool ok = false;
    const QList<QByteArray> names = entriesOf(path, &ok);
    bool all = ok;
    for (const QByteArray& name : names) {
        all = remove(path + '/' + name) && all;
    }
    return (::rmdir(path.constData()) == 0 || errno == ENOENT) && all;
}

bool FileTree::copy(const QByteArray& from, const QByteArray& to)
{
    if (from.isEmpty() || to.isEmpty() || exists(to)) {
        return false;
    }
    if (!copyTree(from, to, false)) {
        remove(to);
        return false;
    }
    return true;
}

bool FileTree::copyPlain(const QByteArray& from, const QByteArray& to)
{
    if (from.isEmpty() || to.isEmpty() || exists(to)) {
        return false;
    }
    if (!copyTree(from, to, true)) {
        remove(to);
        return false;
    }
    return true;
}

bool FileTree::makePath(const QByteArray& path)
{
    if (path.isEmpty()) {
        return false;
    }
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1)) {
        ::mkdir(path.left(slash).constData(), 0755);
    }
    ::mkdir(path.constData(), 0755);
    return isDirectory(path);
}

bool FileTree::exchange(const QByteArray& a, const QByteArray& b)
{
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_EXCHANGE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    const QByteArray aside = b + ".exchange";
    if (exists(aside) || ::rename(b.constData(), aside.constData()) != 0) {
        return false;
    }
    if (::rename(a.constData(), b.constData()) != 0) {
        ::rename(aside.constData(), b.constData());
        return false;
    }
    if (::rename(aside.constData(), a.constData()) != 0) {
        ::rename(b.constData(), a.constData());
        ::rename(aside.constData(), b.constData());
        return false;
    }
    return true;
}

QByteArray FileTree::removeLastComponents(QByteArray path, int count)
{
    for (int i = 0; i < count; ++i) {
        while (path.size() > 1 && path.endsWith('/')) {
            path.chop(1);
        }
        const qsizetype slash = path.lastIndexOf('/');
        if (slash < 0) {
            return {};
        }
        path.truncate(slash == 0 ? 1 : slash);
    }
    return path;
}
