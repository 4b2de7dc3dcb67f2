#pragma once

#include "scan/CacheFirstRead.h"
#include "scan/FolderOpener.h"

#include <QtGlobal>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class File;

// Reads members of a large class whole on a thread of its own, a few files
// ahead of the search that compares them, so both cores work on a class of
// many small files. Each file is checked after its read against what the
// collector recorded: the same file, of the same size and modification
// time. Results come back in the order of the jobs.
class MemberReader
{
public:
    struct Job
    {
        const File* file;
        quint64 device;
        quint64 inode;
    };
    struct Result
    {
        bool ok;
        quint32 hash;
        const char* bytes; // valid until release()
    };
    using Hook = std::function<void(const File& file, quint64 end)>;
    // What a job is, asked on the reading thread: a class may hold most of
    // a million files, so jobs are kept as numbers until they are read.
    using JobOf = std::function<Job(quint32 id)>;

    // Every job's file is `length` bytes long and read at once; `cold`: the
    // search has found the disk cold. `hook`, when set, is called after
    // each read and before the check, under `hookLock`.
    MemberReader(std::vector<quint32> ids, JobOf jobOf, std::size_t length, std::size_t ringSlots, bool cold,
                 const Hook& hook, std::mutex& hookLock);
    ~MemberReader();
    MemberReader(const MemberReader&) = delete;
    MemberReader& operator=(const MemberReader&) = delete;

    // The next job's result; waits for it.
    Result next();
    // The bytes of the result taken last are no longer needed.
    void release();

    // The hash the search uses for a block, here and on its own reads.
    static quint32 hashOf(const char* bytes, std::size_t length);
    // Whether the open file is the recorded one, unchanged since it was
    // collected; `mtimeNs` gets its modification time.
    static bool matchesRecord(int fd, const File& file, quint64 device, quint64 inode, quint64 size,
                              qint64& mtimeNs);

private:
    struct Slot
    {
        bool ok = false;
        quint32 hash = 0;
    };
    void run();
    bool readOne(std::size_t index, char* bytes, quint32& hash);
    int openAhead(std::size_t index, const Job& job);

    const std::vector<quint32> m_ids;
    const JobOf m_jobOf;
    const std::size_t m_length;
    const std::size_t m_slotCount;
    const Hook& m_hook;
    std::mutex& m_hookLock;
    std::unique_ptr<char[]> m_bytes;
    std::vector<Slot> m_slots;
    FolderOpener m_opener;
    CacheFirstRead m_read;
    // Files opened and announced to the kernel ahead of their reads, once
    // the disk has been waited on: (job, descriptor).
    std::vector<std::pair<std::size_t, int>> m_ahead;
    std::size_t m_openedTo = 0;
    std::size_t m_taken = 0;
    std::atomic<std::size_t> m_produced{0};
    std::atomic<std::size_t> m_consumed{0};
    std::atomic<bool> m_cancelled{false};
    std::jthread m_thread; // last: started once the rest is in place
};
