#include "cli/CleanCommand.h"

#include "cli/Interrupt.h"
#include "cli/ScanCommand.h"
#include "review/CleanupJournal.h"
#include "review/DeletionRun.h"
#include "review/StatisticsStore.h"
#include "scan/Formatting.h"
#include "scan/ScanRun.h"

#include <cstdio>
#include <time.h>

namespace {

constexpr const char* CleanUsage = "usage: tidemark-cli clean [--dry-run] [--reference PATH]... "
                                   "[--keep first|newest|oldest|shortest-path|longest-path] PATH...";

void writeLine(std::FILE* out, const QByteArray& prefix, const QByteArray& path)
{
    const QByteArray line = prefix + path + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), out);
}

QByteArray summary(const char* verb, quint64 count, quint64 bytes)
{
    return QStringLiteral("%1 %2 %3, %4\n")
        .arg(QLatin1String(verb))
        .arg(count)
        .arg(count == 1 ? QStringLiteral("file") : QStringLiteral("files"))
        .arg(Formatting::getFormattedStringForSize(bytes))
        .toUtf8();
}

} // namespace

int CleanCommand::run(const QByteArrayList& arguments)
{
    ScanCommand::Options options;
    if (const int status = ScanCommand::parse(arguments, CleanUsage, false, true, options); status >= 0) {
        return status;
    }
    QList<LocationEntry> entries;
    QByteArray error;
    if (!ScanCommand::entriesFor(options, entries, error)) {
        ScanCommand::usageError(error);
        return ScanCommand::ExitUsage;
    }

    // Without a journal no clean-up could be undone: find out before
    // anything moves.
    CleanupJournal journalCheck;
    QString journalError;
    if (!options.dryRun && !journalCheck.prepare(&journalError)) {
        ScanCommand::usageError(journalError.toLocal8Bit() + "; nothing was moved");
        return ScanCommand::ExitFailed;
    }

    ScanRun scan;
    if (const int status = ScanCommand::scan(scan, entries); status >= 0) {
        return status;
    }
    if (scan.control().stop()) {
        ScanCommand::usageError("scan stopped; nothing was moved");
        return ScanCommand::ExitInterrupted;
    }
    const ModalPtr modal = scan.results().modal;
    if (!modal) {
        std::fputs(summary(options.dryRun ? "Would clean" : "Cleaned", 0, 0).constData(), stdout);
        return ScanCommand::ExitOk;
    }
    options.rule.apply(*modal, ReferenceRoots::fromEntries(entries));

    if (options.dryRun) {
        for (const ExtensionsPtr& extension : modal->extensionsArray()) {
            for (const SetPtr& set : extension->sets()) {
                for (const FilePtr& file : set->files()) {
                    if (isMarked(file->state())) {
                        writeLine(stdout, "would move to Trash: ", file->filePath());
                    }
                }
            }
        }
        std::fputs(
            summary("Would clean", modal->totalFilesSelected(), modal->totalFilesSelectedSize()).constData(),
            stdout);
        return ScanCommand::ExitOk;
    }

    StatisticsStore store;
    const QByteArray support = ScanCommand::supportFolder();
    if (!support.isEmpty()) {
        store.loadDataFile(support);
    }
    quint64 deletedCount = 0;
    quint64 deletedSize = 0;

    DeletionRun run(*modal);
    const auto drain = [&] {
        for (const DeletionRun::Removed& removed : run.takeRemoved()) {
            const RemovalResult result =
                modal->forgetRemovedFilesInSet(removed.set, removed.extension, removed.files);
            deletedCount += result.deletedFilesCount;
            deletedSize += result.deletedFilesSize;
            for (const FilePtr& file : removed.files) {
                writeLine(stdout, "moved to Trash: ", file->filePath());
            }
        }
        std::fflush(stdout);
    };
    run.start();
    while (!run.finished()) {
        if (Interrupt::requested()) {
            run.requestStop();
        }
        drain();
        const timespec pause{0, 50 * 1000 * 1000};
        ::nanosleep(&pause, nullptr); // a signal cuts it short
    }
    run.wait();
    drain();
    store.addToTotals(qint64(qMin<quint64>(deletedCount, INT64_MAX)),
                      qint64(qMin<quint64>(deletedSize, INT64_MAX)));

    // What is still marked was refused: gone since the scan, no intact
    // kept copy left, or the Trash would not take it.
    quint64 notMoved = 0;
    if (!run.stopRequested()) {
        for (const ExtensionsPtr& extension : modal->extensionsArray()) {
            for (const SetPtr& set : extension->sets()) {
                for (const FilePtr& file : set->files()) {
                    if (isMarked(file->state())) {
                        writeLine(stderr, "tidemark-cli: not moved: ", file->filePath());
                        ++notMoved;
                    }
                }
            }
        }
    }
    std::fputs(summary("Cleaned", deletedCount, deletedSize).constData(), stdout);
    std::fflush(stdout);
    if (!run.recorder().error().isEmpty()) {
        ScanCommand::usageError("the clean-up journal is incomplete, restore may miss files: " +
                                run.recorder().error().toLocal8Bit());
    }
    if (run.stopRequested()) {
        ScanCommand::usageError("stopped; the files above are in the Trash");
        return ScanCommand::ExitInterrupted;
    }
    return notMoved > 0 || !run.recorder().error().isEmpty() ? ScanCommand::ExitFailed : ScanCommand::ExitOk;
}
