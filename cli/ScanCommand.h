#pragma once

#include "scan/LocationEntry.h"

#include <QByteArrayList>
#include <QList>

// `tidemark-cli scan [--json] PATH...`: parses the arguments, runs one scan
// and prints the combined tree. Returns the process exit status.
class ScanCommand
{
public:
    static constexpr int ExitOk = 0;
    static constexpr int ExitUsage = 2;
    static constexpr int ExitInterrupted = 130;

    int run(const QByteArrayList& arguments);

    // Builds the location entries; on a bad path returns false and sets `error`.
    static bool entriesFor(const QByteArrayList& paths, QList<LocationEntry>& entries, QByteArray& error);
    static QByteArray absolutePath(const QByteArray& path);

private:
    static void usageError(const QByteArray& message);
};
