#pragma once

#include <QByteArray>
#include <QHash>

// Tells the kernel's virtual file systems (proc, sysfs, cgroup, devtmpfs and
// the like) from file systems that hold user files. Their "files" have no
// stable contents and sizes, so a walk never enters them.
class PseudoFileSystems
{
public:
    // The type of the file system holding the open folder `fd`, by statfs;
    // devtmpfs reports the tmpfs magic, so tmpfs is looked up by device in
    // the mount table as well.
    bool isPseudo(int fd);

    static bool isPseudoMagic(unsigned long magic);
    static bool isPseudoTypeName(const QByteArray& fsType);

private:
    QByteArray typeOfDevice(quint64 device);

    bool m_tableRead = false;
    QHash<quint64, QByteArray> m_typeByDevice;
};
