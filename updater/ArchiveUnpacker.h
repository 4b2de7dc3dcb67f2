#pragma once

#include <QByteArray>
#include <QList>

// The cap on what one archive may unpack to.
struct ArchiveLimits
{
    qint64 maxTotal = qint64(2) << 30;
    qint64 maxRatio = 20; // unpacked bytes per archive byte
};

// Unpacks a release archive held in memory with libarchive, in process.
// Only regular files and folders are ever created, and only inside the
// destination: an entry's type comes from the archive itself (the zip
// central directory as any host wrote it, and libarchive's reading of it),
// and links, devices, absolute names and ".." components are refused.
// The unpacked size is capped, and the free space is checked first.
class ArchiveUnpacker
{
public:
    enum class Verdict
    {
        Sound,
        Damaged,     // not a zip archive, or an entry failed to read
        UnsafeEntry, // a link, device, absolute or escaping name, duplicate
        TooLarge,    // more than the cap once unpacked
        NoSpace,     // the destination's file system lacks the room
        WriteFailed,
    };
    struct Entry
    {
        QByteArray name; // as stored, without a trailing slash
        bool directory = false;
        qint64 size = 0;
        bool executable = false;
    };
    using Limits = ArchiveLimits;

    // Reads every entry's header and checks it; writes nothing.
    static Verdict list(const QByteArray& archive, QList<Entry>* entries, const Limits& limits = {});
    // Unpacks into the existing, empty folder `destination`.
    static Verdict unpack(const QByteArray& archive, const QByteArray& destination, QList<Entry>* entries,
                          const Limits& limits = {});
    // True when the tree at `root` holds exactly the entries under `prefix`
    // (an entry name such as "Tidemark/Tidemark.app"): the same regular files
    // with the same sizes and run bits, the same folders, nothing else.
    static bool matches(const QByteArray& root, const QList<Entry>& entries, const QByteArray& prefix);
    // One entry name as stored in the archive.
    static bool nameIsSafe(const QByteArray& name);
};
