#pragma once

#include <QByteArray>

// Splitting byte paths at their last '/', without touching the file system
// and without any text conversion.
class BytePath
{
public:
    // The folder part: "/" for "/x" and for "/", "." when there is no '/'.
    static QByteArray folderOf(const QByteArray& path);
    // The last component: everything after the last '/'.
    static QByteArray nameOf(const QByteArray& path);
    // `folder` and `name` joined by exactly one '/'.
    static QByteArray joined(const QByteArray& folder, const QByteArray& name);
};
