#pragma once

#include <QByteArray>
#include <QDateTime>

#include <cstdint>
#include <memory>

class File;
using FilePtr = std::shared_ptr<File>;

// One collected file. The path is kept as raw bytes; the name is the last
// component of it, so it is stored as an offset rather than a second copy.
class File
{
public:
    // Marker for a date the file system did not report.
    static constexpr qint64 NoDate = INT64_MIN;

    File() = default;
    File(QByteArray filePath, qsizetype nameOffset, quint64 fileSize, qint64 modificationNs = NoDate,
         qint64 creationNs = NoDate, quint64 device = 0, quint64 inode = 0);

    static FilePtr create(const QByteArray& filePath, quint64 fileSize, qint64 modificationNs = NoDate,
                          qint64 creationNs = NoDate, quint64 device = 0, quint64 inode = 0);

    QByteArray fileName() const;
    const QByteArray& filePath() const { return m_filePath; }
    qint64 state() const { return m_state; }
    void setState(qint64 state) { m_state = state; }
    quint64 index() const { return m_index; }
    void setIndex(quint64 index) { m_index = index; }
    quint64 fileSize() const { return m_fileSize; }
    void setFileSize(quint64 size) { m_fileSize = size; }

    // Invalid QDateTime when the file system did not report the date.
    QDateTime fileModificationDate() const;
    QDateTime fileCreationDate() const;
    qint64 modificationNs() const { return m_modificationNs; }
    qint64 creationNs() const { return m_creationNs; }

    // Identity on disk, used to tell hard links and repeated entries apart.
    quint64 device() const { return m_device; }
    quint64 inode() const { return m_inode; }

    // Moves the file to the Trash; true only when it is there now.
    bool removeFile() const;

private:
    QByteArray m_filePath;
    qint64 m_state = 0;
    quint64 m_index = 0;
    quint64 m_fileSize = 0;
    qint64 m_modificationNs = NoDate;
    qint64 m_creationNs = NoDate;
    quint64 m_device = 0;
    quint64 m_inode = 0;
    quint32 m_nameOffset = 0;
};
