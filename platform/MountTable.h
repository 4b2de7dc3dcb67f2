#pragma once

#include <QByteArray>
#include <QList>

// What the system says about the file system a path lives on: its type and
// whether its disk is removable. Built from /proc/self/mountinfo, or from
// given entries (tests).
class MountTable
{
public:
    struct Mount
    {
        QByteArray mountPoint;  // unescaped, absolute
        QByteArray fsType;      // e.g. "ext4", "vfat", "cifs", "fuse.sshfs"
        bool removable = false; // its block device reports removable media
    };
    struct Info
    {
        bool known = false; // false: no mount covers the path (or no table)
        QByteArray fsType;
        bool removable = false;
    };

    MountTable() = default;
    explicit MountTable(QList<Mount> mounts) : m_mounts(std::move(mounts)) {}

    // The running system's table; empty when it cannot be read.
    static MountTable system();
    // Parses mountinfo text; `sysRoot` is where /sys lives (for the removable flag).
    static MountTable fromMountInfo(const QByteArray& text, const QByteArray& sysRoot = "/sys");

    // The mount with the longest mount point that is `path` or a parent of it.
    Info infoFor(const QByteArray& path) const;
    const QList<Mount>& mounts() const { return m_mounts; }

    static bool
    isNetworkType(const QByteArray& fsType); // cifs, smb3, smbfs, nfs, nfs4, fuse.sshfs, 9p, davfs
    static bool isRemovableType(const QByteArray& fsType); // vfat, exfat, msdos
    static bool isNativeType(const QByteArray& fsType);    // ext2/3/4, btrfs, xfs, f2fs, zfs

private:
    QList<Mount> m_mounts;
};
