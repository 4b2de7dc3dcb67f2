#pragma once

#include <QByteArray>

// Reaches a scanned file again without following a symbolic link anywhere
// below the location it was found in. The location itself may have been
// given through a link (the walk opened it that way); it is accepted only
// while it still is the folder that was walked. Works for paths longer than
// PATH_MAX, one component at a time.
class NoFollowPath
{
public:
    // Remembers a location as the walk opened it.
    static void registerRoot(const QByteArray& root, quint64 device, quint64 inode);
    // Forgets every location (tests).
    static void clearRoots();

    // Opens the folder that holds `path` (readable, close-on-exec)
    // and gives the last component in `name`. -1 when a component below the
    // location is a link or missing, or the location changed since the walk.
    static int openParent(const QByteArray& path, QByteArray* name);
};
