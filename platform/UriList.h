#pragma once

#include <QByteArrayList>

// Local paths from a text/uri-list payload (what file managers put on a drag),
// decoded to their exact bytes: percent escapes of names that are not UTF-8
// must not go through a QString.
class UriList
{
public:
    static QByteArrayList localPaths(const QByteArray& uriList);
    static QByteArray fromLocalPaths(const QByteArrayList& paths);
};
