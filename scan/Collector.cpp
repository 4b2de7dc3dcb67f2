#include "scan/Collector.h"

#include "scan/ScanControl.h"
#include "scan/ScanProgress.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

qint64 toNs(const statx_timestamp& ts)
{
    return static_cast<qint64>(ts.tv_sec) * 1000000000LL + static_cast<qint64>(ts.tv_nsec);
}

} // namespace

std::size_t Collector::IdentityHash::operator()(const Identity& id) const noexcept
{
    return std::hash<quint64>()(id.inode * 0x9E3779B97F4A7C15ULL ^ id.device);
}

Collector::Collector(ScanControl& control, ScanProgress& progress, CategoryLists& lists,
                     const QSet<QByteArray>* exceptions)
    : m_control(control), m_progress(progress), m_lists(lists), m_exceptions(exceptions)
{
}

bool Collector::isSkippedName(const char* name)
{
    static const char* const skipped[] = {".Trashes", ".Trash",  "Applications", "System",
                                          "Library",  "private", "usr"};
    for (const char* s : skipped) {
        if (std::strcmp(name, s) == 0) {
            return true;
        }
    }
    return false;
}

bool Collector::readAttributes(int dirFd, const char* name, FileAttributes& out)
{
    struct statx stx
    {
    };
    const unsigned mask = STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_BTIME | STATX_INO;
    if (::statx(dirFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, mask, &stx) != 0) {
        return false;
    }
    if (!(stx.stx_mask & STATX_TYPE)) {
        return false;
    }
    out.isRegular = S_ISREG(stx.stx_mode);
    out.isDirectory = S_ISDIR(stx.stx_mode);
    out.immutable =
        (stx.stx_attributes_mask & STATX_ATTR_IMMUTABLE) && (stx.stx_attributes & STATX_ATTR_IMMUTABLE);
    out.size = (stx.stx_mask & STATX_SIZE) ? stx.stx_size : 0;
    out.modificationNs = (stx.stx_mask & STATX_MTIME) ? toNs(stx.stx_mtime) : File::NoDate;
    out.creationNs = (stx.stx_mask & STATX_BTIME) ? toNs(stx.stx_btime) : File::NoDate;
    out.device = (static_cast<quint64>(stx.stx_dev_major) << 32) | stx.stx_dev_minor;
    out.inode = stx.stx_ino;
    return true;
}

QByteArray Collector::joinPath(const QByteArray& folder, const char* name, std::size_t nameLength)
{
    const bool needSlash = folder.isEmpty() || !folder.endsWith('/');
    QByteArray path;
    path.reserve(folder.size() + (needSlash ? 1 : 0) + static_cast<qsizetype>(nameLength));
    path.append(folder);
    if (needSlash) {
        path.append('/');
    }
    path.append(name, static_cast<qsizetype>(nameLength));
    return path;
}

QByteArray Collector::singleFileKey(const Identity& folder, const QByteArray& name)
{
    QByteArray key(reinterpret_cast<const char*>(&folder), sizeof(folder));
    key.append(name);
    return key;
}

Collector::Outcome Collector::addAllPhotos(const QList<LocationEntry>& entries)
{
    m_progress.setStage(ScanProgress::Stage::Collecting);
    for (const LocationEntry& entry : entries) {
        if (m_control.stop()) {
            break;
        }
        if (!m_control.waitWhilePaused()) {
            break;
        }
        if (!entry.state) {
            continue;
        }
        if (entry.folder) {
            acceptFilenameDrag3(entry.name);
        } else {
            addSingleFile(entry.name);
        }
    }
    if (m_control.stop()) {
        m_control.setGo(false);
        m_lists.clear();
        m_control.setAdded(true);
        return Outcome::Stopped;
    }
    if (m_lists.allEmpty()) {
        m_control.setGo(false);
        m_control.setAdded(true);
        return Outcome::Empty;
    }
    m_control.setGo(true);
    m_control.setAdded(true);
    return Outcome::Collected;
}

void Collector::acceptFilenameDrag3(const QByteArray& folderPath)
{
    if (!m_control.waitWhilePaused()) {
        return;
    }
    // The location itself may be reached through a link; only what lies
    // below it is walked without following links.
    const int fd = ::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return;
    }
    const Identity id{static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino)};
    if (!m_walkedFolders.insert(id).second) {
        ::close(fd);
        return;
    }
    walk(fd, folderPath, id);
}

void Collector::walk(int dirFd, const QByteArray& folderPath, const Identity& folder)
{
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return;
    }
    // Every file of this folder shares one copy of the folder's path.
    const QByteArray prefix = folderPath.endsWith('/') ? folderPath : folderPath + '/';
    while (dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
            continue;
        }
        if (isSkippedName(name)) {
            continue;
        }
        if (!m_control.waitWhilePaused()) {
            break;
        }
        const unsigned char type = entry->d_type;
        if (type != DT_UNKNOWN && type != DT_DIR && type != DT_REG) {
            continue; // links, devices, sockets: never followed, never collected
        }
        const std::size_t nameLength = std::strlen(name);
        if (type == DT_DIR) {
            const int childFd = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (childFd < 0) {
                continue;
            }
            struct stat st
            {
            };
            if (::fstat(childFd, &st) != 0) {
                ::close(childFd);
                continue;
            }
            const Identity child{static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino)};
            if (!m_walkedFolders.insert(child).second) {
                ::close(childFd);
                continue;
            }
            walk(childFd, joinPath(folderPath, name, nameLength), child);
            continue;
        }
        FileAttributes attributes;
        if (!readAttributes(dirFd, name, attributes)) {
            continue;
        }
        if (attributes.isDirectory) {
            // The file system did not fill d_type; walk it all the same.
            const int childFd = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (childFd < 0) {
                continue;
            }
            const Identity child{attributes.device, attributes.inode};
            struct stat st
            {
            };
            if (::fstat(childFd, &st) != 0 || static_cast<quint64>(st.st_ino) != child.inode ||
                !m_walkedFolders.insert(child).second) {
                ::close(childFd);
                continue;
            }
            walk(childFd, joinPath(folderPath, name, nameLength), child);
            continue;
        }
        if (!attributes.isRegular || attributes.immutable) {
            continue;
        }
        const QByteArray nameBytes = QByteArray::fromRawData(name, static_cast<qsizetype>(nameLength));
        if (!m_singleFiles.isEmpty() && m_singleFiles.contains(singleFileKey(folder, nameBytes))) {
            continue;
        }
        considerRegularFile(prefix, QByteArray(name, static_cast<qsizetype>(nameLength)), attributes);
    }
    ::closedir(dir);
}

void Collector::considerRegularFile(const QByteArray& folderPrefix, const QByteArray& name,
                                    const FileAttributes& attributes)
{
    m_progress.setCurrent(ScanProgress::Activity::Collecting, folderPrefix, name);
    if (m_exceptions && !m_exceptions->isEmpty() && m_exceptions->contains(folderPrefix + name)) {
        return;
    }
    appendFile(folderPrefix, name, attributes);
}

void Collector::addSingleFile(const QByteArray& path)
{
    if (!m_control.waitWhilePaused()) {
        return;
    }
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folderPath =
        slash == 0 ? QByteArray("/") : (slash > 0 ? path.left(slash) : QByteArray("."));
    const QByteArray name = path.mid(slash + 1);
    if (name.isEmpty()) {
        return;
    }
    const int dirFd = ::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        return;
    }
    struct stat st
    {
    };
    FileAttributes attributes;
    const bool ok = ::fstat(dirFd, &st) == 0 && readAttributes(dirFd, name.constData(), attributes);
    ::close(dirFd);
    if (!ok || !attributes.isRegular || attributes.immutable) {
        return;
    }
    const Identity folder{static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino)};
    if (m_walkedFolders.contains(folder)) {
        return; // already collected by the walk of its folder
    }
    const QByteArray key = singleFileKey(folder, name);
    if (m_singleFiles.contains(key)) {
        return;
    }
    m_singleFiles.insert(key);
    considerRegularFile(path.left(slash + 1), name, attributes);
}

void Collector::addToArrayFile(const QByteArray& name, const QByteArray& completePath,
                               const FileAttributes& attributes)
{
    appendFile(completePath.left(completePath.size() - name.size()), name, attributes);
}

void Collector::appendFile(const QByteArray& folderPrefix, const QByteArray& name,
                           const FileAttributes& attributes)
{
    if (FileCategories::rawExtension(name).isEmpty()) {
        return;
    }
    const Category category = FileCategories::categoryOf(folderPrefix, name);
    FilePtr file(
        new File(folderPrefix, name, attributes.size, attributes.modificationNs, attributes.creationNs));
    m_lists.list(category).append(std::move(file));
    m_progress.addCollected();
}
