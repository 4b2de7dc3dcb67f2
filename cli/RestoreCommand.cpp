#include "cli/RestoreCommand.h"

#include "cli/Interrupt.h"
#include "cli/ScanCommand.h"
#include "review/CleanupRestore.h"
#include "review/StatisticsStore.h"
#include "scan/Formatting.h"

#include <cstdio>

int RestoreCommand::run(const QByteArrayList& arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == "--help" || arguments.at(i) == "-h") {
            std::puts("usage: tidemark-cli restore");
            return ScanCommand::ExitOk;
        }
        ScanCommand::usageError("restore takes no argument: '" + arguments.at(i) + "'");
        return ScanCommand::ExitUsage;
    }
    StatisticsStore store;
    const QByteArray support = ScanCommand::supportFolder();
    if (!support.isEmpty()) {
        store.loadDataFile(support);
    }
    CleanupJournal journal;
    Interrupt::install();
    const CleanupRestore::Result result =
        CleanupRestore::restoreLast(journal, &store, [] { return Interrupt::requested(); });
    if (!result.found) {
        std::fputs("No clean-up to restore\n", stdout);
        return ScanCommand::ExitOk;
    }
    for (const CleanupRestore::FileOutcome& file : result.files) {
        if (file.status == CleanupRestore::Status::Restored) {
            const QByteArray line = "restored: " + file.originalPath + '\n';
            std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        } else {
            const QByteArray line =
                "tidemark-cli: not restored: " + file.originalPath + ": " + file.reason.toLocal8Bit() + '\n';
            std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        }
    }
    const QByteArray summary = QStringLiteral("Restored %1 of %2 files, %3\n")
                                   .arg(result.restoredCount)
                                   .arg(result.files.size())
                                   .arg(Formatting::getFormattedStringForSize(result.restoredSize))
                                   .toUtf8();
    std::fputs(summary.constData(), stdout);
    if (!result.journalError.isEmpty()) {
        ScanCommand::usageError(result.journalError.toLocal8Bit());
    }
    if (result.stopped) {
        ScanCommand::usageError("stopped; run restore again for the rest");
        return ScanCommand::ExitInterrupted;
    }
    return result.allRestored() && result.journalError.isEmpty() ? ScanCommand::ExitOk
                                                                 : ScanCommand::ExitFailed;
}
