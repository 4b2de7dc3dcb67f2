#include "review/CleanupRecorder.h"

#include "platform/TrashEntries.h"

#include <QDateTime>
#include <sys/stat.h>

CleanupRecorder::CleanupRecorder(QByteArray journalPath)
    : m_journal(std::move(journalPath)), m_cleanupId(CleanupJournal::newCleanupId())
{
}

void CleanupRecorder::beforeSet(const Set& set)
{
    m_identities.clear();
    for (const FilePtr& file : set.files()) {
        if (!isMarked(file->state())) {
            continue;
        }
        const QByteArray path = file->filePath();
        struct stat st
        {
        };
        if (::lstat(path.constData(), &st) == 0) {
            m_identities.insert(path, Identity{st.st_dev, st.st_ino});
        }
    }
}

void CleanupRecorder::afterSet(const QList<FilePtr>& trashed)
{
    QList<CleanupJournal::Item> items;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (const FilePtr& file : trashed) {
        CleanupJournal::Item item;
        item.cleanupId = m_cleanupId;
        item.timeMs = now;
        item.size = file->fileSize();
        item.originalPath = file->filePath();
        const auto identity = m_identities.constFind(item.originalPath);
        if (identity != m_identities.constEnd()) {
            if (const auto entry =
                    TrashEntries::locate(item.originalPath, identity->device, identity->inode)) {
                item.filesPath = entry->filesPath;
                item.infoPath = entry->infoPath;
            }
        }
        items.append(std::move(item));
    }
    m_identities.clear();
    QString error;
    if (!m_journal.appendTrashed(items, &error)) {
        if (m_error.isEmpty()) {
            m_error = error;
        }
        return;
    }
    m_recorded += quint64(items.size());
}

bool CleanupRecorder::finish()
{
    if (!m_journal.sync() && m_error.isEmpty()) {
        m_error = QStringLiteral("cannot flush the clean-up journal to disk");
    }
    return m_error.isEmpty();
}
