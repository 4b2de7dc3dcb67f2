#pragma once

#include <QtGlobal>
#include <cstddef>

// Reads a block from the page cache alone while it holds the bytes, which
// costs one call; notices when the disk has to be waited on, so the caller
// can start announcing reads ahead (calls for nothing while all is in
// memory). Once cold it reads plainly, and after a stretch of cold reads
// tries memory first again.
class CacheFirstRead
{
public:
    // Reads `length` bytes at `offset` or up to the end of the file; the
    // count read, or -1 with errno set.
    qint64 read(int fd, char* buffer, std::size_t length, quint64 offset);
    bool cold() const { return m_cold; }
    // Taken as cold from the start: another reader of the same files found so.
    void assumeCold() { m_cold = true; }
    // From memory first again, as at the start.
    void restart();

private:
    static constexpr quint64 ColdWithin = 64;
    static constexpr quint64 LookAgainAfter = 256;
    bool m_cold = false;
    // preadv2 with RWF_NOWAIT works on this file system.
    bool m_tryCached = true;
    // Reads tried from memory alone, and which of them last found nothing.
    quint64 m_cachedReads = 0;
    quint64 m_lastMiss = 0;
    quint64 m_coldReads = 0;
    // The first read tried from memory since the start or a restart.
    quint64 m_firstRead = 1;
};
