#pragma once

#include <QByteArray>
#include <QList>

// Where the freedesktop Trash keeps what the user threw away: the home
// Trash, and on every volume $topdir/.Trash/$uid or $topdir/.Trash-$uid.
// A scan never collects from them, so a thrown-away copy can never stand in
// for the file the user keeps.
class TrashFolders
{
public:
    struct Identity
    {
        quint64 device = 0;
        quint64 inode = 0;
        bool operator==(const Identity&) const = default;
    };

    // The home Trash folders that exist now, as real folders (device and
    // inode), whatever path leads to them: $XDG_DATA_HOME/Trash, the default
    // ~/.local/share/Trash, and that of the console user when it differs.
    static QList<Identity> homeTrashes();

    // ".Trash", ".Trashes" or ".Trash-<digits>": names only a volume's Trash has.
    static bool isVolumeTrashName(const char* name);

    // Whether `path` is a Trash folder or lies inside one (links resolved).
    static bool isInsideTrash(const QByteArray& path);
};
