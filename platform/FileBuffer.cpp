#include "platform/FileBuffer.h"

#include "platform/FdIo.h"

#include <cstring>
#include <sys/mman.h>

namespace {

constexpr qint64 HugePage = qint64(2) << 20;

qint64 roundUp(qint64 n)
{
    return (n + HugePage - 1) / HugePage * HugePage;
}

} // namespace

FileBuffer::~FileBuffer()
{
    release();
}

void FileBuffer::release()
{
    m_view.clear();
    if (m_data) {
        ::munmap(m_data, size_t(m_capacity));
    }
    m_data = nullptr;
    m_capacity = 0;
    m_size = 0;
}

bool FileBuffer::grow(qint64 capacity)
{
    capacity = roundUp(qMax<qint64>(capacity, HugePage));
    void* data =
        ::mmap(nullptr, size_t(capacity), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED) {
        return false;
    }
    // A hint only: without huge pages the mapping works the same, page by page.
    ::madvise(data, size_t(capacity), MADV_HUGEPAGE);
    if (m_data) {
        std::memcpy(data, m_data, size_t(m_size));
        ::munmap(m_data, size_t(m_capacity));
    }
    m_data = static_cast<char*>(data);
    m_capacity = capacity;
    return true;
}

bool FileBuffer::readAll(int fd, qint64 sizeHint, qint64 limit)
{
    release();
    // One byte past the hint tells a file that grew meanwhile.
    if (!grow(qMin(sizeHint, limit) + 1)) {
        return false;
    }
    for (;;) {
        if (m_size == m_capacity) {
            if (m_capacity > limit || !grow(m_capacity * 2)) {
                release();
                return false;
            }
        }
        const qint64 n = FdIo::readFull(fd, m_data + m_size, qMin(m_capacity - m_size, limit + 1 - m_size));
        if (n < 0) {
            release();
            return false;
        }
        m_size += n;
        if (m_size > limit) {
            release();
            return false;
        }
        if (n == 0 || m_size < m_capacity) {
            break;
        }
    }
    m_view = QByteArray::fromRawData(m_data, qsizetype(m_size));
    return true;
}
