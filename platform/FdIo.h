#pragma once

#include <QByteArray>
#include <cerrno>

// Whole reads and writes on a file descriptor. Every call is retried when a
// signal interrupts it (EINTR), and short transfers are continued, so the
// callers see either all the bytes or a real error.
class FdIo
{
public:
    // Runs `call` again while it fails with EINTR; returns its last result.
    // For any system call that returns -1 on failure:
    //     const int fd = FdIo::retry([&] { return ::open(path, O_RDONLY); });
    template <typename Call> static auto retry(Call call)
    {
        for (;;) {
            const auto result = call();
            if (!(result == -1 && errno == EINTR)) {
                return result;
            }
        }
    }

    // Writes all `size` bytes; false on the first error (errno is kept).
    static bool writeAll(int fd, const char* data, qint64 size);
    static bool writeAll(int fd, const QByteArray& bytes)
    {
        return writeAll(fd, bytes.constData(), bytes.size());
    }

    // Reads up to `size` bytes from the current position; fewer only at the
    // end of the file. -1 on an error.
    static qint64 readFull(int fd, char* buffer, qint64 size);
    // The same at `offset` (pread), leaving the position alone.
    static qint64 readFullAt(int fd, char* buffer, qint64 size, qint64 offset);

    // Appends what is left of `fd` to `out`, up to `limit` bytes in all.
    // False on a read error or when the file goes on past `limit` (`out`
    // then holds the first `limit` bytes).
    static bool readAll(int fd, QByteArray* out, qint64 limit);

    // Copies the rest of `in` to `out`; false on the first error.
    static bool copyAll(int in, int out);
};
