#pragma once

#include "review/KeepRule.h"
#include "scan/LocationEntry.h"
#include "scan/ReferenceRoots.h"

#include <QByteArrayList>
#include <QList>

class ScanRun;

// `tidemark-cli scan [--json] [--reference PATH]... [--keep RULE] PATH...`:
// parses the arguments, runs one scan and prints the combined tree. The
// option parsing and the scan itself also serve `clean`.
class ScanCommand
{
public:
    static constexpr int ExitOk = 0;
    static constexpr int ExitFailed = 1;
    static constexpr int ExitUsage = 2;
    static constexpr int ExitInterrupted = 130;

    struct Options
    {
        bool json = false;
        bool dryRun = false;
        QByteArrayList paths;
        QByteArrayList references;
        KeepRule rule;
    };

    // `arguments` starts with the command, "scan".
    int run(const QByteArrayList& arguments);

    // Parses the options after the command. Returns -1 when the command is
    // to go on, otherwise the exit status (the message is already out).
    static int parse(const QByteArrayList& arguments, const QByteArray& usage, bool acceptJson,
                     bool acceptDryRun, Options& options);
    // The scan's entries: the paths, then the references (flagged).
    static bool entriesFor(const Options& options, QList<LocationEntry>& entries, QByteArray& error);
    // Builds the location entries; on a bad path returns false and sets `error`.
    static bool entriesFor(const QByteArrayList& paths, QList<LocationEntry>& entries, QByteArray& error);
    static QByteArray absolutePath(const QByteArray& path);
    // Runs the scan to its end or to Ctrl-C. Returns -1 when results are
    // there to use, otherwise the exit status.
    static int scan(ScanRun& run, const QList<LocationEntry>& entries);

    static void usageError(const QByteArray& message);
    // The support folder (data.plist) of the user running the command.
    static QByteArray supportFolder();
};
