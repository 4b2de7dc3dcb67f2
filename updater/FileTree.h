#pragma once

#include <QByteArray>

// Whole folders at byte paths: copied with their modes and symbolic links
// as they are, removed without following links.
class FileTree
{
public:
    // Something (even a dangling link) is at the path.
    static bool exists(const QByteArray& path);
    static bool isDirectory(const QByteArray& path);
    // Removes the file or folder; nothing there counts as done.
    static bool remove(const QByteArray& path);
    // Copies `from` to `to`, which must not exist yet. A failed copy removes
    // what it had written.
    static bool copy(const QByteArray& from, const QByteArray& to);
    // The same for a tree that may hold only regular files and folders:
    // anything else fails the copy, and only permission bits are kept.
    static bool copyPlain(const QByteArray& from, const QByteArray& to);
    // Creates the folder and any missing parents.
    static bool makePath(const QByteArray& path);
    // Swaps two existing paths in one step when the file system can;
    // otherwise by three renames, undone as far as possible on failure.
    static bool exchange(const QByteArray& a, const QByteArray& b);
    // `path` with its last `count` components removed (after dropping
    // trailing slashes).
    static QByteArray removeLastComponents(QByteArray path, int count);
};
