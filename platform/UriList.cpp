#include "platform/UriList.h"

QByteArrayList UriList::localPaths(const QByteArray& uriList)
{
    QByteArrayList paths;
    for (QByteArray line : uriList.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        if (!line.startsWith("file:")) {
            continue; // not a local file
        }
        QByteArray rest = line.mid(5);
        if (rest.startsWith("//")) {
            rest = rest.mid(2);
            const qsizetype slash = rest.indexOf('/');
            if (slash < 0) {
                continue;
            }
            const QByteArray host = rest.left(slash);
            if (!host.isEmpty() && host != "localhost") {
                continue; // a file on another machine
            }
            rest = rest.mid(slash);
        }
        const QByteArray path = QByteArray::fromPercentEncoding(rest);
        if (path.startsWith('/')) {
            paths.append(path);
        }
    }
    return paths;
}

QByteArray UriList::fromLocalPaths(const QByteArrayList& paths)
{
    QByteArray out;
    for (const QByteArray& path : paths) {
        out += "file://" + path.toPercentEncoding("/") + "\r\n";
    }
    return out;
}
