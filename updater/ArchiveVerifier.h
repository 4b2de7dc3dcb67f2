#pragma once

#include <QByteArray>
#include <QString>

// The integrity check of a downloaded archive before anything is unpacked:
// unzip must read every entry without error, no entry may reach outside
// the folder it is unpacked into, the application must be in it, and when
// the manifest gives a digest the bytes must match it.
class ArchiveVerifier
{
public:
    enum class Verdict
    {
        Sound,
        DigestMismatch,
        Damaged,       // unzip -t failed, or unzip is missing
        UnsafeEntry,   // absolute path, ".." component or a symbolic link
        NoApplication, // no Tidemark/Tidemark.app in it
    };

    // `archive` is the file on disk, `bytes` its contents; `expectedSha256`
    // is lower-case hex, or null for no digest check.
    static Verdict check(const QByteArray& archive, const QByteArray& bytes, const QString& expectedSha256);
    // One entry name as stored in the archive.
    static bool entryIsSafe(const QByteArray& name);
};
