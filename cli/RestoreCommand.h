#pragma once

#include <QByteArrayList>

// `tidemark-cli restore`: puts the files of the last clean-up (from the
// window or the command line) back where they were.
class RestoreCommand
{
public:
    // `arguments` starts with the command, "restore".
    int run(const QByteArrayList& arguments);
};
