#pragma once

#include <QByteArrayList>

// `tidemark-cli clean [--dry-run] [--reference PATH]... [--keep RULE] PATH...`:
// scans, marks every set by the rule and the references, and moves the
// marked files to the Trash through the same deletion run as the window
// (with its kept-copy check), journals them and adds them to the totals.
class CleanCommand
{
public:
    // `arguments` starts with the command, "clean".
    int run(const QByteArrayList& arguments);
};
