#pragma once

#include <QByteArray>

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
};
