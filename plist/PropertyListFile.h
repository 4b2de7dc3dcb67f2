#pragma once

#include <QByteArray>

class FileBuffer;
#include <memory>
#include <plist/plist.h>

// Reading and writing whole property-list files (XML or binary in, XML out)
// at byte paths.
class PropertyListFile
{
public:
    struct Free
    {
        void operator()(plist_t node) const;
    };
    // An owned plist tree, freed with the tree's own free function.
    using Root = std::unique_ptr<void, Free>;

    enum class Status
    {
        Missing,    // nothing at the path
        Unreadable, // something is there but it is not a property list we can read
        Ok,
    };

    struct Loaded
    {
        Status status = Status::Missing;
        Root root;
    };

    // Larger files are refused without being read, and never written: the
    // parser takes a 32-bit length. Far above any list a person builds (a
    // million exceptions take about 100 MB), so whatever the program wrote
    // it can read back.
    static constexpr qint64 maxFileSize = qint64(2047) * 1024 * 1024;

    static Loaded load(const QByteArray& path);
    // The whole file, unparsed: Ok with its bytes, Missing or Unreadable
    // (including over the size cap) as load would say.
    static Status readFile(const QByteArray& path, QByteArray* bytes);
    // The same into memory outside the heap, for lists of many megabytes.
    static Status readFile(const QByteArray& path, FileBuffer* buffer);

    // Parses bytes already in memory; an empty Root when they are not a
    // property list or are over the size cap. XML text never holds a NUL
    // byte, so XML with one is refused (a file padded with zeros).
    static Root parse(const QByteArray& bytes);

    // Replaces the file at `path` with `root` as an XML property list. The
    // bytes go to a new file in the same folder which is flushed to disk and
    // then renamed over the old one, so a failure at any step leaves the old
    // file as it was and no temporary file behind.
    static bool saveXml(const QByteArray& path, plist_t root);

    // The same atomic replacement for bytes already encoded.
    static bool writeAtomically(const QByteArray& path, const QByteArray& bytes);
};
