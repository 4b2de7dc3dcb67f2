#include "platform/PseudoFileSystems.h"

#include "platform/FileContents.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

bool PseudoFileSystems::isPseudoMagic(unsigned long magic)
{
    static const unsigned long pseudo[] = {
        PROC_SUPER_MAGIC, SYSFS_MAGIC,        CGROUP_SUPER_MAGIC, CGROUP2_SUPER_MAGIC,
        DEBUGFS_MAGIC,    TRACEFS_MAGIC,      SECURITYFS_MAGIC,   PSTOREFS_MAGIC,
        BPF_FS_MAGIC,     0x62656570UL, // configfs
        0x65735543UL,                   // fusectl
        0x19800202UL,                   // mqueue
        BINFMTFS_MAGIC,   AUTOFS_SUPER_MAGIC, DEVPTS_SUPER_MAGIC, HUGETLBFS_MAGIC,
        EFIVARFS_MAGIC,   SELINUX_MAGIC,      SMACK_MAGIC,        NSFS_MAGIC,
        0x67596969UL, // rpc_pipefs
        0x6e667364UL, // nfsd
    };
    for (unsigned long m : pseudo) {
        if (m == magic) {
            return true;
        }
    }
    return false;
}

bool PseudoFileSystems::isPseudoTypeName(const QByteArray& fsType)
{
    static const char* const names[] = {
        "proc",      "sysfs",    "devtmpfs",  "cgroup",  "cgroup2", "debugfs",     "tracefs", "securityfs",
        "pstore",    "bpf",      "configfs",  "fusectl", "mqueue",  "binfmt_misc", "autofs",  "devpts",
        "hugetlbfs", "efivarfs", "selinuxfs", "smackfs", "nsfs",    "rpc_pipefs",  "nfsd"};
    for (const char* name : names) {
        if (fsType == name) {
            return true;
        }
    }
    return false;
}

QByteArray PseudoFileSystems::typeOfDevice(quint64 device)
{
    if (!m_tableRead) {
        m_tableRead = true;
        const QByteArray text = FileContents::read("/proc/self/mountinfo", FileContents::MountInfoLimit);
        if (!text.isEmpty()) {
            // id parent major:minor root mountpoint options [optional...] - fstype ...
            for (const QByteArray& line : text.split('\n')) {
                const QByteArrayList fields = line.split(' ');
                const qsizetype dash = fields.indexOf("-");
                if (fields.size() < 3 || dash < 0 || dash + 1 >= fields.size()) {
                    continue;
                }
                const QByteArrayList majorMinor = fields.at(2).split(':');
                if (majorMinor.size() != 2) {
                    continue;
                }
                const quint64 dev = ::makedev(majorMinor.at(0).toUInt(), majorMinor.at(1).toUInt());
                m_typeByDevice.insert(dev, fields.at(dash + 1));
            }
        }
    }
    return m_typeByDevice.value(device);
}

bool PseudoFileSystems::isPseudo(int fd)
{
    struct statfs sfs
    {
    };
    if (::fstatfs(fd, &sfs) != 0) {
        return false;
    }
    const auto magic = static_cast<unsigned long>(sfs.f_type);
    if (isPseudoMagic(magic)) {
        return true;
    }
    if (magic == TMPFS_MAGIC) {
        struct stat st
        {
        };
        return ::fstat(fd, &st) == 0 && typeOfDevice(st.st_dev) == "devtmpfs";
    }
    return false;
}
