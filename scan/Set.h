#pragma once

#include "scan/File.h"

#include <QByteArrayList>
#include <QList>
#include <QString>

class Set;
using SetPtr = std::shared_ptr<Set>;

// Result of moving the marked files of one set to the Trash.
struct RemovalResult
{
    quint64 deletedFilesCount = 0;
    quint64 deletedFilesSize = 0;
};

// One group of files with identical contents. The first file is the one the
// scan met first; the list is never reordered after it is built.
class Set
{
public:
    static SetPtr create() { return std::make_shared<Set>(); }

    QList<FilePtr>& files() { return m_files; }
    const QList<FilePtr>& files() const { return m_files; }
    qint64 setsState() const { return m_setsState; }
    void setSetsState(qint64 state) { m_setsState = state; }

    quint64 totalFilesInSet() const { return m_totalFilesInSet; }
    void setTotalFilesInSet(quint64 v) { m_totalFilesInSet = v; }
    quint64 totalFilesInSetSize() const { return m_totalFilesInSetSize; }
    void setTotalFilesInSetSize(quint64 v) { m_totalFilesInSetSize = v; }
    quint64 totalFilesSelectedInSet() const { return m_totalFilesSelectedInSet; }
    void setTotalFilesSelectedInSet(quint64 v) { m_totalFilesSelectedInSet = v; }
    quint64 totalFilesSelectedInSetSize() const { return m_totalFilesSelectedInSetSize; }
    void setTotalFilesSelectedInSetSize(quint64 v) { m_totalFilesSelectedInSetSize = v; }

    // Appends one file; counters are not touched.
    void addFiles(const FilePtr& file);
    QString nameOfSet() const;

    void markAllFiles();
    void unmarkAllFiles();
    void changeStateOfFile(const FilePtr& file);
    qint64 determineSelfState() const;

    // Trashes the marked files. A marked file goes only while an unmarked file
    // of this set still holds the same bytes on disk, so a set never loses its
    // last copy even if the disk changed since the scan.
    RemovalResult removeSelectedFilesInSet();
    // The two halves of the removal, for a run that trashes off the UI thread
    // while the window goes on reading the tree: the first only reads the
    // set and returns the files now in the Trash, the second takes those
    // files out of the set and its counters.
    QList<FilePtr> trashSelectedFiles() const;
    RemovalResult forgetRemovedFiles(const QList<FilePtr>& removed);
    // Takes the marked files out of the set and returns their paths.
    QByteArrayList addSelectedFilesInSetToException();

private:
    bool hasIntactKeeperFor(const File& marked) const;

    QList<FilePtr> m_files;
    qint64 m_setsState = 0;
    quint64 m_totalFilesInSet = 0;
    quint64 m_totalFilesInSetSize = 0;
    quint64 m_totalFilesSelectedInSet = 0;
    quint64 m_totalFilesSelectedInSetSize = 0;
};
