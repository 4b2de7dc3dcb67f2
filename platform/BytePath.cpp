#include "platform/BytePath.h"

QByteArray BytePath::folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) {
        return QByteArrayLiteral(".");
    }
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray BytePath::nameOf(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

QByteArray BytePath::joined(const QByteArray& folder, const QByteArray& name)
{
    if (folder.endsWith('/')) {
        return folder + name;
    }
    return folder + '/' + name;
}
