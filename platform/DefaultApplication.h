#pragma once

#include <QByteArray>

// Opens a file or folder, named by its exact bytes, with the desktop's
// default application for it. The address handed over is built from the
// bytes themselves, so names that are not valid UTF-8 open too.
class DefaultApplication
{
public:
    static bool openPath(const QByteArray& path);
    // The file:// address of an absolute byte path (empty when it is not absolute).
    static QByteArray fileUri(const QByteArray& path);
};
