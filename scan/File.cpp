#include "scan/File.h"

#include "platform/Trash.h"
#include "scan/ScannedFile.h"

static_assert(sizeof(File) <= 96, "File records are kept small: a scan may hold a million");

File::File(QByteArray folder, QByteArray name, quint64 fileSize, qint64 modificationNs, qint64 creationNs)
    : m_folder(std::move(folder)), m_name(std::move(name)), m_fileSize(fileSize),
      m_modificationNs(modificationNs), m_creationNs(creationNs)
{
}

FilePtr File::create(const QByteArray& filePath, quint64 fileSize, qint64 modificationNs, qint64 creationNs)
{
    const qsizetype slash = filePath.lastIndexOf('/');
    return FilePtr(
        new File(filePath.left(slash + 1), filePath.mid(slash + 1), fileSize, modificationNs, creationNs));
}

QByteArray File::filePath() const
{
    if (m_folder.isEmpty()) {
        return m_name;
    }
    QByteArray path;
    path.reserve(m_folder.size() + m_name.size());
    path.append(m_folder);
    path.append(m_name);
    return path;
}

static QDateTime fromNs(qint64 ns)
{
    if (ns == File::NoDate) {
        return {};
    }
    // Floor division so dates before 1970 round towards the past.
    qint64 ms = ns / 1000000;
    if (ns % 1000000 < 0) {
        --ms;
    }
    return QDateTime::fromMSecsSinceEpoch(ms);
}

QDateTime File::fileModificationDate() const
{
    return fromNs(m_modificationNs);
}

QDateTime File::fileCreationDate() const
{
    return fromNs(m_creationNs);
}

bool File::removeFile() const
{
    // Only the file that was scanned, reached without following a link, and
    // moved from the folder it was found in.
    const ScannedFile onDisk(*this);
    if (!onDisk.isValid()) {
        return false;
    }
    return Trash::moveToTrash(onDisk.folderFd(), onDisk.name(), filePath(), onDisk.status().st_dev,
                              onDisk.status().st_ino);
}
