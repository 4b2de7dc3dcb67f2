#include "scan/File.h"

#include "platform/Trash.h"

#include <sys/stat.h>

File::File(QByteArray filePath, qsizetype nameOffset, quint64 fileSize, qint64 modificationNs,
           qint64 creationNs, quint64 device, quint64 inode)
    : m_filePath(std::move(filePath)), m_fileSize(fileSize), m_modificationNs(modificationNs),
      m_creationNs(creationNs), m_device(device), m_inode(inode),
      m_nameOffset(static_cast<quint32>(qBound<qsizetype>(0, nameOffset, m_filePath.size())))
{
}

FilePtr File::create(const QByteArray& filePath, quint64 fileSize, qint64 modificationNs, qint64 creationNs,
                     quint64 device, quint64 inode)
{
    qsizetype slash = filePath.lastIndexOf('/');
    return std::make_shared<File>(filePath, slash + 1, fileSize, modificationNs, creationNs, device, inode);
}

QByteArray File::fileName() const
{
    return m_filePath.mid(m_nameOffset);
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
    struct stat st{};
    if (::lstat(m_filePath.constData(), &st) != 0) {
        return false;
    }
    return Trash::moveToTrash(m_filePath);
}
