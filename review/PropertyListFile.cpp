#include "review/PropertyListFile.h"

#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closes a descriptor on every way out of a function.
class FdGuard
{
public:
    explicit FdGuard(int fd) : m_fd(fd) {}
    ~FdGuard()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    int get() const { return m_fd; }
    // Closes now and reports the result: a delayed write error can show up here.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool writeAll(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) {
        return QByteArrayLiteral(".");
    }
    if (slash == 0) {
        return QByteArrayLiteral("/");
    }
    return path.left(slash);
}

// A fresh name next to `path`, created exclusively so that nothing else
// (another copy of the program, an old leftover) is ever written through.
int createTemporary(const QByteArray& path, QByteArray* tempPath)
{
    const QByteArray folder = folderOf(path);
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray base = path.mid(slash + 1);
    for (int attempt = 0; attempt < 16; ++attempt) {
        const quint64 tag = QRandomGenerator::global()->generate64();
        *tempPath = folder + "/." + base + ".tmp-" + QByteArray::number(tag, 36);
        const int fd = ::open(tempPath->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
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
    plist_t node = nullptr;
    plist_from_memory(bytes.constData(), uint32_t(bytes.size()), &node);
    return Root(node);
}

PropertyListFile::Loaded PropertyListFile::load(const QByteArray& path)
{
    Loaded result;
    struct stat st;
    if (path.isEmpty() || ::stat(path.constData(), &st) != 0) {
        // Only a clear "not there" counts as missing; anything else might be
        // a file we must not replace.
        result.status = (path.isEmpty() || errno == ENOENT) ? Status::Missing : Status::Unreadable;
        return result;
    }
    result.status = Status::Unreadable;
    // Non-blocking so that a FIFO at the path cannot hang start-up.
    FdGuard fd(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > maxFileSize) {
        return result;
    }
    // Read to the end rather than trusting st_size: the file may change under us.
    QByteArray bytes;
    bytes.resize(qsizetype(st.st_size) + 1);
    qsizetype used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (bytes.size() > maxFileSize) {
                return result;
            }
            bytes.resize(qMin<qsizetype>(bytes.size() * 2, maxFileSize + 1));
        }
        const ssize_t n = ::read(fd.get(), bytes.data() + used, size_t(bytes.size() - used));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return result;
        }
        if (n == 0) {
            break;
        }
        used += n;
    }
    bytes.truncate(used);
    result.root = parse(bytes);
    if (result.root) {
        result.status = Status::Ok;
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
    if (path.isEmpty() || path.endsWith('/')) {
        return false;
    }
    QByteArray tempPath;
    FdGuard fd(createTemporary(path, &tempPath));
    if (fd.get() < 0) {
        return false;
    }
    const bool written = writeAll(fd.get(), bytes.constData(), bytes.size()) && ::fsync(fd.get()) == 0;
    if (!fd.close() || !written || ::rename(tempPath.constData(), path.constData()) != 0) {
        ::unlink(tempPath.constData());
        return false;
    }
    // Make the rename itself durable. Some file systems refuse fsync on a
    // folder; the new contents are in place either way.
    FdGuard folder(::open(folderOf(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) {
        ::fsync(folder.get());
    }
    return true;
}
