#include "scan/CacheFirstRead.h"

#include "platform/FdIo.h"

#include <cerrno>
#include <sys/uio.h>

qint64 CacheFirstRead::read(int fd, char* buffer, std::size_t length, quint64 offset)
{
    qint64 have = 0;
    if (m_cold && ++m_coldReads >= LookAgainAfter) {
        // The disk may have warmed, or the misses were by chance: from
        // memory first again, which a miss on the first read undoes.
        restart();
    }
    if (m_tryCached && !m_cold && length != 0) {
        ++m_cachedReads;
        iovec part{buffer, length};
        const ssize_t got =
            FdIo::retry([&] { return ::preadv2(fd, &part, 1, static_cast<off_t>(offset), RWF_NOWAIT); });
        if (got == static_cast<ssize_t>(length) || got == 0) {
            return got; // all of it, or the end of the file
        }
        if (got < 0 && (errno == EOPNOTSUPP || errno == EINVAL)) {
            m_tryCached = false; // not offered here: plain reads from now on
        } else if (got < 0 && errno == EAGAIN) {
            // Nothing of it in memory: on the first read, or twice in a short
            // while. A single miss later on, or part of a read, is no sign: a
            // page in memory may be busy for a moment, or due to start a
            // read-ahead.
            m_cold =
                m_cachedReads == m_firstRead || (m_lastMiss != 0 && m_cachedReads - m_lastMiss < ColdWithin);
            m_lastMiss = m_cachedReads;
        }
        have = got > 0 ? got : 0;
    }
    const qint64 rest = FdIo::readFullAt(fd, buffer + have, qint64(length) - have, qint64(offset) + have);
    return rest < 0 ? rest : have + rest;
}

void CacheFirstRead::restart()
{
    m_cold = false;
    m_lastMiss = 0;
    m_coldReads = 0;
    m_firstRead = m_cachedReads + 1;
}
