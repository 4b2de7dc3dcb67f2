#include "scan/ContentPartitioner.h"

#include "platform/FdIo.h"
#include "scan/DeviceReadAhead.h"
#include "scan/FileCompare.h"
#include "scan/MemberReader.h"
#include "scan/ScanControl.h"
#include "scan/ScanProgress.h"

#include <QHash>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {

qint64 mtimeOf(const struct stat& st)
{
    return static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

// Compared bytes are reported in batches, so the shared counter is not a
// point of contention between the searches.
constexpr quint64 ReportBytesEvery = 4u << 20;

} // namespace

std::size_t BufferPool::take(std::size_t wanted)
{
    std::size_t available = m_free.load(std::memory_order_relaxed);
    for (;;) {
        const std::size_t taken = std::min(available, wanted);
        if (taken == 0) {
            return 0;
        }
        if (m_free.compare_exchange_weak(available, available - taken, std::memory_order_relaxed)) {
            return taken;
        }
    }
}

ContentPartitioner::ContentPartitioner(ScanControl& control, ScanProgress& progress, Budget budget)
    : m_control(control), m_progress(progress), m_budget(budget)
{
}

bool ContentPartitioner::inodeOrder(const Unit& x, quint32 a, const Unit& y, quint32 b)
{
    if (x.device != y.device) {
        return x.device < y.device;
    }
    return x.inode != y.inode ? x.inode < y.inode : a < b;
}

int ContentPartitioner::unitFd(const Unit& unit) const
{
    if (m_fds.empty()) {
        return -1;
    }
    const auto found = m_fds.find(unitIndex(unit));
    return found == m_fds.end() ? -1 : found->second.fd;
}

void ContentPartitioner::announceAhead(const Unit& unit, int fd, quint64 end, quint64 size)
{
    const auto kept = m_fds.find(unitIndex(unit));
    // A descriptor kept open was marked sequential, which doubles the
    // kernel's own reading ahead. Where that reaches as far, asking as well
    // only costs the calls: on a disk that reads 8 MiB ahead, it made four
    // 64 MiB files read in turn a third slower.
    quint64& kernel = m_deviceReadAhead[unit.device];
    if (kernel == NotLookedUp) {
        kernel = DeviceReadAhead::bytes(m_devices[unit.device]);
    }
    if (kernel * (kept != m_fds.end() ? 2 : 1) >= ReadAhead) {
        return;
    }
    // What was asked for counts only while reading goes on within it (the
    // tail, asked for before the middle, does not).
    const bool within =
        kept != m_fds.end() && kept->second.announcedFrom <= end && end <= kept->second.announcedTo;
    const quint64 from = within ? kept->second.announcedTo : end;
    const quint64 to = std::min<quint64>(size, end + ReadAhead);
    // Each call walks its whole range, cached or not: asking again for what
    // was asked for costs as much as the first time.
    if (to <= from || (to - from < AnnounceStep && to < size)) {
        return;
    }
    ::posix_fadvise(fd, static_cast<off_t>(from), static_cast<off_t>(to - from), POSIX_FADV_WILLNEED);
    if (kept != m_fds.end()) {
        kept->second.announcedFrom = within ? kept->second.announcedFrom : from;
        kept->second.announcedTo = to;
    }
}

bool ContentPartitioner::deviceIndex(quint64 device, quint32& index)
{
    const auto found = std::find(m_devices.begin(), m_devices.end(), device);
    if (found == m_devices.end() && m_devices.size() >= MaxDevices) {
        return false;
    }
    index = static_cast<quint32>(found - m_devices.begin());
    if (found == m_devices.end()) {
        m_devices.push_back(device);
        m_deviceReadAhead.push_back(NotLookedUp);
    }
    return true;
}

bool ContentPartitioner::checkedAfterRead(const Unit& unit) const
{
    return !unit.seen && m_files->at(unit.first)->modificationNs() != File::NoDate &&
           (m_moreLinks.empty() || m_moreLinks.count(unitIndex(unit)) == 0);
}

bool ContentPartitioner::matchesRecord(Unit& unit, int fd, quint64 size)
{
    qint64 mtime = 0;
    if (!MemberReader::matchesRecord(fd, *m_files->at(unit.first), m_devices[unit.device], unit.inode, size,
                                     mtime)) {
        return false;
    }
    unit.mtimeNs = mtime;
    unit.seen = true;
    return true;
}

void ContentPartitioner::callHook(const File& file, quint64 end)
{
    std::lock_guard lock(m_hookLock);
    m_hook(file, end);
}

int ContentPartitioner::openPath(Unit& unit, const File& file, quint64 size, nlink_t& links)
{
    // Non-blocking so a path swapped for a FIFO cannot hang the search.
    UniqueFd fd(m_opener.open(file));
    if (!fd.isValid()) {
        return -1;
    }
    struct stat st
    {
    };
    // Only the file that was looked at when the search began is read, and
    // a recorded file only as it was when it was collected (as the files
    // read at once are checked after their read).
    const qint64 expectedTime = unit.seen ? unit.mtimeNs : file.modificationNs();
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<quint64>(st.st_dev) != m_devices[unit.device] ||
        static_cast<quint64>(st.st_ino) != unit.inode || static_cast<quint64>(st.st_size) != size ||
        (expectedTime != File::NoDate && mtimeOf(st) != expectedTime)) {
        return -1;
    }
    if (!unit.seen) {
        unit.mtimeNs = mtimeOf(st);
        unit.seen = true;
    }
    links = st.st_nlink;
    return fd.release();
}

int ContentPartitioner::openUnit(Unit& unit, quint64 size)
{
    const bool first = !unit.seen;
    nlink_t links = 1;
    int fd = openPath(unit, *m_files->at(unit.first), size, links);
    const auto more = m_moreLinks.find(unitIndex(unit));
    if (more == m_moreLinks.end()) {
        return fd;
    }
    if (fd < 0 && unit.done == 0) {
        // The first path may be gone while a hard link still leads to the
        // file: that link takes its place.
        std::vector<quint32>& paths = more->second;
        for (std::size_t i = 0; fd < 0 && i < paths.size(); ++i) {
            fd = openPath(unit, *m_files->at(paths[i]), size, links);
            if (fd >= 0) {
                settleMissing(*m_files->at(unit.first));
                unit.first = paths[i];
                paths.erase(paths.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
        if (paths.empty()) {
            m_moreLinks.erase(more);
            return fd;
        }
    }
    if (fd >= 0 && first && links < 2) {
        // One file met at two paths, not two links: it never forms a set
        // with itself.
        for (quint32 pos : more->second) {
            settleMissing(*m_files->at(pos));
        }
        m_moreLinks.erase(more);
    }
    return fd;
}

bool ContentPartitioner::leadsTo(const Unit& unit, quint32 position) const
{
    struct stat st
    {
    };
    return FileCompare::statNoFollow(m_files->at(position)->filePath(), st) &&
           static_cast<quint64>(st.st_dev) == m_devices[unit.device] &&
           static_cast<quint64>(st.st_ino) == unit.inode;
}

void ContentPartitioner::settleMissing(const File& file)
{
    m_control.addProcessed();
    m_progress.addComparedFiles(1);
    m_progress.addComparedBytes(file.fileSize());
    m_progress.setCurrent(ScanProgress::Activity::Processing, file);
}

void ContentPartitioner::closeUnit(Unit& unit)
{
    if (m_fds.empty()) {
        return;
    }
    const auto found = m_fds.find(unitIndex(unit));
    if (found != m_fds.end()) {
        UniqueFd(found->second.fd).close();
        m_fds.erase(found);
        --m_openCount;
    }
}

bool ContentPartitioner::readBlock(Unit& unit, quint64 size, quint64 offset, char* buffer, std::size_t length,
                                   bool last)
{
    if (unit.failed) {
        return false;
    }
    UniqueFd opened;
    const int kept = unitFd(unit);
    int fd = kept;
    bool unchecked = kept >= 0 && unit.unchecked;
    if (fd < 0) {
        unchecked = last && offset == 0 && checkedAfterRead(unit);
        opened.reset(unchecked ? m_opener.open(*m_files->at(unit.first)) : openUnit(unit, size));
        fd = opened.get();
        if (fd < 0) {
            unit.failed = true;
            return false;
        }
        if (!last && m_openCount < m_budget.openFiles) {
            // More blocks to come: kept open while the budget allows.
            m_fds.emplace(unitIndex(unit), Open{opened.release()});
            ++m_openCount;
            if (size > FirstBlock) {
                ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
            }
        }
    }
    const quint64 end = offset + length;
    if (end < size && offset > 0 && m_read.cold()) {
        // Long files on a cold disk: the next stretch is fetched while other
        // members are read, so the disk keeps streaming. Not after the head:
        // most files that differ are told apart at the head or the tail, and
        // their middle would be read for nothing.
        announceAhead(unit, fd, end, size);
    }
    // A short read means the file shrank since it was looked at.
    bool ok = m_read.read(fd, buffer, length, offset) == qint64(length);
    unit.unchecked = false;
    if (ok && size == 0) {
        // An empty file is only empty if a read says so: some file systems
        // report 0 for files that have contents.
        char probe = 0;
        ok = FdIo::retry([&] { return ::pread(fd, &probe, 1, 0); }) == 0;
    }
    if (ok && m_hook) {
        callHook(*m_files->at(unit.first), end);
    }
    if (ok && unchecked) {
        // Opened without a look and read at once: only the recorded file,
        // unchanged since it was collected, counts as read.
        ok = matchesRecord(unit, fd, size);
    } else if (ok && last) {
        // After the last block: a file written to while it was read is
        // never equal to anything.
        struct stat st
        {
        };
        ok = ::fstat(fd, &st) == 0 && static_cast<quint64>(st.st_size) == size && mtimeOf(st) == unit.mtimeNs;
        if (ok && offset > 0) {
            // Read over several rounds: a path must still name this file,
            // or what was compared is no longer what the path holds.
            ok = leadsTo(unit, unit.first);
            const auto more = m_moreLinks.find(unitIndex(unit));
            for (std::size_t i = 0; !ok && more != m_moreLinks.end() && i < more->second.size(); ++i) {
                ok = leadsTo(unit, more->second[i]);
            }
        }
    }
    if (!opened.isValid() && (!ok || last)) {
        closeUnit(unit);
    }
    if (ok) {
        countBytes(unit, end);
    } else {
        unit.failed = true;
    }
    return ok;
}

void ContentPartitioner::countBytes(Unit& unit, quint64 upTo)
{
    upTo = std::min(upTo, MaxDone);
    if (upTo > unit.done) {
        m_unreportedBytes += upTo - unit.done;
        unit.done = upTo;
    }
    if (m_unreportedBytes >= ReportBytesEvery) {
        flushBytes();
    }
}

void ContentPartitioner::flushBytes()
{
    if (m_unreportedBytes != 0) {
        m_progress.addComparedBytes(m_unreportedBytes);
        m_unreportedBytes = 0;
    }
}

void ContentPartitioner::releaseBuffers()
{
    flushBytes();
    m_arena.reset();
    m_arenaBytes = 0;
    if (m_budget.spare && m_borrowed != 0) {
        m_budget.spare->give(m_borrowed);
    }
    m_borrowed = 0;
}

void ContentPartitioner::settle(Unit& unit, quint64 size, std::size_t paths)
{
    closeUnit(unit);
    // Whatever was not read is settled too, so the bytes reach their total.
    m_unreportedBytes += (size > unit.done ? size - unit.done : 0) + (paths - 1) * size;
    unit.done = std::min(size, MaxDone);
    m_control.addProcessed(paths);
    m_progress.addComparedFiles(paths);
    m_progress.setCurrent(ScanProgress::Activity::Processing, *m_files->at(unit.first));
}

void ContentPartitioner::drop(Unit& unit, quint64 size, Classes& classes)
{
    const quint32 u = unitIndex(unit);
    if (m_moreLinks.count(u) != 0) {
        // Its links are equal without reading, even when it cannot be read.
        emitClass({u}, size, classes);
    } else {
        settle(unit, size, 1);
    }
}

void ContentPartitioner::emitClass(const std::vector<quint32>& members, quint64 size, Classes& classes)
{
    const std::size_t start = classes.members.size();
    for (quint32 u : members) {
        Unit& unit = m_units[u];
        const auto more = m_moreLinks.find(u);
        if (more == m_moreLinks.end()) {
            classes.members.push_back(unit.first);
            settle(unit, size, 1);
            continue;
        }
        // Links are counted only while their paths still lead to this file:
        // they were not looked at one by one before the search.
        std::size_t paths = 1;
        if (leadsTo(unit, unit.first)) {
            classes.members.push_back(unit.first);
        }
        for (quint32 pos : more->second) {
            ++paths;
            if (leadsTo(unit, pos)) {
                classes.members.push_back(pos);
            }
        }
        settle(unit, size, paths);
    }
    if (classes.members.size() - start < 2) {
        classes.members.resize(start);
        return;
    }
    classes.starts.push_back(static_cast<quint32>(start));
    std::sort(classes.members.begin() + static_cast<std::ptrdiff_t>(start), classes.members.end());
}

void ContentPartitioner::closeAll()
{
    for (const auto& [u, open] : m_fds) {
        UniqueFd(open.fd).close();
    }
    m_fds.clear();
    m_openCount = 0;
    m_opener.closeAll();
    releaseBuffers();
    std::vector<Unit>().swap(m_units);
    m_moreLinks.clear();
}

bool ContentPartitioner::partition(const QList<FilePtr>& files, const quint32* positions, std::size_t count,
                                   Classes& classes)
{
    m_units.clear();
    m_devices.clear();
    m_deviceReadAhead.clear();
    m_moreLinks.clear();
    m_openCount = 0;
    m_files = &files;
    if (count == 0) {
        return true;
    }
    // Files the collector recorded are taken as it saw them and checked
    // when opened. Others are looked at now: a path that is gone or no
    // longer a regular file never compares equal, and one whose size
    // changed is compared with files of its new size.
    m_units.reserve(count);
    std::vector<std::pair<quint64, quint32>> resized; // (size, unit)
    const quint64 size = files.at(positions[0])->fileSize();
    for (std::size_t i = 0; i < count; ++i) {
        const quint32 pos = positions[i];
        const File& file = *files.at(pos);
        Unit unit;
        unit.first = pos;
        quint64 device = file.device();
        quint64 currentSize = file.fileSize();
        if (device != 0 || file.inode() != 0) {
            unit.inode = file.inode();
        } else {
            struct stat st
            {
            };
            if (!FileCompare::statNoFollow(file.filePath(), st) || !S_ISREG(st.st_mode)) {
                settleMissing(file);
                continue;
            }
            device = static_cast<quint64>(st.st_dev);
            unit.inode = static_cast<quint64>(st.st_ino);
            unit.mtimeNs = mtimeOf(st);
            unit.seen = true;
            currentSize = static_cast<quint64>(st.st_size);
            // Whether a second path to this inode is a hard link or the
            // same file seen twice (a bind mount) is told by the link count.
            unit.failed = st.st_nlink < 2;
        }
        quint32 deviceAt = 0;
        if (!deviceIndex(device, deviceAt)) {
            settleMissing(file);
            continue;
        }
        unit.device = deviceAt;
        if (currentSize != size) {
            resized.emplace_back(currentSize, static_cast<quint32>(m_units.size()));
        }
        m_units.push_back(unit);
    }

    // Members in inode order, which on most file systems is close to the
    // order of their data on disk; paths to one inode become one unit.
    std::vector<quint32> order(m_units.size());
    for (quint32 u = 0; u < order.size(); ++u) {
        order[u] = u;
    }
    std::sort(order.begin(), order.end(),
              [this](quint32 a, quint32 b) { return inodeOrder(m_units[a], a, m_units[b], b); });
    // Units were numbered in list order, so this is sorted by unit.
    std::vector<quint32> kept;
    kept.reserve(order.size() - resized.size());
    std::vector<std::pair<quint64, quint32>> keptResized;
    for (std::size_t i = 0; i < order.size();) {
        const quint32 first = order[i];
        Unit& unit = m_units[first];
        std::size_t j = i + 1;
        for (; j < order.size() && m_units[order[j]].device == unit.device &&
               m_units[order[j]].inode == unit.inode;
             ++j) {
            const Unit& other = m_units[order[j]];
            if (unit.failed) {
                // One file at two paths, not two links: it never forms a set.
                settleMissing(*files.at(other.first));
                continue;
            }
            m_moreLinks[first].push_back(other.first);
        }
        unit.failed = false;
        const auto r =
            std::lower_bound(resized.begin(), resized.end(), first,
                             [](const std::pair<quint64, quint32>& e, quint32 u) { return e.second < u; });
        if (r != resized.end() && r->second == first) {
            keptResized.push_back(*r);
        } else {
            kept.push_back(first);
        }
        i = j;
    }
    std::vector<quint32>().swap(order);
    std::vector<Pending> work;
    // Larger sizes first on the stack, so the class of the recorded size,
    // pushed last, goes first.
    std::stable_sort(keptResized.begin(), keptResized.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < keptResized.size();) {
        std::size_t j = i + 1;
        while (j < keptResized.size() && keptResized[j].first == keptResized[i].first) {
            ++j;
        }
        Pending pending{{}, keptResized[i].first, 0, 0, false};
        for (std::size_t k = i; k < j; ++k) {
            pending.units.push_back(keptResized[k].second);
        }
        work.push_back(std::move(pending));
        i = j;
    }
    if (!kept.empty()) {
        work.push_back(Pending{std::move(kept), size, 0, 0, false});
    }

    while (!work.empty()) {
        if (!m_control.waitWhilePaused()) {
            closeAll();
            return false;
        }
        Pending current = std::move(work.back());
        work.pop_back();
        round(current, work, classes);
    }
    releaseBuffers();
    m_opener.closeAll();
    std::vector<char>().swap(m_scratch);
    std::vector<char>().swap(m_reference);
    std::vector<quint32>().swap(m_table);
    std::vector<Unit>().swap(m_units);
    m_moreLinks.clear();
    return true;
}

void ContentPartitioner::round(Pending& current, std::vector<Pending>& work, Classes& classes)
{
    const std::size_t m = current.units.size();
    const quint64 size = current.size;
    if (m == 1) {
        drop(m_units[current.units.front()], size, classes);
        return;
    }
    const quint64 remaining = current.end() - current.offset;

    // Borrow what finished searches left; the loan is kept until this
    // partition ends, since the buffer it pays for is kept as well.
    if (m_budget.spare && m_borrowed < MaxBorrow) {
        m_borrowed += m_budget.spare->take(MaxBorrow - m_borrowed);
    }
    const std::size_t available = std::max<std::size_t>(m_budget.bufferBytes + m_borrowed, 4 * MinBlock);

    std::size_t block = 0;
    if (current.exact) {
        // Room for every member to differ from every other.
        block = std::max<std::size_t>(MinBlock, available / (m + 2));
        block = std::min<std::size_t>(block, current.block != 0 ? current.block : MaxBlock);
    } else if (current.block == 0) {
        // Small files are read whole: one open and one read each.
        block = remaining <= available / 8 ? static_cast<std::size_t>(remaining) : FirstBlock;
    } else {
        block = current.block;
    }
    block = std::min<std::size_t>({block, MaxBlock, std::max<std::size_t>(MinBlock, available / 8)});
    if (block >= FirstBlock) {
        block -= block % PageBytes; // later reads start on a page
    }
    block = static_cast<std::size_t>(std::min<quint64>(block, remaining));
    const bool last = !current.isTail() && current.offset + block >= current.end();

    // Kept blocks: at least one, more as the budget allows.
    const std::size_t perBlock = std::max<std::size_t>(block, 1);
    const std::size_t fit = available / perBlock;
    const std::size_t capacity = std::min<std::size_t>(m, fit > 3 ? fit - 2 : 1);
    if (m_arenaBytes < capacity * perBlock) {
        // Not zeroed: pages of a large buffer are only touched as used.
        m_arena.reset(new char[capacity * perBlock]);
        m_arenaBytes = capacity * perBlock;
    }
    if (m_budget.spare && m_borrowed != 0) {
        const std::size_t used = m_arenaBytes + 2 * perBlock;
        const std::size_t needed = used > m_budget.bufferBytes ? used - m_budget.bufferBytes : 0;
        if (m_borrowed > needed) {
            m_budget.spare->give(m_borrowed - needed);
            m_borrowed = needed;
        }
    }
    m_scratch.resize(perBlock);
    m_reference.resize(perBlock);

    // A few members are compared with every kept block directly, which is
    // cheaper than hashing their bytes. Like a round after a misleading
    // hash, such a round never drops a kept block: a member that finds no
    // room goes round again.
    const bool linear = m <= LinearCompareLimit;
    const bool strict = linear || current.exact;
    // Grown in blocks: doubling a vector of a million groups would hold
    // three times their size for a moment.
    std::deque<Group> groups;
    std::vector<quint32> slotOwner; // group holding each used slot
    std::vector<quint32> lone;      // slots of one-member groups, the first to give up
    std::vector<quint32> overflow;
    std::size_t tableSize = 16;
    while (tableSize < 2 * m) {
        tableSize *= 2;
    }
    m_table.assign(tableSize, None);
    const std::size_t mask = tableSize - 1;

    const auto slotData = [&](qint32 slot) {
        return m_arena.get() + static_cast<std::size_t>(slot) * perBlock;
    };
    const auto takeSlot = [&](quint32 owner) -> qint32 {
        if (slotOwner.size() < capacity) {
            slotOwner.push_back(owner);
            return static_cast<qint32>(slotOwner.size() - 1);
        }
        if (strict) {
            return -1;
        }
        while (!lone.empty()) {
            const quint32 slot = lone.back();
            lone.pop_back();
            Group& holder = groups[slotOwner[slot]];
            if (holder.slot == static_cast<qint32>(slot) && holder.count == 1 && holder.unverified == None) {
                holder.slot = -1; // read again if a later member agrees with it
                slotOwner[slot] = owner;
                return static_cast<qint32>(slot);
            }
        }
        return -1;
    };
    const auto append = [&](Group& g, quint32 u) {
        m_units[u].next = None;
        if (g.head == None) {
            g.head = u;
        } else {
            m_units[g.tail].next = u;
        }
        g.tail = u;
        ++g.count;
    };

    // Files of a page or more are asked for a few members ahead, so a cold
    // disk has the next reads queued while this one is compared.
    // Only once the disk has been waited on: with the bytes in memory the
    // announcements are calls for nothing.
    const bool prefetchable = block >= PrefetchFrom && m_budget.openFiles >= 2 * PrefetchWindow;
    const bool atOnce = last && current.offset == 0;

    // A class of many files read at once: a second thread reads every
    // other turn of members while this one reads its own, so both cores
    // work and hand over results a turn at a time, not file by file.
    std::vector<bool> viaReader;
    std::unique_ptr<MemberReader> reader;
    if (atOnce && !strict && m >= ReaderFrom) {
        const std::size_t turn = std::clamp<std::size_t>(available / (4 * perBlock), 1, ReaderTurn);
        std::vector<quint32> ids;
        viaReader.assign(m, false);
        for (std::size_t k = 0; k < m; ++k) {
            const Unit& member = m_units[current.units[k]];
            if ((k / turn) % 2 == 1 && !member.failed && unitFd(member) < 0 && checkedAfterRead(member)) {
                viaReader[k] = true;
                ids.push_back(current.units[k]);
            }
        }
        // The reading thread only looks at units it was given, which this
        // one leaves alone until their results are taken.
        const auto jobOf = [this](quint32 u) {
            const Unit& member = m_units[u];
            return MemberReader::Job{m_files->at(member.first).data(), m_devices[member.device],
                                     member.inode};
        };
        if (!ids.empty()) {
            reader = std::make_unique<MemberReader>(std::move(ids), jobOf, block, 2 * turn, m_read.cold(),
                                                    m_hook, m_hookLock);
        }
    }
    struct Release
    {
        MemberReader* reader = nullptr;
        ~Release()
        {
            if (reader) {
                reader->release();
            }
        }
    };

    std::size_t ahead = 0;
    for (std::size_t k = 0; k < m; ++k) {
        const quint32 u = current.units[k];
        Unit& unit = m_units[u];
        if (ahead <= k) {
            ahead = k + 1; // the member read now opens itself
        }
        for (; prefetchable && m_read.cold() && ahead < m && ahead <= k + PrefetchWindow; ++ahead) {
            Unit& later = m_units[current.units[ahead]];
            if ((!viaReader.empty() && viaReader[ahead]) || later.failed || unitFd(later) >= 0 ||
                m_openCount >= m_budget.openFiles) {
                continue;
            }
            const bool unchecked = atOnce && checkedAfterRead(later);
            const int fd = unchecked ? m_opener.open(*m_files->at(later.first)) : openUnit(later, size);
            if (fd < 0) {
                continue; // left to its own read, which fails the same way
            }
            later.unchecked = unchecked;
            ::posix_fadvise(fd, static_cast<off_t>(current.offset), static_cast<off_t>(block),
                            POSIX_FADV_WILLNEED);
            m_fds.emplace(unitIndex(later), Open{fd});
            ++m_openCount;
        }
        const char* buffer = m_scratch.data();
        quint32 h = 0;
        Release held;
        if (!viaReader.empty() && viaReader[k]) {
            const MemberReader::Result read = reader->next();
            held.reader = reader.get();
            if (!read.ok) {
                unit.failed = true;
                drop(unit, size, classes);
                continue;
            }
            // Read and checked against its record there, as readBlock would.
            unit.mtimeNs = m_files->at(unit.first)->modificationNs();
            unit.seen = true;
            countBytes(unit, current.offset + block);
            buffer = read.bytes;
            h = read.hash;
        } else {
            if (!readBlock(unit, size, current.offset, m_scratch.data(), block, last)) {
                drop(unit, size, classes);
                continue;
            }
            h = linear ? 0 : MemberReader::hashOf(buffer, block);
        }
        std::size_t at = h & mask;
        while (m_table[at] != None && groups[m_table[at]].hash != h) {
            at = (at + 1) & mask;
        }
        bool placed = false;
        quint32 slotless = None;
        for (quint32 g = m_table[at]; g != None; g = groups[g].nextSameHash) {
            Group& group = groups[g];
            if (group.slot < 0) {
                if (slotless == None) {
                    slotless = g;
                }
                continue;
            }
            if (std::memcmp(slotData(group.slot), buffer, block) == 0) {
                append(group, u);
                placed = true;
                break;
            }
        }
        if (placed) {
            continue;
        }
        if (slotless != None) {
            // The hash agrees with a group whose bytes are not kept: this
            // member's bytes are kept in their place when there is room, and
            // the group's earlier members are checked against them after the pass.
            const qint32 slot = takeSlot(slotless);
            Group& group = groups[slotless];
            if (slot >= 0) {
                std::memcpy(slotData(slot), buffer, block);
                group.slot = slot;
                for (quint32 v = group.head; v != None;) {
                    const quint32 next = m_units[v].next;
                    m_units[v].next = group.unverified;
                    group.unverified = v;
                    v = next;
                }
                group.head = group.tail = None;
                group.count = 0;
                append(group, u);
                continue;
            }
            if (group.reread) {
                unit.next = group.unverified;
                group.unverified = u;
                continue;
            }
            // No room at all: the group's first member is read again now,
            // once at this offset, so this member need not be.
            group.reread = true;
            Unit& rep = m_units[group.head];
            if (!readBlock(rep, size, current.offset, m_reference.data(), block, last)) {
                group.head = group.tail = None;
                group.count = 0;
                drop(rep, size, classes);
                append(group, u);
                continue;
            }
            if (std::memcmp(m_reference.data(), buffer, block) == 0) {
                append(group, u);
                continue;
            }
            // Same hash, other bytes: a group of its own, below.
        }
        const quint32 g = static_cast<quint32>(groups.size());
        const qint32 slot = takeSlot(g);
        if (slot < 0 && strict) {
            // Differs from every kept group, and there is no room to keep
            // it: it goes round again with the others left over.
            overflow.push_back(u);
            continue;
        }
        groups.emplace_back();
        Group& group = groups.back();
        group.hash = h;
        group.slot = slot;
        group.nextSameHash = m_table[at];
        m_table[at] = g;
        append(group, u);
        if (slot >= 0) {
            std::memcpy(slotData(slot), buffer, block);
            lone.push_back(static_cast<quint32>(slot));
        }
    }
    if (!overflow.empty()) {
        work.push_back(current.again(std::move(overflow), current.offset, block, true));
    }
    for (quint32 g = 0; g < groups.size(); ++g) {
        if (groups[g].unverified != None && !groups[g].dissolved) {
            verifyLater(groups, g, current, block, work, classes);
        }
    }

    quint64 nextOffset = current.offset + block;
    std::size_t nextBlock =
        static_cast<std::size_t>(std::min<quint64>(std::max<std::size_t>(block, MinBlock) * 8, StreamBlock));
    Pending next = current.again({}, nextOffset, nextBlock, false);
    if (current.isTail() && nextOffset >= size) {
        // Tail compared: back to the middle, which now ends where it began.
        next = Pending{{}, size, current.resume, current.resumeBlock, false, size - TailBlock, 0, 0};
    } else if (current.isTail()) {
        next.block = current.block; // rest of the tail, a block as before
    } else if (current.limit == 0 && !current.exact && nextOffset < size &&
               size - nextOffset > 2 * TailBlock) {
        next = Pending{{}, size, size - TailBlock, TailBlock, false, 0, nextOffset, nextBlock};
    }
    const bool finished = !next.isTail() && next.offset >= next.end();
    std::vector<quint32> members;
    // Pushed in reverse so the group met first goes first.
    for (auto it = groups.rbegin(); it != groups.rend(); ++it) {
        if (it->dissolved || it->count == 0) {
            continue;
        }
        members.clear();
        for (quint32 v = it->head; v != None; v = m_units[v].next) {
            members.push_back(v);
        }
        if (members.size() == 1) {
            drop(m_units[members.front()], size, classes);
        } else if (finished) {
            emitClass(members, size, classes);
        } else {
            work.push_back(next.again(members, next.offset, next.block, false));
        }
    }
}

void ContentPartitioner::verifyLater(std::deque<Group>& groups, quint32 g, const Pending& current,
                                     std::size_t block, std::vector<Pending>& work, Classes& classes)
{
    const quint64 offset = current.offset;
    const quint64 size = current.size;
    const bool last = !current.isTail() && offset + block >= current.end();
    Group& group = groups[g];
    m_reference.resize(std::max<std::size_t>(block, 1));
    const char* reference = nullptr;
    std::vector<quint32> pending;
    for (quint32 v = group.unverified; v != None; v = m_units[v].next) {
        pending.push_back(v);
    }
    group.unverified = None;
    std::reverse(pending.begin(), pending.end()); // back to inode order
    if (group.slot >= 0) {
        reference = m_arena.get() + static_cast<std::size_t>(group.slot) * std::max<std::size_t>(block, 1);
    } else {
        // Nothing kept: the group's first member is read again, once.
        Unit& rep = m_units[group.head];
        if (!readBlock(rep, size, offset, m_reference.data(), block, last)) {
            group.head = group.tail = None;
            group.count = 0;
            drop(rep, size, classes);
            // Nothing to compare with: the rest are sorted out among themselves.
            work.push_back(current.again(std::move(pending), offset, block, true));
            return;
        }
        reference = m_reference.data();
    }
    bool mismatch = false;
    std::vector<quint32> agreed;
    for (quint32 v : pending) {
        Unit& unit = m_units[v];
        if (!readBlock(unit, size, offset, m_scratch.data(), block, last)) {
            drop(unit, size, classes);
        } else if (std::memcmp(reference, m_scratch.data(), block) == 0) {
            agreed.push_back(v);
        } else {
            mismatch = true;
            agreed.push_back(v); // sorted out again below
        }
    }
    if (!mismatch) {
        for (quint32 v : agreed) {
            m_units[v].next = None;
            if (group.head == None) {
                group.head = v;
            } else {
                m_units[group.tail].next = v;
            }
            group.tail = v;
            ++group.count;
        }
        return;
    }
    // The hash misled: every group that shares it is sorted out again at
    // this offset, comparing bytes with every kept block.
    std::vector<quint32> all = agreed;
    for (quint32 other = 0; other < groups.size(); ++other) {
        Group& o = groups[other];
        if (o.hash != group.hash || o.dissolved) {
            continue;
        }
        for (quint32 v = o.head; v != None; v = m_units[v].next) {
            all.push_back(v);
        }
        for (quint32 v = o.unverified; v != None; v = m_units[v].next) {
            all.push_back(v);
        }
        o.dissolved = true;
        o.unverified = None;
    }
    std::sort(all.begin(), all.end(),
              [this](quint32 a, quint32 b) { return inodeOrder(m_units[a], a, m_units[b], b); });
    all.erase(std::unique(all.begin(), all.end()), all.end());
    work.push_back(current.again(std::move(all), offset, block, true));
}
