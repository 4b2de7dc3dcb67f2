#include "plist/PropertyListFile.h"

#include "platform/BytePath.h"
#include "platform/FdIo.h"
#include "platform/FileBuffer.h"
#include "platform/UniqueFd.h"

#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// A fresh name next to `path`, created exclusively so that nothing else
// (another copy of the program, an old leftover) is ever written through.
int createTemporary(const QByteArray& path, QByteArray* tempPath)
{
    const QByteArray folder = BytePath::folderOf(path);
    const QByteArray base = BytePath::nameOf(path);
    for (int attempt = 0; attempt < 16; ++attempt) {
        const quint64 tag = QRandomGenerator::global()->generate64();
        *tempPath = folder + "/." + base + ".tmp-" + QByteArray::number(tag, 36);
        const int fd = FdIo::retry(
            [&] { return ::open(tempPath->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644); });
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// libplist builds, copies, writes and frees trees by recursion, and its
// binary reader expands an object once per reference to it. A file a few
// hundred bytes long can therefore exhaust the stack (deep nesting) or the
// memory (a chain of doubly referenced arrays). Our own files are one level
// deep, so anything far outside these limits is refused.
constexpr int maxDepth = 256;
// Bounded by the file's size as well (see binaryShapeIsSafe), so this only
// has to be far above any list of paths.
constexpr quint64 maxNodes = quint64(1) << 28;

quint64 readBigEndian(const uchar* p, int size)
{
    quint64 value = 0;
    for (int i = 0; i < size; ++i) {
        value = (value << 8) | p[i];
    }
    return value;
}

// Walks the object graph of a binary property list (header "bplist00", a
// 32-byte trailer, an offset table) just far enough to know how deep and how
// large the tree built from it would be. It reads no values; libplist does
// that once the shape is known to be safe. Anything malformed is refused,
// libplist would refuse it as well.
bool binaryShapeIsSafe(const QByteArray& bytes)
{
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const quint64 size = quint64(bytes.size());
    if (size < 8 + 32) {
        return false;
    }
    const uchar* trailer = data + size - 32;
    const int offsetSize = trailer[6];
    const int refSize = trailer[7];
    const quint64 objectCount = readBigEndian(trailer + 8, 8);
    const quint64 rootObject = readBigEndian(trailer + 16, 8);
    const quint64 tableOffset = readBigEndian(trailer + 24, 8);
    const quint64 objectsEnd = size - 32;
    if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8 || objectCount == 0 ||
        rootObject >= objectCount || tableOffset < 8 || tableOffset >= objectsEnd ||
        objectCount > (objectsEnd - tableOffset) / quint64(offsetSize)) {
        return false;
    }

    // Where the references of container `object` start and how many there
    // are; false for an object outside the file or a broken length.
    auto references = [&](quint64 object, quint64* start, quint64* count) {
        const quint64 offset = readBigEndian(data + tableOffset + object * quint64(offsetSize), offsetSize);
        if (offset < 8 || offset >= tableOffset) {
            return false;
        }
        const uchar marker = data[offset];
        const int type = marker >> 4;
        *count = 0;
        *start = offset + 1;
        if (type != 0xA && type != 0xB && type != 0xC && type != 0xD) {
            return true;
        }
        *count = marker & 0x0F;
        if (*count == 0x0F) {
            if (*start >= tableOffset || (data[*start] >> 4) != 0x1) {
                return false;
            }
            const int lengthSize = 1 << (data[*start] & 0x0F);
            if (lengthSize > 8 || *start + 1 + quint64(lengthSize) > tableOffset) {
                return false;
            }
            *count = readBigEndian(data + *start + 1, lengthSize);
            *start += 1 + quint64(lengthSize);
        }
        if (type == 0xD) {
            if (*count > tableOffset) {
                return false;
            }
            *count *= 2; // keys, then values
        }
        return *count <= (tableOffset - *start) / quint64(refSize);
    };

    enum : uchar
    {
        Unvisited,
        Open,
        Done
    };
    std::vector<uchar> state(objectCount, Unvisited);
    std::vector<quint16> depth(objectCount, 0);
    std::vector<quint32> nodes(objectCount, 0);
    struct Frame
    {
        quint64 object, refStart, refCount, next;
        int depth;
        quint64 nodes;
    };
    // Every reference takes at least one byte, so a tree that shares no
    // containers never has more nodes than the file has bytes; more than
    // that is expansion by shared references.
    const quint64 nodeLimit = qMin(maxNodes, size);
    std::vector<Frame> stack;
    auto open = [&](quint64 object) {
        Frame frame{object, 0, 0, 0, 1, 1};
        if (!references(object, &frame.refStart, &frame.refCount)) {
            return false;
        }
        state[object] = Open;
        stack.push_back(frame);
        return true;
    };
    if (!open(rootObject)) {
        return false;
    }
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == frame.refCount) {
            state[frame.object] = Done;
            depth[frame.object] = quint16(frame.depth);
            nodes[frame.object] = quint32(frame.nodes);
            stack.pop_back();
            continue;
        }
        const quint64 child = readBigEndian(data + frame.refStart + frame.next * quint64(refSize), refSize);
        if (child >= objectCount || state[child] == Open) {
            return false; // dangling reference or a cycle
        }
        if (state[child] == Unvisited) {
            if (stack.size() >= size_t(maxDepth) || !open(child)) {
                return false;
            }
            continue;
        }
        ++frame.next;
        frame.depth = qMax(frame.depth, depth[child] + 1);
        frame.nodes += nodes[child];
        if (frame.depth > maxDepth || frame.nodes > nodeLimit) {
            return false;
        }
    }
    return true;
}

// Upper bound of how deeply arrays and dictionaries nest in an XML property
// list, found before libplist builds the tree (it frees a half-built tree by
// recursion, so even a rejected file can overflow the stack). Comments,
// CDATA sections and processing instructions are passed over as libplist
// passes over them; a closing tag counts only when it closes the innermost
// open container, so malformed nesting can only raise the count.
bool xmlNestingIsSafe(const QByteArray& bytes)
{
    auto skipPast = [&](qsizetype from, const char* end) {
        const qsizetype at = bytes.indexOf(end, from);
        return at < 0 ? bytes.size() : at + qsizetype(qstrlen(end));
    };
    std::vector<bool> open; // true for a dictionary
    qsizetype i = bytes.indexOf('<');
    while (i >= 0 && i < bytes.size()) {
        const QByteArrayView rest = QByteArrayView(bytes).sliced(i);
        qsizetype next;
        if (rest.startsWith("<!--")) {
            next = skipPast(i + 4, "-->");
        } else if (rest.startsWith("<![CDATA[")) {
            next = skipPast(i + 9, "]]>");
        } else if (rest.startsWith("<?")) {
            next = skipPast(i + 2, "?>");
        } else {
            next = skipPast(i + 1, ">");
            const QByteArrayView tag = QByteArrayView(bytes).sliced(i, next - i);
            const bool closing = tag.startsWith("</");
            const QByteArrayView name = tag.sliced(closing ? 2 : 1);
            auto named = [&](QByteArrayView word) {
                return name.startsWith(word) && (name.size() == word.size() ||
                                                 QByteArrayView(" \t\r\n/>").contains(name.at(word.size())));
            };
            const bool isDict = named("dict");
            const bool isArray = named("array");
            if ((isDict || isArray) && !closing && !tag.endsWith("/>")) {
                open.push_back(isDict);
                if (open.size() > size_t(maxDepth)) {
                    return false;
                }
            } else if ((isDict || isArray) && closing && !open.empty() && open.back() == isDict) {
                open.pop_back();
            }
        }
        i = bytes.indexOf('<', next);
    }
    return true;
}

} // namespace

void PropertyListFile::Free::operator()(plist_t node) const
{
    plist_free(node);
}

PropertyListFile::Root PropertyListFile::parse(const QByteArray& bytes)
{
    if (bytes.isEmpty() || bytes.size() > maxFileSize) {
        return {};
    }
    const bool binary = plist_is_binary(bytes.constData(), uint32_t(bytes.size())) != 0;
    if (!binary && std::memchr(bytes.constData(), '\0', size_t(bytes.size())) != nullptr) {
        return {};
    }
    if (binary ? !binaryShapeIsSafe(bytes) : !xmlNestingIsSafe(bytes)) {
        return {};
    }
    plist_t node = nullptr;
    plist_from_memory(bytes.constData(), uint32_t(bytes.size()), &node);
    return Root(node);
}

namespace {

// The checks every read makes: Missing only for a clear "not there", and
// anything but a regular file within the size cap is Unreadable.
PropertyListFile::Status openForReading(const QByteArray& path, UniqueFd* fd, qint64* size)
{
    struct stat st;
    if (path.isEmpty() || ::stat(path.constData(), &st) != 0) {
        // Anything but a clear "not there" might be a file we must not replace.
        return (path.isEmpty() || errno == ENOENT) ? PropertyListFile::Status::Missing
                                                   : PropertyListFile::Status::Unreadable;
    }
    // Non-blocking so that a FIFO at the path cannot hang start-up.
    fd->reset(
        FdIo::retry([&] { return ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY); }));
    if (!fd->isValid() || ::fstat(fd->get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size > PropertyListFile::maxFileSize) {
        return PropertyListFile::Status::Unreadable;
    }
    *size = st.st_size;
    return PropertyListFile::Status::Ok;
}

} // namespace

PropertyListFile::Status PropertyListFile::readFile(const QByteArray& path, QByteArray* bytes)
{
    bytes->clear();
    UniqueFd fd;
    qint64 size = 0;
    const Status status = openForReading(path, &fd, &size);
    if (status != Status::Ok) {
        return status;
    }
    // Read to the end rather than trusting the size: the file may change under us.
    bytes->reserve(qsizetype(size) + 1);
    if (!FdIo::readAll(fd.get(), bytes, maxFileSize)) {
        bytes->clear();
        return Status::Unreadable;
    }
    return Status::Ok;
}

PropertyListFile::Status PropertyListFile::readFile(const QByteArray& path, FileBuffer* buffer)
{
    UniqueFd fd;
    qint64 size = 0;
    const Status status = openForReading(path, &fd, &size);
    if (status != Status::Ok) {
        return status;
    }
    return buffer->readAll(fd.get(), size, maxFileSize) ? Status::Ok : Status::Unreadable;
}

PropertyListFile::Loaded PropertyListFile::load(const QByteArray& path)
{
    Loaded result;
    QByteArray bytes;
    result.status = readFile(path, &bytes);
    if (result.status != Status::Ok) {
        return result;
    }
    result.root = parse(bytes);
    if (!result.root) {
        result.status = Status::Unreadable;
    }
    return result;
}

bool PropertyListFile::saveXml(const QByteArray& path, plist_t root)
{
    if (!root) {
        return false;
    }
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root, &xml, &length);
    if (!xml) {
        return false;
    }
    const QByteArray bytes(xml, qsizetype(length));
    plist_to_xml_free(xml);
    return writeAtomically(path, bytes);
}

bool PropertyListFile::writeAtomically(const QByteArray& path, const QByteArray& bytes)
{
    // What could not be read back is not written: the old file stays.
    if (path.isEmpty() || path.endsWith('/') || bytes.size() > maxFileSize) {
        return false;
    }
    QByteArray tempPath;
    UniqueFd fd(createTemporary(path, &tempPath));
    if (fd.get() < 0) {
        return false;
    }
    // Run as root on behalf of a user, the file takes the owner of the
    // folder it lives in, so that user's own runs can go on replacing it.
    struct stat folderStatus;
    if (::geteuid() == 0 && ::stat(BytePath::folderOf(path).constData(), &folderStatus) == 0 &&
        folderStatus.st_uid != 0 && ::fchown(fd.get(), folderStatus.st_uid, folderStatus.st_gid) != 0) {
        ::unlink(tempPath.constData());
        return false;
    }
    const bool written = FdIo::writeAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    if (!fd.close() || !written || ::rename(tempPath.constData(), path.constData()) != 0) {
        ::unlink(tempPath.constData());
        return false;
    }
    // Make the rename itself durable. Some file systems refuse fsync on a
    // folder; the new contents are in place either way.
    UniqueFd folder(::open(BytePath::folderOf(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) {
        ::fsync(folder.get());
    }
    return true;
}
