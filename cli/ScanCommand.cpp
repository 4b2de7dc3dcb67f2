#include "cli/ScanCommand.h"

#include "cli/ResultPrinter.h"
#include "scan/ScanObserver.h"
#include "scan/ScanRun.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<ScanControl*> g_control{nullptr};

extern "C" void onInterrupt(int)
{
    if (ScanControl* control = g_control.load()) {
        control->requestStopFromSignal();
    }
}

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

int ScanCommand::run(const QByteArrayList& arguments)
{
    if (arguments.isEmpty() || arguments.first() != "scan") {
        usageError(arguments.isEmpty()
                       ? QByteArray("missing command; usage: tidemark-cli scan [--json] PATH...")
                       : "unknown command '" + arguments.first() +
                             "'; usage: tidemark-cli scan [--json] PATH...");
        return ExitUsage;
    }
    bool json = false;
    bool optionsDone = false;
    QByteArrayList paths;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QByteArray& arg = arguments.at(i);
        if (!optionsDone && arg == "--") {
            optionsDone = true;
        } else if (!optionsDone && arg == "--json") {
            json = true;
        } else if (!optionsDone && (arg == "--help" || arg == "-h")) {
            std::puts("usage: tidemark-cli scan [--json] PATH...");
            return ExitOk;
        } else if (!optionsDone && arg.startsWith('-') && arg.size() > 1) {
            usageError("unknown option '" + arg + "'");
            return ExitUsage;
        } else {
            paths.append(arg);
        }
    }
    if (paths.isEmpty()) {
        usageError("no path given; usage: tidemark-cli scan [--json] PATH...");
        return ExitUsage;
    }
    QList<LocationEntry> entries;
    QByteArray error;
    if (!entriesFor(paths, entries, error)) {
        usageError(error);
        return ExitUsage;
    }

    CliObserver observer;
    ScanRun run(&observer);
    g_control.store(&run.control());
    struct sigaction action
    {
    };
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);

    run.start(entries);
    run.wait();
    const bool stopped = run.control().stop();
    g_control.store(nullptr);

    if (stopped && run.collectionOutcome() == Collector::Outcome::Stopped) {
        usageError("scan stopped before any file was compared");
        return ExitInterrupted;
    }
    ResultPrinter printer(stdout);
    if (json) {
        printer.printJson(run.results());
    } else {
        printer.printText(run.results());
    }
    if (stopped) {
        usageError("scan stopped; the sets above are the ones found so far");
        return ExitInterrupted;
    }
    return ExitOk;
}
