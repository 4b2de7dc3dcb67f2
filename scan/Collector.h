#pragma once

#include "platform/PseudoFileSystems.h"
#include "platform/TrashFolders.h"
#include "platform/UniqueFd.h"
#include "scan/CategoryLists.h"
#include "scan/LocationEntry.h"

#include <QList>
#include <QSet>
#include <sys/stat.h>
#include <unordered_set>
#include <vector>

class ScanControl;
class ScanProgress;

// What the file system says about one directory entry.
struct FileAttributes
{
    bool isRegular = false;
    bool isDirectory = false;
    bool immutable = false;
    // The entry is itself the root of a mount: a file bind-mounted onto it.
    bool mountRoot = false;
    quint32 links = 1;
    quint64 size = 0;
    qint64 modificationNs = File::NoDate;
    qint64 creationNs = File::NoDate;
    quint64 device = 0; // as st_dev
    quint64 inode = 0;
};

// First stage of a scan: walks the marked locations depth-first and files
// every eligible regular file into one of the five category lists.
//
// The walk is a loop over a stack of folders, not a recursion: its memory
// grows with the depth only by what each open level still has to visit, and
// only the deepest few levels keep a descriptor open (a level above is
// reopened through ".." of the one below, checked to be the same folder).
// It never enters a Trash folder or a kernel pseudo file system.
class Collector
{
public:
    enum class Outcome
    {
        Collected,
        Empty,
        Stopped
    };

    // Folders kept open at once, whatever the depth.
    static constexpr std::size_t maxOpenFolders = 64;

    Collector(ScanControl& control, ScanProgress& progress, CategoryLists& lists,
              const QSet<QByteArray>* exceptions = nullptr);
    ~Collector();
    Collector(const Collector&) = delete;
    Collector& operator=(const Collector&) = delete;

    // The whole stage. Sets `go` before `added`, as the scan worker expects.
    Outcome addAllPhotos(const QList<LocationEntry>& entries);

    // Walks one folder and everything below it.
    void acceptFilenameDrag3(const QByteArray& folderPath);
    // Collects a marked single-file location with the walk's tests.
    void addSingleFile(const QByteArray& path);
    void addToArrayFile(const QByteArray& name, const QByteArray& completePath,
                        const FileAttributes& attributes);

    static bool isSkippedName(const char* name);
    // Attributes without following a final symbolic link; false if unreadable.
    static bool readAttributes(int dirFd, const char* name, FileAttributes& out);

    // A file reached twice under two names without being a second hard link
    // (a file bind-mounted onto another path) is one file: only its first
    // record stays. Called at the end of addAllPhotos.
    void dropRepeatedMountedFiles();

private:
    struct Identity
    {
        quint64 device;
        quint64 inode;
        bool operator==(const Identity&) const = default;
    };
    struct IdentityHash
    {
        std::size_t operator()(const Identity& id) const noexcept;
    };
    struct Entry
    {
        QByteArray name;
        unsigned char type;
    };
    struct Frame
    {
        UniqueFd fd;
        Identity id{0, 0};
        qsizetype pathLength = 0; // bytes of m_path that name this folder, '/' included
        File::FolderRef folder;   // those bytes, made once for the folder's files
        std::vector<Entry> entries;
        std::size_t next = 0;
    };

    bool isTrash(const Identity& id) const;
    static void readEntries(int fd, std::vector<Entry>& out);
    // Opens a level of the walk at the folder `m_path` now names.
    void pushFrame(UniqueFd fd, const Identity& id);
    void walkFrom(UniqueFd rootFd, const QByteArray& rootPath, const Identity& root);
    void enterFolder(const char* name, UniqueFd fd, const struct stat& st);
    // Opens the subfolder `name` of the top frame; invalid if it is not
    // the directory `inode` (0: any).
    UniqueFd openChild(const char* name, quint64 inode, struct stat& st) const;
    void popFolder();
    void closeAll();
    void considerRegularFile(const File::FolderRef& folder, const QByteArray& name,
                             const FileAttributes& attributes);
    void appendFile(const File::FolderRef& folder, const QByteArray& name, const FileAttributes& attributes);
    static QByteArray singleFileKey(const Identity& folder, const QByteArray& name);

    ScanControl& m_control;
    ScanProgress& m_progress;
    CategoryLists& m_lists;
    const QSet<QByteArray>* m_exceptions;
    QList<TrashFolders::Identity> m_homeTrashes;
    PseudoFileSystems m_pseudo;
    // Folders already walked: the same folder reached again (overlapping
    // locations, bind mounts, loops) is not collected twice.
    std::unordered_set<Identity, IdentityHash> m_walkedFolders;
    // Files met as mount roots; each may also be met under its own name.
    std::unordered_set<Identity, IdentityHash> m_mountedFiles;
    // Single-file locations taken so far, by folder identity and name.
    QSet<QByteArray> m_singleFiles;
    std::vector<Frame> m_frames;
    QByteArray m_path;
    QByteArray m_lookupKey;
};
