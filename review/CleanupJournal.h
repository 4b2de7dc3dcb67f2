#pragma once

#include "platform/UniqueFd.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// The record of every clean-up: which file went to the Trash, from where, to
// which Trash entry, and which of them came back. An append-only file of
// length-prefixed records, each with its own CRC-32, so a journal cut short
// by a kill or a power cut is read up to its last whole record (the torn
// tail is dropped before the next append). Appends from several processes
// are serialised by a lock on the file.
class CleanupJournal
{
public:
    struct Item
    {
        quint64 cleanupId = 0;
        qint64 timeMs = 0; // when it was trashed, ms since the epoch (UTC)
        quint64 size = 0;
        QByteArray originalPath;
        QByteArray filesPath; // the item in the Trash; empty when it could not be found there
        QByteArray infoPath;  // its .trashinfo
        bool settled = false; // restored, or gone from the Trash for good
    };

    struct Cleanup
    {
        quint64 id = 0;
        QList<Item> items; // in the order they were trashed
        qsizetype pendingCount() const;
    };

    enum class Settlement : quint8
    {
        Restored = 1,
        GoneFromTrash = 2
    };

    // $XDG_STATE_HOME/Tidemark/cleanup-journal, or ~/.local/state/Tidemark/cleanup-journal.
    static QByteArray defaultPath();
    static quint64 newCleanupId();

    // A journal larger than `compactAbove` bytes is rewritten (write, then
    // rename) without the files that are back or gone, at its next append.
    explicit CleanupJournal(QByteArray path = defaultPath(), qint64 compactAbove = 4 << 20);
    ~CleanupJournal();
    CleanupJournal(const CleanupJournal&) = delete;
    CleanupJournal& operator=(const CleanupJournal&) = delete;

    const QByteArray& path() const { return m_path; }

    // Opens the journal for appending (making its folder and repairing a
    // torn tail); false with `error` when it cannot be written.
    bool prepare(QString* error = nullptr);
    // Appends in one write (a clean-up never holds one original path twice); false (with `error`) when the
    // journal cannot be written.
    bool appendTrashed(const QList<Item>& items, QString* error = nullptr);
    bool appendSettled(quint64 cleanupId, const QByteArrayList& originalPaths, Settlement how,
                       QString* error = nullptr);
    // Forces what was appended to the disk.
    bool sync();

    // Every clean-up in the order it began, as far as whole records go.
    QList<Cleanup> read() const;
    // The latest clean-up that still has files to bring back, if any.
    std::optional<Cleanup> lastPending() const;

private:
    static QList<Cleanup> parse(const QByteArray& data);
    static QByteArray trashedRecord(const Item& item);
    bool openForAppend(QString* error);
    // Opens and locks the file now at the path; the caller unlocks.
    bool lockCurrent(QString* error);
    bool compact(const QByteArray& data, QString* error);
    bool append(const QByteArray& records, QString* error);

    QByteArray m_path;
    UniqueFd m_fd;
    qint64 m_end = -1; // where the whole records end, as last seen under the lock
    qint64 m_compactAbove;
};
