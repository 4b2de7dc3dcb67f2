#pragma once

#include <QByteArray>

struct stat;

// Byte-for-byte comparison of two files on disk. No checksum is involved.
class FileCompare
{
public:
    // True when both are regular files with identical bytes. Two paths to the
    // same inode are equal without reading; a file that cannot be read is
    // never equal to anything.
    static bool contentsEqual(const QByteArray& pathA, const QByteArray& pathB);

    // True when `path` is a regular file (not followed through a final link)
    // whose size is `size`.
    static bool isRegularFileOfSize(const QByteArray& path, quint64 size);

    // open(2) of `path` without following a final symbolic link, also for a
    // path longer than PATH_MAX: such a path is reached from an open folder
    // at its longest short prefix, the rest a component at a time without
    // following links. Returns the descriptor or -1 with errno set.
    static int openNoFollow(const QByteArray& path, int flags);
    // lstat(2) that also reaches paths longer than PATH_MAX.
    static bool statNoFollow(const QByteArray& path, struct stat& st);
};
