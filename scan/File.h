#pragma once

#include "scan/MarkState.h"

#include <QByteArray>
#include <QDateTime>
#include <QExplicitlySharedDataPointer>
#include <QSharedData>
#include <cstdint>

class File;
// Shared by the category lists and the result trees. The count lives inside
// the record, which keeps each of hundreds of thousands of files small.
using FilePtr = QExplicitlySharedDataPointer<File>;

// One collected file. The path is kept as raw bytes, split into its folder
// (shared by every file of that folder) and its name, which keeps a scan of
// hundreds of thousands of files small.
class File : public QSharedData
{
public:
    // Marker for a date the file system did not report.
    static constexpr qint64 NoDate = INT64_MIN;

    // The folder part of paths, made once per folder and shared by the
    // records of all its files.
    struct Folder : QSharedData
    {
        explicit Folder(QByteArray bytes) : path(std::move(bytes)) {}
        const QByteArray path;
    };
    using FolderRef = QExplicitlySharedDataPointer<const Folder>;
    static FolderRef makeFolder(const QByteArray& path);

    File() = default;
    // `folder` ends with '/', or is empty when `name` is a whole path.
    File(const QByteArray& folder, QByteArray name, quint64 fileSize, qint64 modificationNs = NoDate,
         qint64 creationNs = NoDate);
    File(FolderRef folder, QByteArray name, quint64 fileSize, qint64 modificationNs = NoDate,
         qint64 creationNs = NoDate);

    static FilePtr create(const QByteArray& filePath, quint64 fileSize, qint64 modificationNs = NoDate,
                          qint64 creationNs = NoDate);

    const QByteArray& fileName() const { return m_name; }
    // The folder part of the path, with its trailing '/'.
    const QByteArray& folder() const;
    // Same for every record made with the same folder object.
    const void* folderKey() const { return m_folder.constData(); }
    QByteArray filePath() const;
    MarkState state() const { return m_state == 3 ? MarkState::Mixed : MarkState(m_state); }
    quint64 index() const { return m_index; }
    void setIndex(quint64 index) { m_index = static_cast<quint32>(index) & IndexMask; }
    quint64 fileSize() const { return m_fileSize; }
    void setFileSize(quint64 size) { m_fileSize = size; }

    // Invalid QDateTime when the file system did not report the date.
    QDateTime fileModificationDate() const;
    QDateTime fileCreationDate() const;
    qint64 modificationNs() const { return m_modificationNs; }
    qint64 creationNs() const { return m_creationNs; }

    // Which file the scan met: device and inode as the collector saw them
    // (0 and 0 when unknown). The trash path checks it, so what goes to the
    // Trash is the file that was scanned or nothing.
    quint64 device() const { return m_device; }
    quint64 inode() const { return m_inode; }
    void setIdentity(quint64 device, quint64 inode)
    {
        m_device = device;
        m_inode = inode;
    }

    // Moves the file to the Trash, reached without following a link below
    // its location and only while it is still the file that was scanned;
    // true only when it is there now.
    bool removeFile() const;

private:
    // Marks change through the set that holds the file, which keeps its
    // counters in step.
    friend class Set;
    friend class ResultTreeAccess; // tests: states no operation reaches
    void setState(MarkState state) { m_state = markValue(state) > 0 ? 1u : markValue(state) < 0 ? 3u : 0u; }

    static constexpr quint32 IndexMask = (1u << 30) - 1;

    // A million of these may be alive at once: the state and the place in
    // the set share the word after the reference count, and the folder is
    // one shared object, which keeps the record at 80 bytes with the file's
    // identity.
    quint32 m_index : 30 = 0; // place within a set; sets are far smaller than 2^30
    quint32 m_state : 2 = 0;  // 0, 1, or 3 for -1 (partly marked)
    FolderRef m_folder;
    QByteArray m_name;
    quint64 m_fileSize = 0;
    qint64 m_modificationNs = NoDate;
    qint64 m_creationNs = NoDate;
    quint64 m_device = 0;
    quint64 m_inode = 0;
};
