#pragma once

#include "platform/UniqueFd.h"
#include "scan/CacheFirstRead.h"
#include "scan/File.h"
#include "scan/FolderOpener.h"

#include <QList>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <sys/types.h>
#include <unordered_map>
#include <vector>

class ScanControl;
class ScanProgress;

// Read-buffer bytes that finished searches hand on to those still at work,
// so one search over a large group may use what the others no longer need.
class BufferPool
{
public:
    // Takes up to `wanted` bytes; returns how many were taken.
    std::size_t take(std::size_t wanted);
    void give(std::size_t bytes) { m_free.fetch_add(bytes, std::memory_order_relaxed); }

private:
    std::atomic<std::size_t> m_free{0};
};

// Splits files of one size into classes of byte-identical files.
//
// A class is read block by block, its members in inode order. A hash of
// each block only picks which earlier member (the representative of a
// group) to compare with; the bytes are compared whenever the hashes agree.
// Blocks of representatives are kept while the buffer budget allows; a
// representative whose block had to be dropped is read again at most once at
// that offset, when a later member's hash agrees with it. Small files are read
// whole, so a group of any shape costs one open and one read per file; large
// files grow their blocks and ask the kernel to read ahead, so a cold disk
// streams. Hard links (same device and inode) are one member, equal without
// reading. A file that changed while it was read is never equal, nor is one
// that the collector recorded and that has since been replaced or resized:
// recorded files are not looked up before they are read, so each costs one
// open and, in the common case, one read.
class ContentPartitioner
{
public:
    struct Budget
    {
        std::size_t openFiles = 64;
        std::size_t bufferBytes = 8u << 20;
        // Extra buffer this search may borrow while it works, or none.
        BufferPool* spare = nullptr;
    };

    // Called after each block of a file has been read, with the offset just
    // past it and before the file is checked for changes. A test seam.
    using BlockHook = std::function<void(const File& file, quint64 end)>;

    ContentPartitioner(ScanControl& control, ScanProgress& progress, Budget budget);

    void setBlockHook(BlockHook hook) { m_hook = std::move(hook); }

    // Classes of identical files, flattened so a million small ones cost
    // no more than their positions: class i is members[starts[i]] up to
    // members[starts[i + 1]] (or the end).
    struct Classes
    {
        std::vector<quint32> members;
        std::vector<quint32> starts;
        std::size_t count() const { return starts.size(); }
        std::size_t begin(std::size_t i) const { return starts[i]; }
        std::size_t end(std::size_t i) const
        {
            return i + 1 < starts.size() ? starts[i + 1] : members.size();
        }
    };

    // `positions` index into `files`; all have the same recorded fileSize. Classes of
    // two or more positions (ascending) are appended to `classes`. Every
    // position is counted in `processed` once it is settled. Returns false
    // when a stop cut the work short: only settled classes are appended.
    bool partition(const QList<FilePtr>& files, const quint32* positions, std::size_t count,
                   Classes& classes);

    // First block of a file too large to be read whole at once.
    static constexpr std::size_t FirstBlock = 64u << 10;
    static constexpr std::size_t MaxBlock = 4u << 20;
    // Blocks of a long file's middle grow to this: a block read and then
    // compared while it is still in the processor's cache costs half as
    // much as one of 1 MiB (the kernel still reads ahead in long runs).
    static constexpr std::size_t StreamBlock = 256u << 10;
    static constexpr std::size_t MinBlock = 64;
    static constexpr std::size_t PageBytes = 4096;
    // How far ahead of its reading a large file asks the kernel to fetch.
    static constexpr std::size_t ReadAhead = 16u << 20;
    // Asked for in steps of at least this much, so reading on costs few calls.
    static constexpr std::size_t AnnounceStep = 4u << 20;
    // Large files that agree at the head are compared at their tail next,
    // before the long read of the middle: files that differ only near the
    // end are told apart for the price of one block.
    static constexpr std::size_t TailBlock = 64u << 10;
    // Members opened and announced to the kernel ahead of their read.
    static constexpr std::size_t PrefetchWindow = 16;
    static constexpr std::size_t PrefetchFrom = 4096;
    // Up to this many members, blocks are compared without hashing them.
    static constexpr std::size_t LinearCompareLimit = 16;
    // Classes of at least this many members read at once are read on two
    // threads, in turns of up to ReaderTurn members each.
    static constexpr std::size_t ReaderFrom = 512;
    static constexpr std::size_t ReaderTurn = 64;
    // Borrowed from the pool at most, on top of the search's own budget.
    static constexpr std::size_t MaxBorrow = 16u << 20;

private:
    static constexpr quint32 None = 0xffffffffu;

    // One inode among the files compared: its first path; the rest of its
    // paths (hard links, which are rare) are kept in m_moreLinks.
    // Kept small: a group of one size may hold most of a million files.
    struct Unit
    {
        quint64 inode = 0;
        qint64 mtimeNs = 0;      // as first seen on disk (valid when `seen`)
        quint64 done : 48 = 0;   // bytes counted as compared
        quint64 device : 13 = 0; // index into m_devices
        quint64 failed : 1 = 0;
        quint64 seen : 1 = 0; // mtimeNs holds the time the file had when first opened
        // Its descriptor in m_fds was opened without a look at the file:
        // the read is checked against the collector's record afterwards.
        quint64 unchecked : 1 = 0;
        quint32 first = 0;   // position in the list
        quint32 next = None; // next member of the same group in a round
    };
    static constexpr std::size_t MaxDevices = 1u << 13;
    static constexpr quint64 MaxDone = (quint64(1) << 48) - 1;
    struct Pending
    {
        std::vector<quint32> units;
        quint64 size; // of every member
        quint64 offset;
        std::size_t block; // 0: the first round, which reads small files whole
        // Each member is compared with every kept block it may equal, or
        // goes round again: used when hashes misled a round.
        bool exact;
        // Where sequential reading ends: the size, or the start of a tail
        // already compared (0: the size).
        quint64 limit = 0;
        // For a round over the tail: where reading goes on after it, and
        // with which block (0: not a tail round).
        quint64 resume = 0;
        std::size_t resumeBlock = 0;

        bool isTail() const { return resume != 0; }
        quint64 end() const { return isTail() || limit == 0 ? size : limit; }
        // The same round again, or over a part of the same stretch.
        Pending again(std::vector<quint32> members, quint64 at, std::size_t length, bool exactly) const
        {
            return Pending{std::move(members), size, at, length, exactly, limit, resume, resumeBlock};
        }
    };
    struct Group
    {
        quint32 head = None;
        quint32 tail = None;
        quint32 count = 0;
        quint32 unverified = None; // joined by hash alone, checked after the pass
        qint32 slot = -1;          // kept block holding the group's bytes
        quint32 nextSameHash = None;
        quint32 hash = 0;
        bool dissolved = false;
        bool reread = false; // the first member's block was read a second time
    };

    void round(Pending& current, std::vector<Pending>& work, Classes& classes);
    void verifyLater(std::deque<Group>& groups, quint32 g, const Pending& current, std::size_t block,
                     std::vector<Pending>& work, Classes& classes);
    // `last`: the file is fully compared after this block.
    bool readBlock(Unit& unit, quint64 size, quint64 offset, char* buffer, std::size_t length, bool last);
    // Opens the unit's file, through a further link if its first path is
    // gone, and checks it is the file the search began with.
    int openUnit(Unit& unit, quint64 size);
    int openPath(Unit& unit, const File& file, quint64 size, nlink_t& links);
    // Whether the unit's one read may be checked against the collector's
    // record after it, rather than looked at before it as well.
    bool checkedAfterRead(const Unit& unit) const;
    // After a read of a file opened unchecked: it is the recorded file,
    // unchanged since it was collected.
    bool matchesRecord(Unit& unit, int fd, quint64 size);
    void callHook(const File& file, quint64 end);
    bool leadsTo(const Unit& unit, quint32 position) const;
    void drop(Unit& unit, quint64 size, Classes& classes);
    // Counts a unit's `paths` as handled.
    void settle(Unit& unit, quint64 size, std::size_t paths);
    void emitClass(const std::vector<quint32>& members, quint64 size, Classes& classes);
    void settleMissing(const File& file);
    void closeUnit(Unit& unit);
    void closeAll();
    void countBytes(Unit& unit, quint64 upTo);
    void flushBytes();
    void releaseBuffers();
    bool deviceIndex(quint64 device, quint32& index);
    // Descriptor of a unit kept open between its blocks, or -1.
    int unitFd(const Unit& unit) const;
    // Asks the kernel for the stretch after `end` that is not yet asked for.
    void announceAhead(const Unit& unit, int fd, quint64 end, quint64 size);
    static bool inodeOrder(const Unit& x, quint32 a, const Unit& y, quint32 b);
    quint32 unitIndex(const Unit& unit) const { return static_cast<quint32>(&unit - m_units.data()); }

    ScanControl& m_control;
    ScanProgress& m_progress;
    Budget m_budget;
    BlockHook m_hook;

    const QList<FilePtr>* m_files = nullptr;
    std::vector<Unit> m_units;
    std::vector<quint64> m_devices;
    // How far the kernel reads ahead by itself on each device, looked up
    // when first needed.
    static constexpr quint64 NotLookedUp = ~quint64(0);
    std::vector<quint64> m_deviceReadAhead;
    // Units kept open between blocks (a few), by unit, with how far the
    // kernel was asked to read ahead of them.
    struct Open
    {
        int fd = -1;
        quint64 announcedFrom = 0;
        quint64 announcedTo = 0;
    };
    std::unordered_map<quint32, Open> m_fds;
    // Further paths of a unit's inode, by unit.
    std::unordered_map<quint32, std::vector<quint32>> m_moreLinks;
    FolderOpener m_opener;
    CacheFirstRead m_read;
    // Held around the hook while a member reader may call it too.
    std::mutex m_hookLock;
    std::unique_ptr<char[]> m_arena;
    std::size_t m_arenaBytes = 0;
    std::size_t m_borrowed = 0;
    std::vector<char> m_scratch;
    std::vector<char> m_reference;
    std::vector<quint32> m_table;
    std::size_t m_openCount = 0;
    quint64 m_unreportedBytes = 0;
};
