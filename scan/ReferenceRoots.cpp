#include "scan/ReferenceRoots.h"

namespace {
QByteArray normalised(QByteArray root)
{
    while (root.size() > 1 && root.endsWith('/')) {
        root.chop(1);
    }
    return root;
}
} // namespace

ReferenceRoots::ReferenceRoots(const QByteArrayList& roots)
{
    for (const QByteArray& root : roots) {
        if (!root.isEmpty()) {
            m_roots.append(normalised(root));
        }
    }
}

ReferenceRoots ReferenceRoots::fromEntries(const QList<LocationEntry>& entries)
{
    QByteArrayList roots;
    for (const LocationEntry& entry : entries) {
        if (entry.reference) {
            roots.append(entry.name);
        }
    }
    return ReferenceRoots(roots);
}

bool ReferenceRoots::isInside(const QByteArray& path, const QByteArray& root)
{
    if (root.isEmpty() || !path.startsWith(root)) {
        return false;
    }
    return path.size() == root.size() || root.endsWith('/') || path.at(root.size()) == '/';
}

bool ReferenceRoots::contains(const QByteArray& path) const
{
    for (const QByteArray& root : m_roots) {
        if (isInside(path, root)) {
            return true;
        }
    }
    return false;
}
