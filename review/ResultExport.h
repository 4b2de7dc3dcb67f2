#pragma once

#include "review/KeepRule.h"
#include "scan/ScanResults.h"

#include <QByteArray>
#include <functional>

// A scan's result as a file: JSON (the command line's format) or CSV, each
// file with whether the keep rule and the reference locations keep it.
// Written in chunks to a sink, so a large result is never held twice.
class ResultExport
{
public:
    enum class Format
    {
        Json,
        Csv
    };

    // Receives the output in order; false stops the writing.
    using Sink = std::function<bool(const QByteArray&)>;
    // One flag per file of a set, in its order: true for the files kept.
    using Keepers = std::function<QList<bool>(const Set&)>;

    // What the keep rule and the reference locations keep (the command line).
    static Keepers byRule(const KeepRule& rule, const ReferenceRoots& references);
    // What the marks keep: every file that is not marked (the window, where
    // the user may have changed what a rule chose).
    static Keepers byMarks();

    // {"groups":[{"name","category","sets":[{"files":[{"path","size","keep"}]}]}],
    //  "totalFiles","totalFilesSize"}; bytes of a path that are not UTF-8
    // are written as \udcXX.
    static bool writeJson(const ScanResults& results, const KeepRule& rule, const ReferenceRoots& references,
                          const Sink& sink);
    static bool writeJson(const ScanResults& results, const Keepers& keepers, const Sink& sink);
    // A header line, then one line per file: set (numbered from 1), group,
    // category, path, size, modified (UTC, ISO 8601, empty when unknown),
    // keep (yes/no). Paths are their raw bytes, quoted when they need it.
    static bool writeCsv(const ScanResults& results, const KeepRule& rule, const ReferenceRoots& references,
                         const Sink& sink);
    static bool writeCsv(const ScanResults& results, const Keepers& keepers, const Sink& sink);
    // Writes a temporary file beside `path` and renames it into place; on
    // failure `path` is untouched and `error` says why.
    static bool save(const QByteArray& path, Format format, const ScanResults& results, const KeepRule& rule,
                     const ReferenceRoots& references, QString* error = nullptr);
    static bool save(const QByteArray& path, Format format, const ScanResults& results,
                     const Keepers& keepers, QString* error = nullptr);
};
