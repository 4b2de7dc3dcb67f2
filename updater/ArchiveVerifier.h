#pragma once

#include "updater/ArchiveUnpacker.h"

#include <QByteArray>
#include <QString>

// The integrity check of a downloaded archive before anything is unpacked:
// when the manifest gives a digest the bytes must match it, every entry
// must be a safe regular file or folder within the cap on the unpacked
// size, and the application must be in it.
class ArchiveVerifier
{
public:
    enum class Verdict
    {
        Sound,
        DigestMismatch,
        Damaged,       // not a readable zip archive
        UnsafeEntry,   // absolute path, ".." component, link or device
        TooLarge,      // would unpack beyond the cap
        NoApplication, // no Tidemark/Tidemark.app in it
    };

    // `bytes` is the archive; `expectedSha256` is lower-case hex, or null
    // for no digest check. The entries found go to `entries`.
    static Verdict check(const QByteArray& bytes, const QString& expectedSha256,
                         QList<ArchiveUnpacker::Entry>* entries, const ArchiveUnpacker::Limits& limits = {});
    // One entry name as stored in the archive.
    static bool entryIsSafe(const QByteArray& name);
};
