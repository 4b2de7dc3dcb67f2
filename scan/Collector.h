#pragma once

#include "scan/CategoryLists.h"
#include "scan/LocationEntry.h"

#include <QList>
#include <QSet>
#include <unordered_set>

class ScanControl;
class ScanProgress;

// What the file system says about one directory entry.
struct FileAttributes
{
    bool isRegular = false;
    bool isDirectory = false;
    bool immutable = false;
    quint64 size = 0;
    qint64 modificationNs = File::NoDate;
    qint64 creationNs = File::NoDate;
    quint64 device = 0;
    quint64 inode = 0;
};

// First stage of a scan: walks the marked locations depth-first and files
// every eligible regular file into one of the five category lists.
class Collector
{
public:
    enum class Outcome
    {
        Collected,
        Empty,
        Stopped
    };

    Collector(ScanControl& control, ScanProgress& progress, CategoryLists& lists,
              const QSet<QByteArray>* exceptions = nullptr);

    // The whole stage. Sets `go` before `added`, as the scan worker expects.
    Outcome addAllPhotos(const QList<LocationEntry>& entries);

    // Walks one folder recursively.
    void acceptFilenameDrag3(const QByteArray& folderPath);
    // Collects a marked single-file location with the walk's tests.
    void addSingleFile(const QByteArray& path);
    void addToArrayFile(const QByteArray& name, const QByteArray& completePath,
                        const FileAttributes& attributes);

    static bool isSkippedName(const char* name);
    // Attributes without following a final symbolic link; false if unreadable.
    static bool readAttributes(int dirFd, const char* name, FileAttributes& out);

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

    void walk(int dirFd, const QByteArray& folderPath, const Identity& folder);
    void considerRegularFile(const QByteArray& folderPrefix, const QByteArray& name,
                             const FileAttributes& attributes);
    void appendFile(const QByteArray& folderPrefix, const QByteArray& name, const FileAttributes& attributes);
    static QByteArray joinPath(const QByteArray& folder, const char* name, std::size_t nameLength);
    static QByteArray singleFileKey(const Identity& folder, const QByteArray& name);

    ScanControl& m_control;
    ScanProgress& m_progress;
    CategoryLists& m_lists;
    const QSet<QByteArray>* m_exceptions;
    // Folders already walked: the same folder reached again (overlapping
    // locations, bind mounts) is not collected twice.
    std::unordered_set<Identity, IdentityHash> m_walkedFolders;
    // Single-file locations taken so far, by folder identity and name.
    QSet<QByteArray> m_singleFiles;
};
