#pragma once

#include <QByteArray>
#include <QString>

// Moves files to the freedesktop Trash of the current user (GIO). Paths are
// raw bytes, so names that are not valid UTF-8 survive the move unchanged.
class Trash
{
public:
    // True only when the item at `path` now sits in the Trash. On failure
    // `errorText` (if given) receives GIO's message.
    static bool moveToTrash(const QByteArray& path, QString* errorText = nullptr);
};
