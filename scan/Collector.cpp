#include "scan/Collector.h"

#include "platform/FdIo.h"
#include "platform/NoFollowPath.h"
#include "scan/ScanControl.h"
#include "scan/ScanProgress.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

qint64 toNs(const statx_timestamp& ts)
{
    return static_cast<qint64>(ts.tv_sec) * 1000000000LL + static_cast<qint64>(ts.tv_nsec);
}

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Large blocks (the lists, detection's tables) come straight from the
// system and go back to it when freed. Left to itself, malloc raises that
// threshold each time such a block is freed, and the blocks a scan frees
// then stay with the process while the results are built.
void keepLargeBlocksSeparate()
{
    static const bool done = [] { return ::mallopt(M_MMAP_THRESHOLD, 256 * 1024) == 1; }();
    (void)done;
}

} // namespace

std::size_t Collector::IdentityHash::operator()(const Identity& id) const noexcept
{
    return std::hash<quint64>()(id.inode * 0x9E3779B97F4A7C15ULL ^ id.device);
}

Collector::Collector(ScanControl& control, ScanProgress& progress, CategoryLists& lists,
                     const QSet<QByteArray>* exceptions)
    : m_control(control), m_progress(progress), m_lists(lists), m_exceptions(exceptions),
      m_homeTrashes(TrashFolders::homeTrashes())
{
    keepLargeBlocksSeparate();
}

Collector::~Collector()
{
    closeAll();
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
    const unsigned mask = STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_BTIME | STATX_INO | STATX_NLINK;
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
    out.mountRoot =
        (stx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (stx.stx_attributes & STATX_ATTR_MOUNT_ROOT);
    out.links = (stx.stx_mask & STATX_NLINK) ? stx.stx_nlink : 1;
    out.size = (stx.stx_mask & STATX_SIZE) ? stx.stx_size : 0;
    out.modificationNs = (stx.stx_mask & STATX_MTIME) ? toNs(stx.stx_mtime) : File::NoDate;
    out.creationNs = (stx.stx_mask & STATX_BTIME) ? toNs(stx.stx_btime) : File::NoDate;
    // The same encoding as st_dev, so it compares with fstat's answer.
    out.device = ::makedev(stx.stx_dev_major, stx.stx_dev_minor);
    out.inode = stx.stx_ino;
    return true;
}

QByteArray Collector::singleFileKey(const Identity& folder, const QByteArray& name)
{
    QByteArray key(reinterpret_cast<const char*>(&folder), sizeof(folder));
    key.append(name);
    return key;
}

bool Collector::isTrash(const Identity& id) const
{
    return m_homeTrashes.contains(TrashFolders::Identity{id.device, id.inode});
}

Collector::Outcome Collector::addAllPhotos(const QList<LocationEntry>& entries)
{
    m_progress.setStage(ScanProgress::Stage::Collecting);
    // A new scan replaces the results of the last one: its locations go too,
    // so a folder that has since replaced a link is not held to the link.
    NoFollowPath::clearRoots();
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
    dropRepeatedMountedFiles();
    // The lists grew by doubling; detection holds them a while longer.
    for (Category category :
         {Category::Images, Category::Audio, Category::Video, Category::Documents, Category::Others}) {
        m_lists.list(category).squeeze();
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
    UniqueFd fd(::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st
    {
    };
    if (!fd.isValid() || ::fstat(fd.get(), &st) != 0) {
        return;
    }
    const Identity id{static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino)};
    if (isTrash(id) || m_pseudo.isPseudo(fd.get()) || TrashFolders::isInsideTrash(folderPath) ||
        !m_walkedFolders.insert(id).second) {
        return;
    }
    NoFollowPath::registerRoot(folderPath, id.device, id.inode);
    walkFrom(std::move(fd), folderPath, id);
}

void Collector::readEntries(int fd, std::vector<Entry>& out)
{
    // Listed straight from the folder's own descriptor: no second
    // descriptor, and nothing for a directory stream to set up. Reading
    // moves only its offset, which opening and looking up names ignore.
    alignas(dirent64) char buffer[32 * 1024];
    for (;;) {
        const ssize_t got = FdIo::retry([&] { return ::getdents64(fd, buffer, sizeof buffer); });
        if (got <= 0) {
            return;
        }
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
            at += entry->d_reclen;
            const char* name = entry->d_name;
            if (isDotOrDotDot(name) || isSkippedName(name) || TrashFolders::isVolumeTrashName(name)) {
                continue;
            }
            const unsigned char type = entry->d_type;
            if (type != DT_UNKNOWN && type != DT_DIR && type != DT_REG) {
                continue; // links, devices, sockets: never followed, never collected
            }
            out.push_back({QByteArray(name), type});
        }
    }
}

void Collector::pushFrame(UniqueFd fd, const Identity& id)
{
    Frame frame;
    frame.id = id;
    frame.pathLength = m_path.size();
    readEntries(fd.get(), frame.entries);
    frame.fd = std::move(fd);
    m_frames.push_back(std::move(frame));
}

UniqueFd Collector::openChild(const char* name, quint64 inode, struct stat& st) const
{
    UniqueFd fd(::openat(m_frames.back().fd.get(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.isValid() && (::fstat(fd.get(), &st) != 0 || (inode != 0 && quint64(st.st_ino) != inode))) {
        fd.reset(-1);
    }
    return fd;
}

void Collector::walkFrom(UniqueFd rootFd, const QByteArray& rootPath, const Identity& root)
{
    m_path = rootPath.endsWith('/') ? rootPath : rootPath + '/';
    pushFrame(std::move(rootFd), root);

    while (!m_frames.empty()) {
        Frame& top = m_frames.back();
        if (top.next == top.entries.size()) {
            popFolder();
            continue;
        }
        if (!m_control.waitWhilePaused()) {
            closeAll();
            return;
        }
        // Taken out of the list, so a long folder's names go as it is walked.
        const Entry entry = std::move(top.entries[top.next]);
        ++top.next;
        if (!top.fd.isValid()) {
            continue; // the folder could not be reached again; its rest is left out
        }
        const char* name = entry.name.constData();
        struct stat st
        {
        };
        if (entry.type == DT_DIR) {
            UniqueFd child = openChild(name, 0, st);
            if (child.isValid()) {
                enterFolder(name, std::move(child), st);
            }
            continue;
        }
        FileAttributes attributes;
        if (!readAttributes(top.fd.get(), name, attributes)) {
            continue;
        }
        if (attributes.isDirectory) {
            // The file system did not fill d_type; walk it all the same.
            UniqueFd child = openChild(name, attributes.inode, st);
            if (child.isValid()) {
                enterFolder(name, std::move(child), st);
            }
            continue;
        }
        if (!attributes.isRegular || attributes.immutable) {
            continue;
        }
        if (!m_singleFiles.isEmpty() && m_singleFiles.contains(singleFileKey(top.id, entry.name))) {
            continue;
        }
        if (!top.folder) {
            top.folder = File::makeFolder(m_path.left(top.pathLength));
        }
        considerRegularFile(top.folder, entry.name, attributes);
    }
}

void Collector::enterFolder(const char* name, UniqueFd fd, const struct stat& st)
{
    const Frame& parent = m_frames.back();
    const Identity id{static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino)};
    // A new device is a mount: kernel pseudo file systems are not walked.
    if (isTrash(id) || m_walkedFolders.contains(id) ||
        (id.device != parent.id.device && m_pseudo.isPseudo(fd.get()))) {
        return;
    }
    m_walkedFolders.insert(id);
    m_path.truncate(parent.pathLength);
    m_path.append(name);
    m_path.append('/');

    pushFrame(std::move(fd), id);
    // Only the deepest levels keep their folder open.
    if (m_frames.size() > maxOpenFolders) {
        m_frames[m_frames.size() - 1 - maxOpenFolders].fd.reset(-1);
    }
}

void Collector::popFolder()
{
    Frame child = std::move(m_frames.back());
    m_frames.pop_back();
    if (m_frames.empty()) {
        return;
    }
    Frame& parent = m_frames.back();
    m_path.truncate(parent.pathLength);
    if (!parent.fd.isValid() && child.fd.isValid()) {
        // Back up through "..", accepted only if it is the folder that was
        // walked (the child may have been moved meanwhile).
        struct stat st
        {
        };
        UniqueFd fd(::openat(child.fd.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (fd.isValid() && ::fstat(fd.get(), &st) == 0 && quint64(st.st_dev) == parent.id.device &&
            quint64(st.st_ino) == parent.id.inode) {
            parent.fd = std::move(fd);
        }
    }
}

void Collector::closeAll()
{
    m_frames.clear();
}

void Collector::considerRegularFile(const File::FolderRef& folder, const QByteArray& name,
                                    const FileAttributes& attributes)
{
    static const QByteArray none;
    const QByteArray& folderPrefix = folder ? folder->path : none;
    m_progress.setCurrent(ScanProgress::Activity::Collecting, folderPrefix, name);
    if (m_exceptions && !m_exceptions->isEmpty()) {
        // One buffer for every lookup: a long list costs a hash per file,
        // not an allocation as well.
        m_lookupKey.resize(0);
        m_lookupKey.append(folderPrefix);
        m_lookupKey.append(name);
        if (m_exceptions->contains(m_lookupKey)) {
            return;
        }
    }
    appendFile(folder, name, attributes);
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
    UniqueFd dirFd(::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dirFd.isValid()) {
        return;
    }
    struct stat st
    {
    };
    FileAttributes attributes;
    const bool ok = ::fstat(dirFd.get(), &st) == 0 &&
                    readAttributes(dirFd.get(), name.constData(), attributes) &&
                    !m_pseudo.isPseudo(dirFd.get());
    dirFd.reset(-1);
    if (!ok || !attributes.isRegular || attributes.immutable || TrashFolders::isInsideTrash(folderPath)) {
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
    if (slash > 0) {
        NoFollowPath::registerRoot(folderPath, folder.device, folder.inode);
    }
    considerRegularFile(File::makeFolder(path.left(slash + 1)), name, attributes);
}

void Collector::addToArrayFile(const QByteArray& name, const QByteArray& completePath,
                               const FileAttributes& attributes)
{
    appendFile(File::makeFolder(completePath.left(completePath.size() - name.size())), name, attributes);
}

void Collector::appendFile(const File::FolderRef& folder, const QByteArray& name,
                           const FileAttributes& attributes)
{
    if (FileCategories::rawExtension(name).isEmpty()) {
        return;
    }
    if (attributes.mountRoot) {
        m_mountedFiles.insert({attributes.device, attributes.inode});
    }
    static const QByteArray none;
    const Category category = FileCategories::categoryOf(folder ? folder->path : none, name);
    FilePtr file(new File(folder, name, attributes.size, attributes.modificationNs, attributes.creationNs));
    file->setIdentity(attributes.device, attributes.inode);
    m_lists.list(category).append(std::move(file));
    m_progress.addCollected();
}

void Collector::dropRepeatedMountedFiles()
{
    if (m_mountedFiles.empty()) {
        return;
    }
    std::unordered_set<Identity, IdentityHash> seen;
    for (QList<FilePtr>* list :
         {&m_lists.arrOfImagesFileObject, &m_lists.arrOfAudioFileObject, &m_lists.arrOfVideosFileObject,
          &m_lists.arrOfDocsFileObject, &m_lists.arrOfOthersFileObject}) {
        list->removeIf([&](const FilePtr& f) {
            const Identity id{f->device(), f->inode()};
            return m_mountedFiles.contains(id) && !seen.insert(id).second;
        });
    }
}
