#pragma once

#include "review/CleanupJournal.h"
#include "scan/Set.h"

#include <QHash>
#include <sys/types.h>

// Writes one clean-up to the journal as it happens: before a set is trashed
// it notes which inode each marked file is, and afterwards finds each file
// that went in the Trash by that inode and journals where it lies. Used on
// the deletion thread, one set at a time.
class CleanupRecorder
{
public:
    explicit CleanupRecorder(QByteArray journalPath = CleanupJournal::defaultPath());

    quint64 cleanupId() const { return m_cleanupId; }
    const QByteArray& journalPath() const { return m_journal.path(); }

    void beforeSet(const Set& set);
    void afterSet(const QList<FilePtr>& trashed);
    // Flushes the journal to the disk; false when some record could not be written.
    bool finish();
    // The first journal error met, empty when none.
    const QString& error() const { return m_error; }
    quint64 recordedCount() const { return m_recorded; }

private:
    struct Identity
    {
        dev_t device = 0;
        ino_t inode = 0;
    };

    CleanupJournal m_journal;
    quint64 m_cleanupId;
    QHash<QByteArray, Identity> m_identities; // original path -> inode, for the set in hand
    QString m_error;
    quint64 m_recorded = 0;
};
