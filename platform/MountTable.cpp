#include "platform/MountTable.h"

#include "platform/FileContents.h"

#include <QHash>
#include <fcntl.h>
#include <unistd.h>

namespace {

// mountinfo writes space, tab, newline and backslash in paths as \ooo.
QByteArray unescapeOctal(const QByteArray& field)
{
    const auto isOctal = [](char d) { return d >= '0' && d <= '7'; };
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field.at(i);
        if (c == '\\' && i + 3 < field.size() && isOctal(field.at(i + 1)) && isOctal(field.at(i + 2)) &&
            isOctal(field.at(i + 3))) {
            const int value =
                (field.at(i + 1) - '0') * 64 + (field.at(i + 2) - '0') * 8 + (field.at(i + 3) - '0');
            out.append(static_cast<char>(value & 0xff));
            i += 3;
        } else {
            out.append(c);
        }
    }
    return out;
}

// Small sysfs attribute; empty when it cannot be read. Byte paths, so that
// "<dev>/../removable" goes through the kernel's resolution of the link.
QByteArray readSmallFile(const QByteArray& path)
{
    return FileContents::read(path, 64).trimmed();
}

bool deviceIsRemovable(const QByteArray& sysRoot, const QByteArray& majorMinor)
{
    const QByteArray device = sysRoot + "/dev/block/" + majorMinor;
    QByteArray flag = readSmallFile(device + "/removable");
    if (flag.isEmpty()) {
        // A partition has no flag of its own; its disk is the folder above.
        flag = readSmallFile(device + "/../removable");
    }
    return flag == "1";
}

} // namespace

MountTable MountTable::system()
{
    return fromMountInfo(FileContents::read("/proc/self/mountinfo", FileContents::MountInfoLimit));
}

MountTable MountTable::fromMountInfo(const QByteArray& text, const QByteArray& sysRoot)
{
    QList<Mount> mounts;
    QHash<QByteArray, bool> removableOf;
    for (const QByteArray& line : text.split('\n')) {
        // id parent major:minor root mountpoint options [optional...] - fstype source superoptions
        const QByteArrayList fields = line.split(' ');
        if (fields.size() < 8) {
            continue;
        }
        const qsizetype separator = fields.indexOf("-", 6);
        if (separator < 0 || separator + 1 >= fields.size()) {
            continue;
        }
        Mount mount;
        mount.mountPoint = unescapeOctal(fields.at(4));
        mount.fsType = unescapeOctal(fields.at(separator + 1));
        if (!mount.mountPoint.startsWith('/') || mount.fsType.isEmpty()) {
            continue;
        }
        const QByteArray& majorMinor = fields.at(2);
        auto known = removableOf.constFind(majorMinor);
        if (known == removableOf.constEnd()) {
            known = removableOf.insert(majorMinor, deviceIsRemovable(sysRoot, majorMinor));
        }
        mount.removable = known.value();
        mounts.append(std::move(mount));
    }
    return MountTable(std::move(mounts));
}

MountTable::Info MountTable::infoFor(const QByteArray& path) const
{
    Info info;
    qsizetype bestLength = -1;
    for (const Mount& mount : m_mounts) {
        const QByteArray& point = mount.mountPoint;
        const bool covers = point == path || point == "/" || path.startsWith(point + '/');
        // Equal lengths: the later line is mounted over the earlier one.
        if (covers && point.size() >= bestLength) {
            bestLength = point.size();
            info.known = true;
            info.fsType = mount.fsType;
            info.removable = mount.removable;
        }
    }
    return info;
}

bool MountTable::isNetworkType(const QByteArray& fsType)
{
    static const QByteArrayList types = {"cifs", "smb3", "smbfs", "nfs", "nfs4", "fuse.sshfs", "9p", "davfs"};
    return types.contains(fsType);
}

bool MountTable::isRemovableType(const QByteArray& fsType)
{
    static const QByteArrayList types = {"vfat", "exfat", "msdos"};
    return types.contains(fsType);
}

bool MountTable::isNativeType(const QByteArray& fsType)
{
    static const QByteArrayList types = {"ext2", "ext3", "ext4", "btrfs", "xfs", "f2fs", "zfs"};
    return types.contains(fsType);
}
