#include "platform/FdIo.h"

#include <unistd.h>

bool FdIo::writeAll(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = retry([&] { return ::write(fd, data, size_t(size)); });
        if (n < 0) {
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

namespace {

// Reads until `size` bytes or the end of the file; `offset` < 0 reads at the
// current position.
qint64 readUpTo(int fd, char* buffer, qint64 size, qint64 offset)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = FdIo::retry([&] {
            return offset < 0 ? ::read(fd, buffer + done, size_t(size - done))
                              : ::pread(fd, buffer + done, size_t(size - done), off_t(offset + done));
        });
        if (n < 0) {
            return -1;
        }
        if (n == 0) {
            break;
        }
        done += n;
    }
    return done;
}

} // namespace

qint64 FdIo::readFull(int fd, char* buffer, qint64 size)
{
    return readUpTo(fd, buffer, size, -1);
}

qint64 FdIo::readFullAt(int fd, char* buffer, qint64 size, qint64 offset)
{
    return readUpTo(fd, buffer, size, qMax<qint64>(offset, 0));
}

bool FdIo::readAll(int fd, QByteArray* out, qint64 limit)
{
    constexpr qint64 chunk = 64 * 1024;
    for (;;) {
        const qint64 used = out->size();
        // One byte past the limit tells a file of exactly `limit` bytes from a longer one.
        const qint64 room = qMin(chunk, limit + 1 - used);
        if (room <= 0) {
            out->truncate(qsizetype(limit));
            return false;
        }
        out->resize(qsizetype(used + room));
        const ssize_t n = retry([&] { return ::read(fd, out->data() + used, size_t(room)); });
        if (n < 0) {
            out->truncate(qsizetype(used));
            return false;
        }
        out->truncate(qsizetype(used + n));
        if (n == 0) {
            return true;
        }
        if (out->size() > limit) {
            out->truncate(qsizetype(limit));
            return false;
        }
    }
}

bool FdIo::copyAll(int in, int out)
{
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = retry([&] { return ::read(in, buffer, sizeof buffer); });
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            return true;
        }
        if (!writeAll(out, buffer, n)) {
            return false;
        }
    }
}
