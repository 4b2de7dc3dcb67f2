#include "scan/Set.h"

#include "platform/TrashFolders.h"
#include "scan/ScannedFile.h"

SetPtr Set::fromFiles(const QList<FilePtr>& files)
{
    SetPtr set = create();
    set->m_files.reserve(files.size());
    quint64 sum = 0;
    quint64 place = 0;
    for (const FilePtr& f : files) {
        f->setState(MarkState::Unmarked);
        f->setIndex(place++);
        sum += f->fileSize();
        set->m_files.append(f);
    }
    set->m_totalFilesInSet = static_cast<quint64>(files.size()) - 1;
    set->m_totalFilesInSetSize = files.isEmpty() ? 0 : sum - files.first()->fileSize();
    return set;
}

void Set::addFiles(const FilePtr& file)
{
    m_files.append(file);
}

QString Set::nameOfSet() const
{
    // Unsigned on purpose: an empty set wraps, as the counters do.
    const quint64 copies = static_cast<quint64>(m_files.size()) - 1;
    return QStringLiteral("Set(%1)").arg(copies);
}

void Set::markAllFiles()
{
    m_totalFilesSelectedInSet = 0;
    m_totalFilesSelectedInSetSize = 0;
    if (m_files.size() >= 2) {
        m_files.first()->setState(MarkState::Unmarked);
        for (qsizetype i = 1; i < m_files.size(); ++i) {
            const FilePtr& f = m_files.at(i);
            f->setState(MarkState::Marked);
            m_totalFilesSelectedInSet += 1;
            m_totalFilesSelectedInSetSize += f->fileSize();
        }
    }
    m_setsState = MarkState::Marked;
}

void Set::unmarkAllFiles()
{
    for (const FilePtr& f : m_files) {
        f->setState(MarkState::Unmarked);
    }
    m_totalFilesSelectedInSet = 0;
    m_totalFilesSelectedInSetSize = 0;
    m_setsState = MarkState::Unmarked;
}

void Set::setMarks(const QList<bool>& marks)
{
    m_totalFilesSelectedInSet = 0;
    m_totalFilesSelectedInSetSize = 0;
    for (qsizetype i = 0; i < m_files.size(); ++i) {
        const FilePtr& f = m_files.at(i);
        const bool mark = i < marks.size() && marks.at(i);
        f->setState(mark ? MarkState::Marked : MarkState::Unmarked);
        if (mark) {
            m_totalFilesSelectedInSet += 1;
            m_totalFilesSelectedInSetSize += f->fileSize();
        }
    }
    m_setsState = determineSelfState();
}

void Set::changeStateOfFile(const FilePtr& file)
{
    if (!file) {
        return;
    }
    if (isMarked(file->state())) {
        file->setState(MarkState::Unmarked);
        if (m_totalFilesSelectedInSet != 0) {
            m_totalFilesSelectedInSet -= 1;
            m_totalFilesSelectedInSetSize -= file->fileSize();
        }
    } else {
        file->setState(MarkState::Marked);
        m_totalFilesSelectedInSet += 1;
        m_totalFilesSelectedInSetSize += file->fileSize();
    }
    m_setsState = determineSelfState();
}

MarkState Set::determineSelfState() const
{
    const quint64 n = static_cast<quint64>(m_files.size());
    const quint64 s = m_totalFilesSelectedInSet;
    const quint64 nMinusOne = n - 1; // wraps for an empty set
    if (s == nMinusOne && s != 0) {
        return MarkState::Marked;
    }
    if (s >= nMinusOne) {
        return MarkState::Unmarked;
    }
    return s != 0 ? MarkState::Mixed : MarkState::Unmarked;
}

bool Set::hasIntactKeeperFor(const File& marked) const
{
    // Both sides are reached without following a link below their locations
    // and must still be the files the scan recorded; a copy reached through
    // a swapped-in link, a bind mount of the marked file itself, or a file
    // since put in the Trash never counts as the kept copy.
    const ScannedFile markedOnDisk(marked);
    if (!markedOnDisk.isValid()) {
        return false;
    }
    for (const FilePtr& keeper : m_files) {
        if (isMarked(keeper->state()) || keeper.get() == &marked) {
            continue;
        }
        if (TrashFolders::isInsideTrash(keeper->folder().isEmpty() ? keeper->filePath() : keeper->folder())) {
            continue;
        }
        if (ScannedFile::keeps(ScannedFile(*keeper), markedOnDisk)) {
            return true;
        }
    }
    return false;
}

RemovalResult Set::removeSelectedFilesInSet()
{
    return forgetRemovedFiles(trashSelectedFiles());
}

QList<FilePtr> Set::trashSelectedFiles() const
{
    QList<FilePtr> removed;
    for (const FilePtr& f : m_files) {
        if (isMarked(f->state()) && hasIntactKeeperFor(*f) && f->removeFile()) {
            removed.append(f);
        }
    }
    return removed;
}

RemovalResult Set::forgetRemovedFiles(const QList<FilePtr>& removed)
{
    RemovalResult result;
    m_files.removeIf([&](const FilePtr& f) {
        if (!removed.contains(f)) {
            return false;
        }
        if (isMarked(f->state())) {
            m_totalFilesSelectedInSet -= 1;
            m_totalFilesSelectedInSetSize -= f->fileSize();
        }
        m_totalFilesInSet -= 1;
        m_totalFilesInSetSize -= f->fileSize();
        result.deletedFilesCount += 1;
        result.deletedFilesSize += f->fileSize();
        return true;
    });
    m_setsState = determineSelfState();
    return result;
}

QByteArrayList Set::addSelectedFilesInSetToException()
{
    QByteArrayList paths;
    for (const FilePtr& f : std::as_const(m_files)) {
        if (!isMarked(f->state())) {
            continue;
        }
        paths.append(f->filePath());
        m_totalFilesSelectedInSet -= 1;
        m_totalFilesSelectedInSetSize -= f->fileSize();
    }
    if (!paths.isEmpty()) {
        m_files.removeIf([](const FilePtr& f) { return isMarked(f->state()); });
    }
    m_setsState = determineSelfState();
    return paths;
}
