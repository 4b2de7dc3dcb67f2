#pragma once

#include "scan/LocationEntry.h"

#include <QByteArrayList>
#include <QList>

// The roots of the reference locations of a scan: the files under them are
// the copies to keep and are never marked. A path is inside a root when it
// is the root or continues it after a '/' (exact bytes, so /a/photos does
// not cover /a/photos2).
class ReferenceRoots
{
public:
    ReferenceRoots() = default;
    explicit ReferenceRoots(const QByteArrayList& roots);
    // The roots of the entries whose `reference` flag is set.
    static ReferenceRoots fromEntries(const QList<LocationEntry>& entries);

    bool isEmpty() const { return m_roots.isEmpty(); }
    const QByteArrayList& roots() const { return m_roots; }
    bool contains(const QByteArray& path) const;

    // The same test for any root, e.g. the folder of a keep rule.
    static bool isInside(const QByteArray& path, const QByteArray& root);

private:
    QByteArrayList m_roots;
};
