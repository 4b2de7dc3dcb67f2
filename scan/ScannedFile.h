#pragma once

#include "platform/UniqueFd.h"

#include <QByteArray>
#include <sys/stat.h>

class File;

// A scanned file reached again on disk, without following a link below its
// location, and found to be the very file the scan recorded (same device
// and inode when they were recorded, same size, still a regular file).
// Holds its folder and the file open, so later checks see this file and not
// whatever a path might lead to by then.
class ScannedFile
{
public:
    explicit ScannedFile(const File& file);

    bool isValid() const { return m_valid; }
    int fd() const { return m_file.get(); }
    // The folder that holds the entry, as it was reached.
    int folderFd() const { return m_folder.get(); }
    const struct stat& status() const { return m_status; }
    // The directory entry is itself a mount root (a file bind-mounted there).
    bool isMountRoot() const { return m_mountRoot; }
    // Device and inode of the folder that holds the entry.
    dev_t folderDevice() const { return m_folderStatus.st_dev; }
    ino_t folderInode() const { return m_folderStatus.st_ino; }
    const QByteArray& name() const { return m_name; }

    // True when `keeper` still is an independent, intact copy of `marked`:
    // the same bytes in another file, or the same file under a second hard
    // link (a separate directory entry, not a bind mount of the same entry).
    static bool keeps(const ScannedFile& keeper, const ScannedFile& marked);

private:
    UniqueFd m_folder;
    UniqueFd m_file;
    QByteArray m_name;
    struct stat m_status
    {
    };
    struct stat m_folderStatus
    {
    };
    bool m_mountRoot = false;
    bool m_valid = false;
};
