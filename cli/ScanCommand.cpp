#include "cli/ScanCommand.h"

#include "cli/Interrupt.h"
#include "cli/ResultPrinter.h"
#include "platform/SupportPaths.h"
#include "scan/ScanObserver.h"
#include "scan/ScanRun.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* ScanUsage = "usage: tidemark-cli scan [--json] [--reference PATH]... "
                                  "[--keep first|newest|oldest|shortest-path|longest-path] PATH...";

class CliObserver : public ScanObserver
{
public:
    void collectionFinished(Collector::Outcome outcome) override
    {
        if (outcome == Collector::Outcome::Empty) {
            std::fputs("No duplicates File found\n", stderr);
        }
    }
};

} // namespace

void ScanCommand::usageError(const QByteArray& message)
{
    std::fprintf(stderr, "tidemark-cli: %s\n", message.constData());
}

QByteArray ScanCommand::supportFolder()
{
    // The user who runs the command, not the one at the console: a script's
    // totals belong to its own user.
    const passwd* self = ::getpwuid(::getuid());
    return self ? SupportPaths::appSupportPath(QString::fromLocal8Bit(self->pw_name)) : QByteArray();
}

QByteArray ScanCommand::absolutePath(const QByteArray& path)
{
    QByteArray result = path;
    if (!result.startsWith('/')) {
        char buffer[4096];
        if (::getcwd(buffer, sizeof buffer)) {
            QByteArray cwd(buffer);
            result = (cwd.endsWith('/') ? cwd : cwd + '/') + result;
        }
    }
    while (result.size() > 1 && result.endsWith('/')) {
        result.chop(1);
    }
    return result;
}

bool ScanCommand::entriesFor(const QByteArrayList& paths, QList<LocationEntry>& entries, QByteArray& error)
{
    for (const QByteArray& given : paths) {
        const QByteArray path = absolutePath(given);
        struct stat st
        {
        };
        if (::stat(path.constData(), &st) != 0) {
            error = "cannot access '" + given + "': " + std::strerror(errno);
            return false;
        }
        if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) {
            error = "'" + given + "' is neither a folder nor a regular file";
            return false;
        }
        entries.append(LocationEntry{path, true, S_ISDIR(st.st_mode)});
    }
    return true;
}

bool ScanCommand::entriesFor(const Options& options, QList<LocationEntry>& entries, QByteArray& error)
{
    if (!entriesFor(options.paths, entries, error)) {
        return false;
    }
    QList<LocationEntry> references;
    if (!entriesFor(options.references, references, error)) {
        return false;
    }
    for (LocationEntry& entry : references) {
        entry.reference = true;
        entries.append(std::move(entry));
    }
    return true;
}

int ScanCommand::parse(const QByteArrayList& arguments, const QByteArray& usage, bool acceptJson,
                       bool acceptDryRun, Options& options)
{
    bool optionsDone = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QByteArray& arg = arguments.at(i);
        if (optionsDone) {
            options.paths.append(arg);
        } else if (arg == "--") {
            optionsDone = true;
        } else if (acceptJson && arg == "--json") {
            options.json = true;
        } else if (acceptDryRun && arg == "--dry-run") {
            options.dryRun = true;
        } else if (arg == "--help" || arg == "-h") {
            std::printf("%s\n", usage.constData());
            return ExitOk;
        } else if (arg == "--reference" || arg.startsWith("--reference=")) {
            const bool inline_ = arg.startsWith("--reference=");
            if (!inline_ && i + 1 >= arguments.size()) {
                usageError("--reference needs a path");
                return ExitUsage;
            }
            const QByteArray path = inline_ ? arg.mid(12) : arguments.at(++i);
            if (path.isEmpty()) {
                usageError("--reference needs a path");
                return ExitUsage;
            }
            options.references.append(path);
        } else if (arg == "--keep" || arg.startsWith("--keep=")) {
            const bool inline_ = arg.startsWith("--keep=");
            if (!inline_ && i + 1 >= arguments.size()) {
                usageError("--keep needs a rule: " + KeepRule::names().join('|'));
                return ExitUsage;
            }
            const QByteArray name = inline_ ? arg.mid(7) : arguments.at(++i);
            const std::optional<KeepRule> rule = KeepRule::fromName(name);
            if (!rule) {
                usageError("unknown rule '" + name + "' for --keep; one of " + KeepRule::names().join('|'));
                return ExitUsage;
            }
            options.rule = *rule;
        } else if (arg.startsWith('-') && arg.size() > 1) {
            usageError("unknown option '" + arg + "'");
            return ExitUsage;
        } else {
            options.paths.append(arg);
        }
    }
    if (options.paths.isEmpty()) {
        usageError("no path given; " + usage);
        return ExitUsage;
    }
    return -1;
}

int ScanCommand::scan(ScanRun& run, const QList<LocationEntry>& entries)
{
    Interrupt::install();
    Interrupt::setScan(&run.control());
    run.start(entries);
    run.wait();
    Interrupt::setScan(nullptr);
    if (run.control().stop() && run.collectionOutcome() == Collector::Outcome::Stopped) {
        usageError("scan stopped before any file was compared");
        return ExitInterrupted;
    }
    return -1;
}

int ScanCommand::run(const QByteArrayList& arguments)
{
    Options options;
    if (const int status = parse(arguments, ScanUsage, true, false, options); status >= 0) {
        return status;
    }
    QList<LocationEntry> entries;
    QByteArray error;
    if (!entriesFor(options, entries, error)) {
        usageError(error);
        return ExitUsage;
    }

    CliObserver observer;
    ScanRun run(&observer);
    if (const int status = scan(run, entries); status >= 0) {
        return status;
    }
    const bool stopped = run.control().stop();
    ResultPrinter printer(stdout);
    if (options.json) {
        printer.printJson(run.results(), options.rule, ReferenceRoots::fromEntries(entries));
    } else {
        printer.printText(run.results());
    }
    if (stopped) {
        usageError("scan stopped; the sets above are the ones found so far");
        return ExitInterrupted;
    }
    return ExitOk;
}
