#include "scan/ContentPartitioner.h"

#include "scan/ScanControl.h"
#include "scan/ScanProgress.h"

#include <QHash>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

ContentPartitioner::ContentPartitioner(ScanControl& control, ScanProgress& progress, Budget budget)
    : m_control(control), m_progress(progress), m_budget(budget)
{
}

int ContentPartitioner::openChecked(const Unit& unit, const QByteArray& path)
{
    // Non-blocking so a path swapped for a FIFO cannot hang the search.
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        return -1;
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<quint64>(st.st_size) != unit.size) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool ContentPartitioner::readBlock(Unit& unit, const File& file, quint64 offset, char* buffer,
                                   std::size_t length)
{
    int fd = unit.fd;
    bool transient = false;
    if (fd < 0) {
        fd = openChecked(unit, file.filePath());
        if (fd < 0) {
            return false;
        }
        if (m_openCount < m_budget.openFiles) {
            unit.fd = fd;
            ++m_openCount;
            if (unit.size > MaxBlock) {
                ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL); // worth a call only for long reads
            }
        } else {
            transient = true; // over the descriptor budget: reopen per block
        }
    }
    std::size_t done = 0;
    bool ok = true;
    while (done < length) {
        const ssize_t r = ::pread(fd, buffer + done, length - done, static_cast<off_t>(offset + done));
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r <= 0) {
            ok = false; // read error, or the file shrank since it was collected
            break;
        }
        done += static_cast<std::size_t>(r);
    }
    if (transient) {
        ::close(fd);
    }
    return ok;
}

void ContentPartitioner::settle(Unit& unit, const QList<FilePtr>& files)
{
    if (unit.fd >= 0) {
        ::close(unit.fd);
        unit.fd = -1;
        --m_openCount;
    }
    m_control.addProcessed(linkCount(unit));
    m_progress.setCurrent(ScanProgress::Activity::Processing, *files.at(unit.first));
}

void ContentPartitioner::emitClass(const std::vector<std::size_t>& members, const QList<FilePtr>& files,
                                   std::vector<std::vector<qsizetype>>& classes)
{
    std::vector<qsizetype> positions;
    for (std::size_t u : members) {
        settle(m_units[u], files);
        appendLinks(m_units[u], positions);
    }
    std::sort(positions.begin(), positions.end());
    classes.push_back(std::move(positions));
}

std::size_t ContentPartitioner::linkCount(const Unit& unit) const
{
    return 1 + (unit.moreLinks < 0 ? 0 : m_moreLinks[static_cast<std::size_t>(unit.moreLinks)].size());
}

void ContentPartitioner::appendLinks(const Unit& unit, std::vector<qsizetype>& positions) const
{
    positions.push_back(unit.first);
    if (unit.moreLinks >= 0) {
        const std::vector<qsizetype>& more = m_moreLinks[static_cast<std::size_t>(unit.moreLinks)];
        positions.insert(positions.end(), more.begin(), more.end());
    }
}

void ContentPartitioner::closeAll()
{
    for (Unit& unit : m_units) {
        if (unit.fd >= 0) {
            ::close(unit.fd);
            unit.fd = -1;
        }
    }
    m_openCount = 0;
    m_units.clear();
    m_moreLinks.clear();
}

bool ContentPartitioner::partition(const QList<FilePtr>& files, const std::vector<qsizetype>& positions,
                                   std::vector<std::vector<qsizetype>>& classes)
{
    m_units.clear();
    m_moreLinks.clear();
    m_openCount = 0;
    if (positions.empty()) {
        return true;
    }
    // What is on disk now decides: a path that is gone or no longer a regular
    // file never compares equal, paths to one inode are one unit (equal
    // without reading), and files whose size changed since collection are
    // only compared with files of their new size.
    {
        QHash<QPair<quint64, quint64>, std::size_t> byInode;
        for (qsizetype pos : positions) {
            // Opened here rather than looked up, so one call answers what the
            // path is now and the descriptor serves the first read as well.
            const QByteArray path = files.at(pos)->filePath();
            struct stat st
            {
            };
            int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
            const bool known = fd >= 0 ? ::fstat(fd, &st) == 0 : ::lstat(path.constData(), &st) == 0;
            if (!known || !S_ISREG(st.st_mode)) {
                if (fd >= 0) {
                    ::close(fd);
                }
                m_control.addProcessed();
                m_progress.setCurrent(ScanProgress::Activity::Processing, *files.at(pos));
                continue;
            }
            const auto key = qMakePair(static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino));
            const auto it = byInode.constFind(key);
            if (it != byInode.cend()) {
                Unit& unit = m_units[it.value()];
                if (unit.moreLinks < 0) {
                    unit.moreLinks = static_cast<qint32>(m_moreLinks.size());
                    m_moreLinks.emplace_back();
                }
                m_moreLinks[static_cast<std::size_t>(unit.moreLinks)].push_back(pos);
                if (fd >= 0) {
                    ::close(fd);
                }
                continue;
            }
            byInode.insert(key, m_units.size());
            if (fd >= 0 && m_openCount >= m_budget.openFiles) {
                ::close(fd); // reopened per block
                fd = -1;
            } else if (fd >= 0) {
                ++m_openCount;
            }
            // A file that could not be opened stays a unit: its hard links
            // are still equal to each other without reading.
            Unit unit;
            unit.first = pos;
            unit.fd = fd;
            unit.size = static_cast<quint64>(st.st_size);
            m_units.push_back(unit);
        }
    }

    std::vector<Pending> work;
    {
        std::vector<quint64> sizes;
        std::vector<Pending> bySize;
        for (std::size_t u = 0; u < m_units.size(); ++u) {
            const auto found = std::find(sizes.begin(), sizes.end(), m_units[u].size);
            if (found == sizes.end()) {
                sizes.push_back(m_units[u].size);
                bySize.push_back(Pending{{u}, 0, FirstBlock, m_units[u].size, true});
            } else {
                bySize[static_cast<std::size_t>(found - sizes.begin())].units.push_back(u);
            }
        }
        work.assign(std::make_move_iterator(bySize.rbegin()), std::make_move_iterator(bySize.rend()));
    }

    while (!work.empty()) {
        if (!m_control.waitWhilePaused()) {
            closeAll();
            return false;
        }
        Pending current = std::move(work.back());
        work.pop_back();
        const std::size_t m = current.units.size();
        if (m == 1) {
            Unit& only = m_units[current.units.front()];
            if (linkCount(only) >= 2) {
                emitClass(current.units, files, classes);
            } else {
                settle(only, files);
            }
            continue;
        }

        const quint64 size = current.size;
        const quint64 remaining = size - current.offset;
        std::size_t block = std::min<std::size_t>(current.block, MaxBlock);
        if (current.mayAllDiffer) {
            // Room for every member to differ from every other.
            block = std::min<std::size_t>(block, std::max<std::size_t>(MinBlock, m_budget.bufferBytes / m));
        } else {
            // The class was one group a block ago: room for a few hundred
            // distinct contents keeps the rounds few however large it is.
            const std::size_t room = std::min<std::size_t>(m, ExpectedSplit);
            block =
                std::min<std::size_t>(block, std::max<std::size_t>(MinBlock, m_budget.bufferBytes / room));
        }
        block = static_cast<std::size_t>(std::min<quint64>(block, remaining));

        if (block == 0) {
            // Empty files (or nothing left to read): every member that can be
            // opened is equal; one that cannot be read never is.
            std::vector<std::size_t> readable;
            for (std::size_t u : current.units) {
                Unit& unit = m_units[u];
                const int fd = unit.fd >= 0 ? unit.fd : openChecked(unit, files.at(unit.first)->filePath());
                if (fd < 0) {
                    unit.failed = true;
                } else if (unit.fd < 0) {
                    ::close(fd);
                }
                if (unit.failed) {
                    if (linkCount(unit) >= 2) {
                        emitClass({u}, files, classes);
                    } else {
                        settle(unit, files);
                    }
                } else {
                    readable.push_back(u);
                }
            }
            if (readable.size() >= 2 || (readable.size() == 1 && linkCount(m_units[readable.front()]) >= 2)) {
                emitClass(readable, files, classes);
            } else {
                for (std::size_t u : readable) {
                    settle(m_units[u], files);
                }
            }
            continue;
        }

        // Members are read one at a time; only one block per distinct content
        // is kept, so memory follows the number of groups, not of members.
        const std::size_t repCapacity = std::max<std::size_t>(1, m_budget.bufferBytes / block);
        m_arena.resize(std::min(m, repCapacity) * block);
        m_scratch.resize(block);
        std::vector<std::vector<std::size_t>> groups;
        std::vector<char*> groupBlock;
        std::vector<std::size_t> overflow;
        std::unordered_map<std::size_t, std::vector<std::size_t>> byHash;
        for (std::size_t u : current.units) {
            Unit& unit = m_units[u];
            char* buffer = m_scratch.data();
            if (!readBlock(unit, *files.at(unit.first), current.offset, buffer, block)) {
                if (linkCount(unit) >= 2) {
                    emitClass({u}, files, classes);
                } else {
                    settle(unit, files);
                }
                continue;
            }
            // Small classes compare with every kept block directly; large ones
            // let a hash of the block pick the one to compare with.
            const bool hashed = m > LinearCompareLimit;
            const std::size_t h = hashed ? qHashBits(buffer, block, 0) : 0;
            std::vector<std::size_t>& candidates = byHash[h];
            bool placed = false;
            for (std::size_t g : candidates) {
                if (std::memcmp(groupBlock[g], buffer, block) == 0) {
                    groups[g].push_back(u);
                    placed = true;
                    break;
                }
            }
            if (placed) {
                continue;
            }
            if (groups.size() < repCapacity) {
                char* kept = m_arena.data() + groups.size() * block;
                std::memcpy(kept, buffer, block);
                candidates.push_back(groups.size());
                groups.push_back({u});
                groupBlock.push_back(kept);
            } else {
                // Differs from every kept group, and there is no room to keep
                // it: it goes round again with blocks small enough for all.
                overflow.push_back(u);
            }
        }
        if (!overflow.empty()) {
            work.push_back(Pending{std::move(overflow), current.offset, block, size, true});
        }

        const quint64 nextOffset = current.offset + block;
        const std::size_t nextBlock = std::min<std::size_t>(block * 4, MaxBlock);
        const bool finished = nextOffset >= size;
        // Pushed in reverse so the group holding the earliest file goes first.
        for (auto it = groups.rbegin(); it != groups.rend(); ++it) {
            if (it->size() == 1) {
                Unit& alone = m_units[it->front()];
                if (linkCount(alone) >= 2) {
                    emitClass(*it, files, classes);
                } else {
                    settle(alone, files);
                }
            } else if (finished) {
                emitClass(*it, files, classes);
            } else {
                work.push_back(Pending{std::move(*it), nextOffset, nextBlock, size, false});
            }
        }
    }
    m_arena.clear();
    m_arena.shrink_to_fit();
    m_scratch.clear();
    m_scratch.shrink_to_fit();
    std::vector<Unit>().swap(m_units);
    m_moreLinks.clear();
    return true;
}
