#include "review/CleanupRestore.h"

#include "platform/BytePath.h"
#include "platform/FdIo.h"
#include "platform/TrashEntries.h"
#include "platform/UniqueFd.h"
#include "review/StatisticsStore.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// mkdir -p on the exact bytes; false with the folder that could not be made.
bool makeFolders(const QByteArray& folder, QByteArray& failed, int& error)
{
    for (qsizetype i = 1; i <= folder.size(); ++i) {
        if (i != folder.size() && folder.at(i) != '/') {
            continue;
        }
        const QByteArray level = folder.left(i);
        struct stat st
        {
        };
        if (::stat(level.constData(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) {
                failed = level;
                error = ENOTDIR;
                return false;
            }
            continue;
        }
        if (::mkdir(level.constData(), 0755) != 0 && errno != EEXIST) {
            failed = level;
            error = errno;
            return false;
        }
    }
    return true;
}

// Copies a regular file to `to`, which must not exist yet (across devices,
// where no rename can do it); keeps mode and times.
int copyNoReplace(const QByteArray& from, const QByteArray& to)
{
    const UniqueFd in(
        FdIo::retry([&] { return ::open(from.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW); }));
    if (!in.isValid()) {
        return errno;
    }
    struct stat st
    {
    };
    if (::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return EINVAL;
    }
    UniqueFd out(FdIo::retry(
        [&] { return ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777); }));
    if (!out.isValid()) {
        return errno;
    }
    int result = FdIo::copyAll(in.get(), out.get()) ? 0 : (errno ? errno : EIO);
    if (!result) {
        const timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out.get(), times);
        if (::fsync(out.get()) != 0) {
            result = errno;
        }
    }
    if (!out.close() && !result) {
        result = errno;
    }
    if (result) {
        ::unlink(to.constData());
    }
    return result;
}

// Moves without ever replacing what stands at `to`; 0 or an errno value.
int moveNoReplace(const QByteArray& from, const QByteArray& to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    int error = errno;
    if (error == EINVAL || error == ENOSYS) {
        // A file system without the flag: a hard link fails as well when the
        // name is taken, and the old name then goes.
        if (::link(from.constData(), to.constData()) == 0) {
            ::unlink(from.constData());
            return 0;
        }
        error = errno;
    }
    if (error == EXDEV) {
        error = copyNoReplace(from, to);
        if (error == 0) {
            ::unlink(from.constData());
        }
    }
    return error;
}

} // namespace

QString CleanupRestore::statusText(Status status)
{
    switch (status) {
    case Status::Restored:
        return QStringLiteral("restored");
    case Status::NotInTrash:
        return QStringLiteral("no longer in the Trash");
    case Status::Occupied:
        return QStringLiteral("a file now stands at its original path");
    case Status::Failed:
        break;
    }
    return QStringLiteral("could not be restored");
}

CleanupRestore::Result CleanupRestore::restoreLast(CleanupJournal& journal, StatisticsStore* store,
                                                   const std::function<bool()>& stop)
{
    Result result;
    const std::optional<CleanupJournal::Cleanup> cleanup = journal.lastPending();
    if (!cleanup) {
        return result;
    }
    result.found = true;
    result.cleanupId = cleanup->id;
    QByteArrayList restored;
    QByteArrayList gone;
    for (const CleanupJournal::Item& item : cleanup->items) {
        if (item.settled) {
            continue;
        }
        if (stop && stop()) {
            result.stopped = true;
            break;
        }
        FileOutcome outcome{item.originalPath, item.size, Status::Failed, {}};
        struct stat inTrash
        {
        };
        struct stat there
        {
        };
        if (item.filesPath.isEmpty() || ::lstat(item.filesPath.constData(), &inTrash) != 0) {
            outcome.status = Status::NotInTrash;
            outcome.reason = statusText(outcome.status);
            gone.append(item.originalPath);
        } else if (!S_ISREG(inTrash.st_mode) || quint64(inTrash.st_size) != item.size ||
                   (!item.infoPath.isEmpty() && ::access(item.infoPath.constData(), F_OK) == 0 &&
                    TrashEntries::originalPathOf(item.infoPath) != item.originalPath)) {
            // Another item took the entry's name since: not ours to move.
            outcome.status = Status::NotInTrash;
            outcome.reason = QStringLiteral("its Trash entry now holds another item");
            gone.append(item.originalPath);
        } else if (::lstat(item.originalPath.constData(), &there) == 0) {
            outcome.status = Status::Occupied;
            outcome.reason = statusText(outcome.status);
        } else {
            QByteArray failedFolder;
            int error = 0;
            if (!makeFolders(BytePath::folderOf(item.originalPath), failedFolder, error)) {
                outcome.reason = QStringLiteral("cannot make the folder %1: %2")
                                     .arg(QString::fromLocal8Bit(failedFolder), systemError(error));
            } else if ((error = moveNoReplace(item.filesPath, item.originalPath)) != 0) {
                outcome.status = error == EEXIST ? Status::Occupied : Status::Failed;
                outcome.reason = error == EEXIST
                                     ? statusText(outcome.status)
                                     : QStringLiteral("cannot move it back: %1").arg(systemError(error));
            } else {
                if (!item.infoPath.isEmpty()) {
                    ::unlink(item.infoPath.constData());
                }
                outcome.status = Status::Restored;
                restored.append(item.originalPath);
                result.restoredCount += 1;
                result.restoredSize += item.size;
            }
        }
        result.files.append(std::move(outcome));
    }
    QString error;
    if (!journal.appendSettled(cleanup->id, restored, CleanupJournal::Settlement::Restored, &error) ||
        !journal.appendSettled(cleanup->id, gone, CleanupJournal::Settlement::GoneFromTrash, &error) ||
        !journal.sync()) {
        result.journalError = error.isEmpty() ? QStringLiteral("cannot write the clean-up journal") : error;
    }
    if (store && store->hasData() && result.restoredCount > 0) {
        store->addToTotals(-qint64(qMin<quint64>(result.restoredCount, INT64_MAX)),
                           -qint64(qMin<quint64>(result.restoredSize, INT64_MAX)));
    }
    return result;
}
