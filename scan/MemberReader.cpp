#include "scan/MemberReader.h"

#include "platform/FdIo.h"
#include "platform/UniqueFd.h"
#include "scan/File.h"

#include <QHashFunctions>
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr std::size_t HashSeed = 0x9e3779b97f4a7c15u;
// Files opened and announced ahead of the read, once the disk is cold.
constexpr std::size_t AheadWindow = 16;
// Smaller files are not announced: their reads are too short to queue.
constexpr std::size_t AnnounceFrom = 4096;

qint64 mtimeOf(const struct stat& st)
{
    return static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

CacheFirstRead coldFrom(bool cold)
{
    CacheFirstRead read;
    if (cold) {
        read.assumeCold();
    }
    return read;
}

} // namespace

quint32 MemberReader::hashOf(const char* bytes, std::size_t length)
{
    // A non-zero seed lets Qt use its hardware-assisted hash.
    return static_cast<quint32>(qHashBits(bytes, length, HashSeed));
}

bool MemberReader::matchesRecord(int fd, const File& file, quint64 device, quint64 inode, quint64 size,
                                 qint64& mtimeNs)
{
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<quint64>(st.st_dev) != device ||
        static_cast<quint64>(st.st_ino) != inode || static_cast<quint64>(st.st_size) != size ||
        mtimeOf(st) != file.modificationNs()) {
        return false;
    }
    mtimeNs = mtimeOf(st);
    return true;
}

MemberReader::MemberReader(std::vector<quint32> ids, JobOf jobOf, std::size_t length, std::size_t ringSlots,
                           bool cold, const Hook& hook, std::mutex& hookLock)
    : m_ids(std::move(ids)), m_jobOf(std::move(jobOf)), m_length(length),
      m_slotCount(std::max<std::size_t>(1, ringSlots)), m_hook(hook), m_hookLock(hookLock),
      m_bytes(new char[m_slotCount * std::max<std::size_t>(length, 1)]), m_slots(m_slotCount),
      m_read(coldFrom(cold)), m_thread([this] { run(); })
{
}

MemberReader::~MemberReader()
{
    m_cancelled.store(true, std::memory_order_release);
    m_consumed.fetch_add(1, std::memory_order_release);
    m_consumed.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    for (const auto& [job, fd] : m_ahead) {
        UniqueFd(fd).close();
    }
}

MemberReader::Result MemberReader::next()
{
    const std::size_t index = m_taken++;
    std::size_t produced = m_produced.load(std::memory_order_acquire);
    while (produced <= index) {
        m_produced.wait(produced, std::memory_order_acquire);
        produced = m_produced.load(std::memory_order_acquire);
    }
    const Slot& slot = m_slots[index % m_slotCount];
    return {slot.ok, slot.hash, m_bytes.get() + (index % m_slotCount) * std::max<std::size_t>(m_length, 1)};
}

void MemberReader::release()
{
    m_consumed.fetch_add(1, std::memory_order_release);
    m_consumed.notify_one();
}

void MemberReader::run()
{
    for (std::size_t i = 0; i < m_ids.size(); ++i) {
        // With the ring full, this thread waits until half of it is free,
        // so it wakes once a round of results and not for each.
        std::size_t consumed = m_consumed.load(std::memory_order_acquire);
        if (i - consumed >= m_slotCount) {
            while (i - consumed >= (m_slotCount + 1) / 2 && !m_cancelled.load(std::memory_order_acquire)) {
                m_consumed.wait(consumed, std::memory_order_acquire);
                consumed = m_consumed.load(std::memory_order_acquire);
            }
        }
        if (m_cancelled.load(std::memory_order_acquire)) {
            return;
        }
        Slot& slot = m_slots[i % m_slotCount];
        char* bytes = m_bytes.get() + (i % m_slotCount) * std::max<std::size_t>(m_length, 1);
        slot.ok = readOne(i, bytes, slot.hash);
        m_produced.store(i + 1, std::memory_order_release);
        m_produced.notify_one();
    }
}

int MemberReader::openAhead(std::size_t index, const Job& job)
{
    // Files already announced are taken from the window; once the disk has
    // been waited on, the window is kept full.
    for (; m_read.cold() && m_length >= AnnounceFrom && m_openedTo < m_ids.size() &&
           m_openedTo <= index + AheadWindow;
         ++m_openedTo) {
        if (m_openedTo <= index) {
            continue;
        }
        const int fd = m_opener.open(*m_jobOf(m_ids[m_openedTo]).file);
        if (fd >= 0) {
            ::posix_fadvise(fd, 0, static_cast<off_t>(m_length), POSIX_FADV_WILLNEED);
            m_ahead.emplace_back(m_openedTo, fd);
        }
    }
    const auto found = std::find_if(m_ahead.begin(), m_ahead.end(),
                                    [index](const auto& entry) { return entry.first == index; });
    if (found != m_ahead.end()) {
        const int fd = found->second;
        m_ahead.erase(found);
        return fd;
    }
    return m_opener.open(*job.file);
}

bool MemberReader::readOne(std::size_t index, char* bytes, quint32& hash)
{
    const Job job = m_jobOf(m_ids[index]);
    UniqueFd fd(openAhead(index, job));
    if (!fd.isValid()) {
        return false;
    }
    // A short read means the file shrank since it was collected.
    bool ok = m_read.read(fd.get(), bytes, m_length, 0) == qint64(m_length);
    if (ok && m_length == 0) {
        // An empty file is only empty if a read says so.
        char probe = 0;
        ok = FdIo::retry([&] { return ::pread(fd.get(), &probe, 1, 0); }) == 0;
    }
    if (ok && m_hook) {
        std::lock_guard lock(m_hookLock);
        m_hook(*job.file, m_length);
    }
    qint64 mtime = 0;
    if (!ok || !matchesRecord(fd.get(), *job.file, job.device, job.inode, m_length, mtime)) {
        return false;
    }
    hash = hashOf(bytes, m_length);
    return true;
}
