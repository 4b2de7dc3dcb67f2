#include "review/StatisticsStore.h"

#include "platform/FdIo.h"
#include "platform/UniqueFd.h"
#include "scan/Formatting.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* deletedCountKey = "deletedCount";
constexpr const char* deletedSizeKey = "deletedSize";

// The integer under `key`, or 0 when the key is missing or holds another type.
quint64 integerValue(plist_t dict, const char* key)
{
    if (!dict || plist_get_node_type(dict) != PLIST_DICT) {
        return 0;
    }
    plist_t item = plist_dict_get_item(dict, key);
    if (!item || plist_get_node_type(item) != PLIST_UINT) {
        return 0;
    }
    uint64_t value = 0;
    plist_get_uint_val(item, &value);
    return value;
}

// mkdir -p on the exact bytes of `path` (a name that is not UTF-8 must not
// be decoded on the way). Failures are left for the writes to run into.
// Run as root on behalf of another user, every folder made here, and the
// program's own two levels (Quillon/Tidemark, which an older run may have
// left owned by root), take the owner of the folder above them.
void makeFolders(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/')) {
        path.chop(1);
    }
    const bool root = ::geteuid() == 0;
    qsizetype levelsFromEnd = path.count('/');
    for (qsizetype i = 1; i <= path.size(); ++i) {
        if (i != path.size() && path.at(i) != '/') {
            continue;
        }
        const bool ownLevel = --levelsFromEnd < 2;
        // An error on one level (exists, no permission to look) is not
        // final: the levels below may still be creatable.
        const QByteArray level = path.left(i);
        const bool created = ::mkdir(level.constData(), 0755) == 0;
        if (!root || !(created || ownLevel)) {
            continue;
        }
        const qsizetype slash = level.lastIndexOf('/');
        const QByteArray parent = slash > 0 ? level.left(slash) : QByteArray("/");
        struct stat above;
        struct stat here;
        if (::stat(parent.constData(), &above) == 0 && above.st_uid != 0 &&
            ::lstat(level.constData(), &here) == 0 && S_ISDIR(here.st_mode) &&
            (here.st_uid != above.st_uid || here.st_gid != above.st_gid)) {
            ::lchown(level.constData(), above.st_uid, above.st_gid);
        }
    }
}

} // namespace

void StatisticsStore::loadDataFile(const QByteArray& supportFolder)
{
    makeFolders(supportFolder);
    m_dataPath = supportFolder.endsWith('/') ? supportFolder + "data.plist" : supportFolder + "/data.plist";
    m_data.reset();

    PropertyListFile::Loaded loaded = PropertyListFile::load(m_dataPath);
    if (loaded.status == PropertyListFile::Status::Missing) {
        setFirstValues();
        write();
        return;
    }
    if (loaded.status == PropertyListFile::Status::Ok &&
        plist_get_node_type(loaded.root.get()) == PLIST_DICT) {
        m_data = std::move(loaded.root);
    }
}

QByteArray StatisticsStore::dataPath() const
{
    return m_dataPath;
}

bool StatisticsStore::hasData() const
{
    return bool(m_data);
}

qint64 StatisticsStore::alreadyDeletedCount() const
{
    // The count is a signed integer in the file; the tree keeps the raw 64 bits.
    return qint64(integerValue(m_data.get(), deletedCountKey));
}

quint64 StatisticsStore::alreadyDeletedSize() const
{
    return integerValue(m_data.get(), deletedSizeKey);
}

bool StatisticsStore::recordRun(qint64 countAtStart, quint64 sizeAtStart, quint64 deletedCount,
                                quint64 deletedSize)
{
    if (!m_data) {
        return false;
    }
    const qint64 count = qint64(quint64(countAtStart) + deletedCount);
    plist_dict_set_item(m_data.get(), deletedCountKey, plist_new_uint(uint64_t(count)));
    plist_dict_set_item(m_data.get(), deletedSizeKey, plist_new_uint(sizeAtStart + deletedSize));
    return write();
}

void StatisticsStore::setFirstValues()
{
    m_data.reset(plist_new_dict());
    plist_dict_set_item(m_data.get(), deletedCountKey, plist_new_uint(0));
    plist_dict_set_item(m_data.get(), deletedSizeKey, plist_new_uint(0));
    plist_dict_set_item(m_data.get(), "matchingLevel", plist_new_uint(5));
    plist_dict_set_item(m_data.get(), "matchingSize", plist_new_uint(2));
}

bool StatisticsStore::addToTotals(qint64 countChange, qint64 sizeChange)
{
    if (m_dataPath.isEmpty()) {
        return false;
    }
    // data.plist itself is replaced by a rename on every write, so the lock
    // is taken on the folder, which stays.
    const qsizetype slash = m_dataPath.lastIndexOf('/');
    const QByteArray folder = slash <= 0 ? QByteArrayLiteral("/") : m_dataPath.left(slash);
    UniqueFd lock(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (lock.isValid()) {
        FdIo::retry([&] { return ::flock(lock.get(), LOCK_EX); });
    }
    PropertyListFile::Loaded loaded = PropertyListFile::load(m_dataPath);
    if (loaded.status == PropertyListFile::Status::Missing) {
        setFirstValues();
    } else if (loaded.status == PropertyListFile::Status::Ok &&
               plist_get_node_type(loaded.root.get()) == PLIST_DICT) {
        m_data = std::move(loaded.root);
    } else {
        m_data.reset();
        return false;
    }
    const auto changed = [](quint64 value, qint64 change) {
        if (change >= 0) {
            const quint64 up = value + quint64(change);
            return up < value ? ~quint64(0) : up;
        }
        const quint64 down = quint64(-(change + 1)) + 1;
        return value > down ? value - down : quint64(0);
    };
    const quint64 count = changed(quint64(qMax<qint64>(alreadyDeletedCount(), 0)), countChange);
    const quint64 size = changed(alreadyDeletedSize(), sizeChange);
    plist_dict_set_item(m_data.get(), deletedCountKey,
                        plist_new_uint(qMin<quint64>(count, quint64(INT64_MAX))));
    plist_dict_set_item(m_data.get(), deletedSizeKey, plist_new_uint(size));
    return write();
}

QString StatisticsStore::cleanedSoFarText() const
{
    return QStringLiteral("Files cleaned so far: %1 (%2)")
        .arg(alreadyDeletedCount())
        .arg(Formatting::getFormattedStringForSize(alreadyDeletedSize()));
}

bool StatisticsStore::write() const
{
    return PropertyListFile::saveXml(m_dataPath, m_data.get());
}
