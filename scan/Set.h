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
    // A set as detection leaves it: the files in this order, none marked,
    // each numbered by its place, the totals counting every file but the first.
    static SetPtr fromFiles(const QList<FilePtr>& files);

    QList<FilePtr>& files() { return m_files; }
    const QList<FilePtr>& files() const { return m_files; }
    MarkState setsState() const { return m_setsState; }

    // The counters follow the set's own operations only.
    quint64 totalFilesInSet() const { return m_totalFilesInSet; }
    quint64 totalFilesInSetSize() const { return m_totalFilesInSetSize; }
    quint64 totalFilesSelectedInSet() const { return m_totalFilesSelectedInSet; }
    quint64 totalFilesSelectedInSetSize() const { return m_totalFilesSelectedInSetSize; }

    // Appends one file; counters are not touched.
    void addFiles(const FilePtr& file);
    QString nameOfSet() const;

    void markAllFiles();
    void unmarkAllFiles();
    void changeStateOfFile(const FilePtr& file);
    // Gives every file the mark of its flag (`marks` runs in file order) and
    // counts the selection afresh; a file without a flag is unmarked.
    void setMarks(const QList<bool>& marks);
    MarkState determineSelfState() const;

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
    friend class ResultTreeAccess; // tests: counters no operation reaches

    bool hasIntactKeeperFor(const File& marked) const;

    QList<FilePtr> m_files;
    MarkState m_setsState = MarkState::Unmarked;
    quint64 m_totalFilesInSet = 0;
    quint64 m_totalFilesInSetSize = 0;
    quint64 m_totalFilesSelectedInSet = 0;
    quint64 m_totalFilesSelectedInSetSize = 0;
};
