#pragma once

#include <QByteArray>

// Whole contents of small system and settings files (mount tables, Trash
// info files, user folder lists), which report no size worth trusting.
class FileContents
{
public:
    // Reads `path` to its end, or to `limit` bytes; empty when it cannot be
    // opened. Interrupted reads are retried.
    static QByteArray read(const QByteArray& path, qsizetype limit = 1 << 20);

    // Room for the mount table of a machine with thousands of mounts.
    static constexpr qsizetype MountInfoLimit = qsizetype(64) << 20;
};
