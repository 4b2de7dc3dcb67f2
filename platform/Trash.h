#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <sys/types.h>

// Moves files to the user's Trash as the freedesktop.org Trash specification
// lays it out, by renaming them: the home Trash when the file is on the same
// file system, otherwise the Trash at the top of the file's volume. A file is
// never copied; what cannot be renamed into a Trash stays where it is.
// Paths are raw bytes, so names that are not valid UTF-8 survive unchanged.
class Trash
{
public:
    // The item is the entry `name` of the open folder `folderFd`, known to
    // the user as `path` (absolute), and must still be the file `device` /
    // `inode`. The folder is re-checked against `path` without following a
    // link, and the entry is renamed from that open folder, so a component of
    // the path that is swapped meanwhile can never lead the move elsewhere.
    // True only when the item now sits in a Trash with its info file.
    static bool moveToTrash(int folderFd, const QByteArray& name, const QByteArray& path, dev_t device,
                            ino_t inode, QString* errorText = nullptr);

    // Test seam: runs after the item was checked and before it is renamed.
    static void setBeforeRenameHook(std::function<void()> hook);

    // The .trashinfo text for an item at `path` (absolute, or relative to a
    // volume's top folder) deleted at `deletionDate` (local time).
    static QByteArray infoText(const QByteArray& path, const QByteArray& deletionDate);
    // Bytes other than unreserved ones and '/' as %XX.
    static QByteArray percentEncoded(const QByteArray& bytes);
};
