#pragma once

#include "scan/File.h"

#include <QList>
#include <atomic>
#include <functional>
#include <memory>
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
// reading. A file that changed while it was read is never equal.
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
        std::vector<qsizetype> members;
        std::vector<std::size_t> starts;
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
    bool partition(const QList<FilePtr>& files, const qsizetype* positions, std::size_t count,
                   Classes& classes);

    // First block of a file too large to be read whole at once.
    static constexpr std::size_t FirstBlock = 64u << 10;
    static constexpr std::size_t MaxBlock = 4u << 20;
    static constexpr std::size_t MinBlock = 64;
    // How far ahead of its reading a large file asks the kernel to fetch.
    static constexpr std::size_t ReadAhead = 16u << 20;
    // Up to this many members, blocks are compared without hashing them.
    static constexpr std::size_t LinearCompareLimit = 16;
    // Borrowed from the pool at most, on top of the search's own budget.
    static constexpr std::size_t MaxBorrow = 16u << 20;

private:
    static constexpr quint32 None = 0xffffffffu;

    // One inode among the files compared: its first path, and where the
    // rest of its paths (hard links) are kept, which is rare.
    // Kept small: a group of one size may hold most of a million files.
    struct Unit
    {
        quint32 first = 0;     // position in the list
        qint32 moreLinks = -1; // index into m_moreLinks, or none
        int fd = -1;
        quint32 next = None; // next member of the same group in a round
        quint32 device = 0;  // index into m_devices
        bool failed = false;
        quint64 size = 0; // on disk when the search began
        quint64 done = 0; // bytes counted as compared
        qint64 mtimeNs = 0;
        quint64 inode = 0;
    };
    struct Pending
    {
        std::vector<quint32> units;
        quint64 offset;
        std::size_t block; // 0: the first round, which reads small files whole
        // Each member is compared with every kept block it may equal, or
        // goes round again: used when hashes misled a round.
        bool exact;
    };
    struct Group
    {
        quint32 head = None;
        quint32 tail = None;
        quint32 count = 0;
        quint32 unverified = None; // joined by hash alone, checked after the pass
        qint32 slot = -1;          // kept block holding the group's bytes
        quint32 nextSameHash = None;
        std::size_t hash = 0;
        bool dissolved = false;
        bool reread = false; // the first member's block was read a second time
    };

    void round(Pending& current, const QList<FilePtr>& files, std::vector<Pending>& work, Classes& classes);
    void verifyLater(std::vector<Group>& groups, quint32 g, quint64 offset, std::size_t block,
                     const QList<FilePtr>& files, std::vector<Pending>& work, Classes& classes);
    bool readBlock(Unit& unit, const File& file, quint64 offset, char* buffer, std::size_t length);
    int openUnit(const Unit& unit, const File& file);
    void drop(Unit& unit, const QList<FilePtr>& files, Classes& classes);
    void settle(Unit& unit, const QList<FilePtr>& files);
    void emitClass(const std::vector<quint32>& members, const QList<FilePtr>& files, Classes& classes);
    void closeUnit(Unit& unit);
    void closeAll();
    void countBytes(Unit& unit, quint64 upTo);
    void flushBytes();
    void releaseBuffers();
    std::size_t linkCount(const Unit& unit) const;
    void appendLinks(const Unit& unit, std::vector<qsizetype>& positions) const;

    ScanControl& m_control;
    ScanProgress& m_progress;
    Budget m_budget;
    BlockHook m_hook;

    std::vector<Unit> m_units;
    std::vector<quint64> m_devices;
    std::vector<std::vector<qsizetype>> m_moreLinks;
    std::unique_ptr<char[]> m_arena;
    std::size_t m_arenaBytes = 0;
    std::size_t m_borrowed = 0;
    std::vector<char> m_scratch;
    std::vector<char> m_reference;
    std::vector<quint32> m_table;
    std::size_t m_openCount = 0;
    quint64 m_unreportedBytes = 0;
};
