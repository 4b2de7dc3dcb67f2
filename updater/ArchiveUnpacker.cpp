#include "updater/ArchiveUnpacker.h"

#include "platform/FdIo.h"
#include "platform/UniqueFd.h"

#include <QHash>
#include <QSet>
#include <archive.h>
#include <archive_entry.h>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

using ReadArchive = std::unique_ptr<archive, decltype(&archive_read_free)>;
using Verdict = ArchiveUnpacker::Verdict;

quint16 le16(const QByteArray& b, qsizetype at)
{
    return quint16(quint8(b[at])) | quint16(quint8(b[at + 1])) << 8;
}

quint32 le32(const QByteArray& b, qsizetype at)
{
    return quint32(le16(b, at)) | quint32(le16(b, at + 2)) << 16;
}

struct CentralEntry
{
    QByteArray name;
    qint64 size = 0;
};

// The zip central directory read byte by byte. Unpackers differ in which
// hosts' attribute bits they honour (one reads a link from a VMS entry,
// another ignores it), so a link or device mode in the upper half of the
// external attributes is refused whatever host the entry claims, and so is
// the Windows reparse-point bit in the lower half.
Verdict readCentralDirectory(const QByteArray& zip, QList<CentralEntry>* entries)
{
    const qsizetype minEnd = 22;
    if (zip.size() < minEnd) {
        return Verdict::Damaged;
    }
    qsizetype end = -1;
    for (qsizetype at = zip.size() - minEnd; at >= 0 && at >= zip.size() - minEnd - 0xFFFF; --at) {
        if (le32(zip, at) == 0x06054b50 && at + minEnd + le16(zip, at + 20) == zip.size()) {
            end = at;
            break;
        }
    }
    if (end < 0) {
        return Verdict::Damaged;
    }
    const quint32 count = le16(zip, end + 10);
    const quint32 dirSize = le32(zip, end + 12);
    const quint32 dirOffset = le32(zip, end + 16);
    // Zip64 markers: our archives never need them, so they are not followed.
    if (count == 0xFFFF || dirSize == 0xFFFFFFFF || dirOffset == 0xFFFFFFFF ||
        qint64(dirOffset) + dirSize > end) {
        return Verdict::Damaged;
    }
    qsizetype at = dirOffset;
    for (quint32 i = 0; i < count; ++i) {
        if (at + 46 > end || le32(zip, at) != 0x02014b50) {
            return Verdict::Damaged;
        }
        const quint32 external = le32(zip, at + 38);
        const quint32 size = le32(zip, at + 24);
        const qsizetype nameLength = le16(zip, at + 28);
        const qsizetype total = 46 + nameLength + le16(zip, at + 30) + le16(zip, at + 32);
        if (at + total > end || size == 0xFFFFFFFF) {
            return Verdict::Damaged;
        }
        const quint32 type = (external >> 16) & S_IFMT;
        if ((type != 0 && type != S_IFREG && type != S_IFDIR) || (external & 0x400) != 0) {
            return Verdict::UnsafeEntry;
        }
        entries->append({zip.mid(at + 46, nameLength), qint64(size)});
        at += total;
    }
    return Verdict::Sound;
}

ReadArchive openArchive(const QByteArray& zip)
{
    ReadArchive reader(archive_read_new(), &archive_read_free);
    archive_read_support_format_zip(reader.get());
    if (archive_read_open_memory(reader.get(), zip.constData(), size_t(zip.size())) != ARCHIVE_OK) {
        return ReadArchive(nullptr, &archive_read_free);
    }
    return reader;
}

qint64 capFor(const QByteArray& zip, const ArchiveUnpacker::Limits& limits)
{
    return qMin(limits.maxTotal, qint64(zip.size()) * limits.maxRatio);
}

// Both readings of the archive: the raw central directory and libarchive's
// headers, which must agree on every name. `reader` is left at the end.
Verdict walk(const QByteArray& zip, const ArchiveUnpacker::Limits& limits,
             QList<ArchiveUnpacker::Entry>* entries,
             const std::function<Verdict(archive*, archive_entry*, const ArchiveUnpacker::Entry&)>& each)
{
    entries->clear();
    QList<CentralEntry> central;
    const Verdict raw = readCentralDirectory(zip, &central);
    if (raw != Verdict::Sound) {
        return raw;
    }
    qint64 declared = 0;
    QSet<QByteArray> names;
    for (const CentralEntry& entry : central) {
        declared += entry.size;
    }
    if (declared > capFor(zip, limits)) {
        return Verdict::TooLarge;
    }
    ReadArchive reader = openArchive(zip);
    if (!reader) {
        return Verdict::Damaged;
    }
    archive_entry* header = nullptr;
    qsizetype index = 0;
    for (;;) {
        const int r = archive_read_next_header(reader.get(), &header);
        if (r == ARCHIVE_EOF) {
            break;
        }
        if (r != ARCHIVE_OK) {
            return Verdict::Damaged;
        }
        if (index >= central.size()) {
            return Verdict::Damaged;
        }
        const QByteArray stored = central.at(index++).name;
        QByteArray trimmed = stored;
        while (trimmed.endsWith('/')) {
            trimmed.chop(1);
        }
        if (!ArchiveUnpacker::nameIsSafe(trimmed)) {
            return Verdict::UnsafeEntry;
        }
        const char* path = archive_entry_pathname(header);
        if (!path || QByteArray(path) != stored) {
            return Verdict::Damaged;
        }
        const mode_t type = archive_entry_filetype(header);
        if ((type != AE_IFREG && type != AE_IFDIR) || archive_entry_symlink(header) ||
            archive_entry_hardlink(header)) {
            return Verdict::UnsafeEntry;
        }
        ArchiveUnpacker::Entry entry;
        entry.directory = type == AE_IFDIR;
        entry.name = stored;
        while (entry.name.endsWith('/')) {
            entry.name.chop(1);
        }
        if (!ArchiveUnpacker::nameIsSafe(entry.name) || names.contains(entry.name) ||
            (!entry.directory && stored.endsWith('/'))) {
            return Verdict::UnsafeEntry;
        }
        names.insert(entry.name);
        if (!entry.directory) {
            entry.size = archive_entry_size_is_set(header) ? archive_entry_size(header) : -1;
            if (entry.size < 0 || entry.size > limits.maxTotal) {
                return Verdict::Damaged;
            }
            entry.executable = (archive_entry_perm(header) & 0111) != 0;
        }
        const Verdict verdict = each(reader.get(), header, entry);
        if (verdict != Verdict::Sound) {
            return verdict;
        }
        entries->append(entry);
    }
    // A file used as a folder by another entry would make the tree depend
    // on the order of unpacking.
    QSet<QByteArray> files;
    for (const ArchiveUnpacker::Entry& entry : *entries) {
        if (!entry.directory) {
            files.insert(entry.name);
        }
    }
    for (const ArchiveUnpacker::Entry& entry : *entries) {
        for (qsizetype slash = entry.name.indexOf('/'); slash > 0;
             slash = entry.name.indexOf('/', slash + 1)) {
            if (files.contains(entry.name.left(slash))) {
                return Verdict::UnsafeEntry;
            }
        }
    }
    return index == central.size() ? Verdict::Sound : Verdict::Damaged;
}

} // namespace

bool ArchiveUnpacker::nameIsSafe(const QByteArray& name)
{
    if (name.isEmpty() || name.startsWith('/') || name.contains('\\') || name.contains('\0')) {
        return false;
    }
    if (name.size() >= 2 && name.at(1) == ':') {
        return false; // a drive letter
    }
    for (const QByteArray& component : name.split('/')) {
        if (component.isEmpty() || component == "." || component == "..") {
            return false;
        }
    }
    return true;
}

ArchiveUnpacker::Verdict ArchiveUnpacker::list(const QByteArray& archive, QList<Entry>* entries,
                                               const Limits& limits)
{
    return walk(archive, limits, entries,
                [](struct archive*, archive_entry*, const Entry&) { return Verdict::Sound; });
}

ArchiveUnpacker::Verdict ArchiveUnpacker::unpack(const QByteArray& zip, const QByteArray& destination,
                                                 QList<Entry>* entries, const Limits& limits)
{
    // Headers first, so nothing is written for an archive that would be refused.
    const Verdict listed = list(zip, entries, limits);
    if (listed != Verdict::Sound) {
        return listed;
    }
    qint64 declared = 0;
    for (const Entry& entry : *entries) {
        declared += entry.size;
    }
    struct statvfs fs;
    if (::statvfs(destination.constData(), &fs) != 0) {
        return Verdict::WriteFailed;
    }
    // Room for the files and a margin for the folders' own blocks.
    if (qint64(fs.f_bavail) * qint64(fs.f_frsize) < declared + (qint64(entries->size()) + 256) * 4096) {
        return Verdict::NoSpace;
    }

    const qint64 cap = capFor(zip, limits);
    qint64 written = 0;
    const auto each = [&](struct archive* reader, archive_entry*, const Entry& entry) -> Verdict {
        // Parents are made as plain folders; each path is opened without
        // following a link, and the destination holds nothing but ours.
        const QByteArray path = destination + '/' + entry.name;
        for (qsizetype slash = path.indexOf('/', destination.size() + 1); slash > 0;
             slash = path.indexOf('/', slash + 1)) {
            const QByteArray parent = path.left(slash);
            if (::mkdir(parent.constData(), 0755) == 0) {
                ::chmod(parent.constData(), 0755); // whatever the umask
            } else if (errno != EEXIST) {
                return Verdict::WriteFailed;
            }
            struct stat st;
            if (::lstat(parent.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
                return Verdict::UnsafeEntry;
            }
        }
        if (entry.directory) {
            struct stat st;
            if (::mkdir(path.constData(), 0755) != 0 &&
                (errno != EEXIST || ::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode))) {
                return Verdict::WriteFailed;
            }
            return ::chmod(path.constData(), 0755) == 0 ? Verdict::Sound : Verdict::WriteFailed;
        }
        const mode_t mode = entry.executable ? 0755 : 0644;
        UniqueFd fd(FdIo::retry([&] {
            return ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        }));
        if (!fd.isValid()) {
            return Verdict::WriteFailed;
        }
        qint64 size = 0;
        Verdict verdict = Verdict::Sound;
        for (;;) {
            const void* block = nullptr;
            size_t length = 0;
            la_int64_t offset = 0;
            const int r = archive_read_data_block(reader, &block, &length, &offset);
            if (r == ARCHIVE_EOF) {
                break;
            }
            if (r != ARCHIVE_OK) {
                verdict = Verdict::Damaged;
                break;
            }
            // Sparse offsets never occur in zip; data comes in order.
            if (offset != size) {
                verdict = Verdict::Damaged;
                break;
            }
            size += qint64(length);
            written += qint64(length);
            if (size > entry.size || written > cap) {
                verdict = Verdict::TooLarge;
                break;
            }
            if (!FdIo::writeAll(fd.get(), static_cast<const char*>(block), qint64(length))) {
                verdict = Verdict::WriteFailed;
                break;
            }
        }
        if (verdict == Verdict::Sound && size != entry.size) {
            verdict = Verdict::Damaged;
        }
        if (::fchmod(fd.get(), mode) != 0 && verdict == Verdict::Sound) {
            verdict = Verdict::WriteFailed;
        }
        if (!fd.close() && verdict == Verdict::Sound) {
            verdict = Verdict::WriteFailed;
        }
        return verdict;
    };
    return walk(zip, limits, entries, each);
}

namespace {

struct Expected
{
    QHash<QByteArray, ArchiveUnpacker::Entry> files;
    QSet<QByteArray> folders;
};

bool walkTree(const QByteArray& path, const QByteArray& relative, Expected& expected, qsizetype* filesSeen)
{
    DIR* dir = ::opendir(path.constData());
    if (!dir) {
        return false;
    }
    bool ok = true;
    while (dirent* item = ::readdir(dir)) {
        const QByteArray name(item->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        const QByteArray child = path + '/' + name;
        const QByteArray childRelative = relative.isEmpty() ? name : relative + '/' + name;
        struct stat st;
        if (::lstat(child.constData(), &st) != 0) {
            ok = false;
        } else if (S_ISDIR(st.st_mode)) {
            ok = expected.folders.contains(childRelative) &&
                 walkTree(child, childRelative, expected, filesSeen);
        } else if (S_ISREG(st.st_mode)) {
            const auto found = expected.files.constFind(childRelative);
            ok = found != expected.files.constEnd() && found->size == qint64(st.st_size) &&
                 found->executable == ((st.st_mode & 0100) != 0);
            ++*filesSeen;
        } else {
            ok = false;
        }
        if (!ok) {
            break;
        }
    }
    ::closedir(dir);
    return ok;
}

} // namespace

bool ArchiveUnpacker::matches(const QByteArray& root, const QList<Entry>& entries, const QByteArray& prefix)
{
    struct stat st;
    if (::lstat(root.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return false;
    }
    Expected expected;
    const QByteArray under = prefix + '/';
    for (const Entry& entry : entries) {
        if (!entry.name.startsWith(under)) {
            continue;
        }
        const QByteArray relative = entry.name.mid(under.size());
        if (entry.directory) {
            expected.folders.insert(relative);
        } else {
            expected.files.insert(relative, entry);
        }
        for (qsizetype slash = relative.indexOf('/'); slash > 0; slash = relative.indexOf('/', slash + 1)) {
            expected.folders.insert(relative.left(slash));
        }
    }
    qsizetype filesSeen = 0;
    return walkTree(root, {}, expected, &filesSeen) && filesSeen == expected.files.size();
}
