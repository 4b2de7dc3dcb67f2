#pragma once

#include <QByteArray>
#include <QList>
#include <optional>
#include <sys/types.h>

// Finds and reads the entries of the freedesktop Trash (the home Trash under
// $XDG_DATA_HOME and the per-volume .Trash/$uid and .Trash-$uid folders).
// Paths are raw bytes throughout.
class TrashEntries
{
public:
    struct Entry
    {
        QByteArray filesPath; // the item itself, in <trash>/files
        QByteArray infoPath;  // its <trash>/info/<name>.trashinfo
    };

    // Where the item that was at `originalPath`, with device `device` and
    // inode `inode` before it was trashed, lies in the Trash now. The inode
    // identifies it even when the Trash renamed it to avoid a clash.
    static std::optional<Entry> locate(const QByteArray& originalPath, dev_t device, ino_t inode);

    // The original path a .trashinfo file names, decoded to bytes (a path
    // relative to a volume's top folder is made absolute); empty when the
    // file cannot be read or names none.
    static QByteArray originalPathOf(const QByteArray& infoPath);

    // The Trash folders an item at `path` may have gone to, best first.
    static QList<QByteArray> trashFoldersFor(const QByteArray& path);
    // The home Trash, <data home>/Trash: $XDG_DATA_HOME when it is absolute,
    // else ~/.local/share, read afresh on every call.
    static QByteArray homeTrash();
    // The top folder of the mount that holds `folder`: up while the device
    // stays the same.
    static QByteArray mountTopOf(const QByteArray& folder);
};
