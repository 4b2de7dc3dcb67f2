#pragma once

#include "review/CleanupJournal.h"

#include <QString>
#include <functional>

class StatisticsStore;

// Puts the files of the last clean-up back where they were. A file comes
// back only where nothing stands now (never over another file), through a
// rename that refuses to replace; missing folders on the way are made again.
// Its Trash entry goes with it, the journal notes it, and the totals of
// cleaned files and bytes go down by what came back.
class CleanupRestore
{
public:
    enum class Status
    {
        Restored,
        NotInTrash, // the Trash entry is gone (emptied, or restored by hand)
        Occupied,   // something stands at the original path now
        Failed      // the file system refused; see reason
    };

    struct FileOutcome
    {
        QByteArray originalPath;
        quint64 size = 0;
        Status status = Status::Failed;
        QString reason; // empty when restored
    };

    struct Result
    {
        bool found = false; // false: no clean-up left to undo
        quint64 cleanupId = 0;
        QList<FileOutcome> files;
        quint64 restoredCount = 0;
        quint64 restoredSize = 0;
        QString journalError; // the journal could not note the outcome
        bool stopped = false; // `stop` said so before every file was tried
        bool allRestored() const { return !stopped && restoredCount == quint64(files.size()); }
    };

    // Restores the last clean-up of `journal` that has files to bring back.
    // Files refused because something stands in their place stay in the
    // journal, so a later restore tries them again; files that are no
    // longer in the Trash are let go. `store` (may be null) has its totals
    // lowered, never below zero, and written. `stop`, asked before each
    // file, ends the restore early; what came back until then is recorded.
    static Result restoreLast(CleanupJournal& journal, StatisticsStore* store,
                              const std::function<bool()>& stop = {});

    static QString statusText(Status status);
};
