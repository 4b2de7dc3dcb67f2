#pragma once

#include "review/KeepRule.h"
#include "scan/ScanResults.h"

#include <cstdio>

// Writes a scan's combined tree to a stream, as text or as JSON. Paths are
// written as their bytes (text) or losslessly escaped (JSON).
class ResultPrinter
{
public:
    explicit ResultPrinter(std::FILE* out) : m_out(out) {}

    void printText(const ScanResults& results);
    // Every file carries "keep": whether the rule and the references keep it.
    void printJson(const ScanResults& results, const KeepRule& rule = KeepRule(),
                   const ReferenceRoots& references = ReferenceRoots());

private:
    void write(const QByteArray& bytes);
    std::FILE* m_out;
};
