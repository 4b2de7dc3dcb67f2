#include "scan/ScannedFile.h"

#include "platform/FdIo.h"
#include "platform/NoFollowPath.h"
#include "scan/File.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

bool sameBytes(int a, int b, off_t size)
{
    constexpr size_t chunk = 256 * 1024;
    std::vector<char> left(chunk);
    std::vector<char> right(chunk);
    off_t offset = 0;
    for (;;) {
        const qint64 n = FdIo::readFullAt(a, left.data(), chunk, offset);
        const qint64 m = FdIo::readFullAt(b, right.data(), chunk, offset);
        if (n < 0 || m < 0 || n != m) {
            return false;
        }
        if (n == 0) {
            return offset == size;
        }
        if (std::memcmp(left.data(), right.data(), size_t(n)) != 0) {
            return false;
        }
        offset += n;
    }
}

} // namespace

ScannedFile::ScannedFile(const File& file)
{
    const int folder = NoFollowPath::openParent(file.filePath(), &m_name);
    if (folder < 0) {
        return;
    }
    m_folder.reset(folder);
    if (::fstat(folder, &m_folderStatus) != 0) {
        return;
    }
    m_file.reset(
        ::openat(folder, m_name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!m_file.isValid() || ::fstat(m_file.get(), &m_status) != 0 || !S_ISREG(m_status.st_mode) ||
        quint64(m_status.st_size) != file.fileSize()) {
        return;
    }
    if ((file.device() != 0 || file.inode() != 0) &&
        (quint64(m_status.st_dev) != file.device() || quint64(m_status.st_ino) != file.inode())) {
        return; // another file now sits where the scanned one was
    }
    struct statx stx
    {
    };
    if (::statx(folder, m_name.constData(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_INO, &stx) != 0 ||
        stx.stx_ino != m_status.st_ino) {
        return;
    }
    m_mountRoot =
        (stx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (stx.stx_attributes & STATX_ATTR_MOUNT_ROOT);
    m_valid = true;
}

bool ScannedFile::keeps(const ScannedFile& keeper, const ScannedFile& marked)
{
    if (!keeper.isValid() || !marked.isValid()) {
        return false;
    }
    const struct stat& k = keeper.status();
    const struct stat& m = marked.status();
    if (k.st_dev == m.st_dev && k.st_ino == m.st_ino) {
        // One file under two names: it survives the trashing of one name only
        // when the other is a hard link of its own.
        const bool sameEntry = keeper.folderDevice() == marked.folderDevice() &&
                               keeper.folderInode() == marked.folderInode() && keeper.name() == marked.name();
        return k.st_nlink >= 2 && !sameEntry && !keeper.isMountRoot() && !marked.isMountRoot();
    }
    if (k.st_size != m.st_size || !sameBytes(keeper.fd(), marked.fd(), m.st_size)) {
        return false;
    }
    // Nothing changed while the two were read.
    struct stat k2
    {
    };
    struct stat m2
    {
    };
    return ::fstat(keeper.fd(), &k2) == 0 && ::fstat(marked.fd(), &m2) == 0 && k2.st_size == k.st_size &&
           m2.st_size == m.st_size && k2.st_mtim.tv_sec == k.st_mtim.tv_sec &&
           k2.st_mtim.tv_nsec == k.st_mtim.tv_nsec;
}
