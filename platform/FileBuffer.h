#pragma once

#include <QByteArray>

// The whole contents of a large file in memory of its own, outside the heap:
// one mapping, backed by huge pages where the kernel has them, so reading a
// file of many megabytes does not fault in one page at a time. bytes()
// views that memory and is valid as long as this object lives.
class FileBuffer
{
public:
    FileBuffer() = default;
    ~FileBuffer();
    FileBuffer(const FileBuffer&) = delete;
    FileBuffer& operator=(const FileBuffer&) = delete;

    // Reads `fd` from its current position to its end; `sizeHint` is the
    // size fstat gave. False on a read error or past `limit` bytes.
    bool readAll(int fd, qint64 sizeHint, qint64 limit);
    // A view of the bytes read (no copy); do not keep it past this object.
    const QByteArray& bytes() const { return m_view; }

private:
    bool grow(qint64 capacity);
    void release();

    char* m_data = nullptr;
    qint64 m_capacity = 0;
    qint64 m_size = 0;
    QByteArray m_view;
};
