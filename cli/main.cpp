#include "cli/ScanCommand.h"

#include <malloc.h>

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
    return ScanCommand().run(arguments);
}
