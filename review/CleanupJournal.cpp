#include "review/CleanupJournal.h"

#include "platform/FdIo.h"

#include <QHash>
#include <QRandomGenerator>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

constexpr char Magic[8] = {'T', 'M', 'C', 'J', 1, 0, 0, 0};
constexpr quint32 MaxRecord = 1u << 20;

enum Kind : quint8
{
    Trashed = 1,
    Settled = 2
};

quint32 crc32(const char* data, qsizetype size)
{
    return quint32(::crc32_z(::crc32_z(0, nullptr, 0), reinterpret_cast<const Bytef*>(data), size_t(size)));
}

template <typename T> void put(QByteArray& out, T value)
{
    for (size_t i = 0; i < sizeof(T); ++i) {
        out += char((quint64(value) >> (8 * i)) & 0xFF);
    }
}

void putBytes(QByteArray& out, const QByteArray& bytes)
{
    put<quint32>(out, quint32(bytes.size()));
    out += bytes;
}

QByteArray framed(const QByteArray& payload)
{
    QByteArray out;
    put<quint32>(out, quint32(payload.size()));
    put<quint32>(out, crc32(payload.constData(), payload.size()));
    return out + payload;
}

class Reader
{
public:
    Reader(const char* data, qsizetype size) : m_data(data), m_size(size) {}
    template <typename T> bool get(T& value)
    {
        if (m_size - m_pos < qsizetype(sizeof(T))) {
            return false;
        }
        quint64 v = 0;
        for (size_t i = 0; i < sizeof(T); ++i) {
            v |= quint64(quint8(m_data[m_pos + qsizetype(i)])) << (8 * i);
        }
        m_pos += sizeof(T);
        value = T(v);
        return true;
    }
    bool getBytes(QByteArray& bytes)
    {
        quint32 n = 0;
        if (!get(n) || m_size - m_pos < qsizetype(n)) {
            return false;
        }
        bytes = QByteArray(m_data + m_pos, n);
        m_pos += n;
        return true;
    }
    qsizetype pos() const { return m_pos; }

private:
    const char* m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
};

// Calls `onRecord` with each whole record's payload; returns where the whole records end.
template <typename F> qint64 forEachRecord(const QByteArray& file, F onRecord)
{
    if (file.size() < qsizetype(sizeof Magic)) {
        // Empty, or a header cut short: nothing in it yet.
        return std::memcmp(file.constData(), Magic, size_t(file.size())) == 0 ? 0 : -1;
    }
    if (std::memcmp(file.constData(), Magic, sizeof Magic) != 0) {
        return -1;
    }
    qsizetype pos = sizeof Magic;
    while (file.size() - pos >= 8) {
        Reader header(file.constData() + pos, 8);
        quint32 length = 0;
        quint32 sum = 0;
        header.get(length);
        header.get(sum);
        if (length > MaxRecord || file.size() - pos - 8 < qsizetype(length)) {
            break;
        }
        const char* payload = file.constData() + pos + 8;
        if (crc32(payload, length) != sum) {
            break;
        }
        onRecord(payload, qsizetype(length));
        pos += 8 + length;
    }
    return pos;
}

QByteArray readAll(int fd)
{
    QByteArray data;
    ::lseek(fd, 0, SEEK_SET);
    FdIo::readAll(fd, &data, std::numeric_limits<qsizetype>::max() - 1);
    return data;
}

void makeFolders(const QByteArray& path)
{
    for (qsizetype i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path.at(i) == '/') {
            ::mkdir(path.left(i).constData(), 0700);
        }
    }
}

QString errorText(const char* what, int error)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(error)));
}

// Holds a lock taken elsewhere (or takes one) and lets it go at the end.
class FileLock
{
public:
    explicit FileLock(int fd, int how = 0) : m_fd(fd)
    {
        if (how) {
            ::flock(m_fd, how);
        }
    }
    ~FileLock()
    {
        if (m_fd >= 0) {
            ::flock(m_fd, LOCK_UN);
        }
    }
    void reset(int fd) { m_fd = fd; }

private:
    int m_fd;
};

} // namespace

qsizetype CleanupJournal::Cleanup::pendingCount() const
{
    qsizetype n = 0;
    for (const Item& item : items) {
        n += item.settled ? 0 : 1;
    }
    return n;
}

QByteArray CleanupJournal::defaultPath()
{
    QByteArray state = qgetenv("XDG_STATE_HOME");
    if (!state.startsWith('/')) {
        state = qgetenv("HOME") + "/.local/state";
    }
    return state + "/Tidemark/cleanup-journal";
}

quint64 CleanupJournal::newCleanupId()
{
    return QRandomGenerator::system()->generate64() | 1;
}

CleanupJournal::CleanupJournal(QByteArray path, qint64 compactAbove)
    : m_path(std::move(path)), m_compactAbove(compactAbove)
{
}

CleanupJournal::~CleanupJournal()
{
    if (m_fd.isValid()) {
        ::fdatasync(m_fd.get());
    }
}

bool CleanupJournal::openForAppend(QString* error)
{
    if (m_fd.isValid()) {
        return true;
    }
    makeFolders(m_path.left(m_path.lastIndexOf('/')));
    m_fd.reset(FdIo::retry([&] { return ::open(m_path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600); }));
    if (!m_fd.isValid()) {
        if (error) {
            *error = errorText("cannot open the clean-up journal", errno);
        }
        return false;
    }
    m_end = -1;
    return true;
}

bool CleanupJournal::lockCurrent(QString* error)
{
    // A compaction elsewhere may have put a new file in place of the one
    // open here: write only to the file that is at the path now.
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (!openForAppend(error)) {
            return false;
        }
        ::flock(m_fd.get(), LOCK_EX);
        struct stat open
        {
        };
        struct stat named
        {
        };
        if (::fstat(m_fd.get(), &open) == 0 && ::stat(m_path.constData(), &named) == 0 &&
            open.st_ino == named.st_ino && open.st_dev == named.st_dev) {
            return true;
        }
        ::flock(m_fd.get(), LOCK_UN);
        m_fd.close();
    }
    if (error) {
        *error = QStringLiteral("the clean-up journal keeps being replaced");
    }
    return false;
}

bool CleanupJournal::compact(const QByteArray& data, QString* error)
{
    QByteArray kept(Magic, sizeof Magic);
    for (const Cleanup& cleanup : parse(data)) {
        for (const Item& item : cleanup.items) {
            if (!item.settled) {
                kept += trashedRecord(item);
            }
        }
    }
    if (kept.size() > data.size() / 2) {
        return false; // not worth a rewrite
    }
    const QByteArray temporary = m_path + ".new";
    UniqueFd fd(FdIo::retry(
        [&] { return ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600); }));
    if (!fd.isValid()) {
        return false;
    }
    const bool written = FdIo::writeAll(fd.get(), kept) && ::fdatasync(fd.get()) == 0;
    if (!fd.close() || !written || ::rename(temporary.constData(), m_path.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    // Still holding the lock on the old file, so no one appended to it meanwhile.
    ::flock(m_fd.get(), LOCK_UN);
    m_fd.close();
    m_end = -1;
    return lockCurrent(error);
}

bool CleanupJournal::append(const QByteArray& records, QString* error)
{
    if (!lockCurrent(error)) {
        return false;
    }
    FileLock lock(m_fd.get());
    struct stat st
    {
    };
    if (::fstat(m_fd.get(), &st) != 0) {
        if (error) {
            *error = errorText("cannot read the clean-up journal", errno);
        }
        return false;
    }
    if (st.st_size > m_compactAbove && m_end < 0) {
        // Once per journal object: drop what can no longer be restored.
        const QByteArray data = readAll(m_fd.get());
        if (compact(data, error)) {
            lock.reset(m_fd.get());
            if (::fstat(m_fd.get(), &st) != 0) {
                return false;
            }
        } else if (!m_fd.isValid()) {
            lock.reset(-1);
            return false;
        }
    }
    if (st.st_size != m_end) {
        // Someone else wrote, or this is the first append: find the end of
        // the whole records and drop a torn tail, so the new records are read.
        const QByteArray data = readAll(m_fd.get());
        qint64 end = forEachRecord(data, [](const char*, qsizetype) {});
        if (end < 0) {
            if (error) {
                *error = QStringLiteral("the clean-up journal is not a journal; left as it is");
            }
            return false;
        }
        if (end == 0) {
            if (::ftruncate(m_fd.get(), 0) != 0 || ::lseek(m_fd.get(), 0, SEEK_SET) != 0 ||
                !FdIo::writeAll(m_fd.get(), QByteArray(Magic, sizeof Magic))) {
                if (error) {
                    *error = errorText("cannot write the clean-up journal", errno);
                }
                return false;
            }
            end = sizeof Magic;
        } else if (end != st.st_size && ::ftruncate(m_fd.get(), end) != 0) {
            if (error) {
                *error = errorText("cannot repair the clean-up journal", errno);
            }
            return false;
        }
        m_end = end;
    }
    if (::lseek(m_fd.get(), m_end, SEEK_SET) != m_end || !FdIo::writeAll(m_fd.get(), records)) {
        const int saved = errno;
        // Leave no half record behind for the next reader.
        if (::ftruncate(m_fd.get(), m_end) != 0) {
            m_end = -1;
        }
        if (error) {
            *error = errorText("cannot write the clean-up journal", saved);
        }
        return false;
    }
    m_end += records.size();
    return true;
}

bool CleanupJournal::prepare(QString* error)
{
    return append(QByteArray(), error);
}

bool CleanupJournal::appendTrashed(const QList<Item>& items, QString* error)
{
    if (items.isEmpty()) {
        return true;
    }
    QByteArray records;
    for (const Item& item : items) {
        records += trashedRecord(item);
    }
    return append(records, error);
}

bool CleanupJournal::appendSettled(quint64 cleanupId, const QByteArrayList& originalPaths, Settlement how,
                                   QString* error)
{
    if (originalPaths.isEmpty()) {
        return true;
    }
    QByteArray records;
    for (const QByteArray& originalPath : originalPaths) {
        QByteArray payload;
        put<quint8>(payload, Settled);
        put<quint64>(payload, cleanupId);
        put<quint8>(payload, quint8(how));
        putBytes(payload, originalPath);
        records += framed(payload);
    }
    return append(records, error);
}

bool CleanupJournal::sync()
{
    return !m_fd.isValid() || ::fdatasync(m_fd.get()) == 0;
}

QList<CleanupJournal::Cleanup> CleanupJournal::parse(const QByteArray& data)
{
    QList<Cleanup> cleanups;
    QHash<quint64, qsizetype> indexOf;
    // (clean-up, original path) -> item, for the settlements
    QHash<QPair<quint64, QByteArray>, qsizetype> itemOf;
    forEachRecord(data, [&](const char* payload, qsizetype size) {
        Reader in(payload, size);
        quint8 kind = 0;
        quint64 id = 0;
        if (!in.get(kind) || !in.get(id)) {
            return;
        }
        if (kind == Trashed) {
            Item item;
            item.cleanupId = id;
            if (!in.get(item.timeMs) || !in.get(item.size) || !in.getBytes(item.originalPath) ||
                !in.getBytes(item.filesPath) || !in.getBytes(item.infoPath)) {
                return;
            }
            auto at = indexOf.find(id);
            if (at == indexOf.end()) {
                at = indexOf.insert(id, cleanups.size());
                cleanups.append(Cleanup{id, {}});
            }
            Cleanup& cleanup = cleanups[*at];
            itemOf.insert({id, item.originalPath}, cleanup.items.size());
            cleanup.items.append(std::move(item));
        } else if (kind == Settled) {
            quint8 how = 0;
            QByteArray originalPath;
            if (!in.get(how) || !in.getBytes(originalPath)) {
                return;
            }
            const auto cleanup = indexOf.constFind(id);
            const auto item = itemOf.constFind({id, originalPath});
            if (cleanup != indexOf.constEnd() && item != itemOf.constEnd()) {
                cleanups[*cleanup].items[*item].settled = true;
            }
        }
    });
    return cleanups;
}

QByteArray CleanupJournal::trashedRecord(const Item& item)
{
    QByteArray payload;
    put<quint8>(payload, Trashed);
    put<quint64>(payload, item.cleanupId);
    put<qint64>(payload, item.timeMs);
    put<quint64>(payload, item.size);
    putBytes(payload, item.originalPath);
    putBytes(payload, item.filesPath);
    putBytes(payload, item.infoPath);
    return framed(payload);
}

QList<CleanupJournal::Cleanup> CleanupJournal::read() const
{
    const UniqueFd fd(FdIo::retry([&] { return ::open(m_path.constData(), O_RDONLY | O_CLOEXEC); }));
    if (!fd.isValid()) {
        return {};
    }
    QByteArray data;
    {
        FileLock lock(fd.get(), LOCK_SH);
        data = readAll(fd.get());
    }
    return parse(data);
}

std::optional<CleanupJournal::Cleanup> CleanupJournal::lastPending() const
{
    const QList<Cleanup> cleanups = read();
    for (auto it = cleanups.crbegin(); it != cleanups.crend(); ++it) {
        if (it->pendingCount() > 0) {
            return *it;
        }
    }
    return std::nullopt;
}
