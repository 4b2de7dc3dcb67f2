#include "cli/CleanCommand.h"
#include "cli/RestoreCommand.h"
#include "cli/ScanCommand.h"

#include <malloc.h>

namespace {
constexpr const char* Usage = "usage: tidemark-cli scan|clean|restore ...";
}

int main(int argc, char** argv)
{
    // The search threads free many small records; with a malloc arena each,
    // that memory stays parked per thread. Two arenas keep the peak near what
    // the scan really holds, at no measurable cost in speed.
    mallopt(M_ARENA_MAX, 2);
    QByteArrayList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QByteArray(argv[i]));
    }
    if (arguments.isEmpty()) {
        ScanCommand::usageError(QByteArray("missing command; ") + Usage);
        return ScanCommand::ExitUsage;
    }
    const QByteArray& command = arguments.first();
    if (command == "scan") {
        return ScanCommand().run(arguments);
    }
    if (command == "clean") {
        return CleanCommand().run(arguments);
    }
    if (command == "restore") {
        return RestoreCommand().run(arguments);
    }
    ScanCommand::usageError("unknown command '" + command + "'; " + Usage);
    return ScanCommand::ExitUsage;
}
