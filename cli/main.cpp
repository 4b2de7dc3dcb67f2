#include "cli/ScanCommand.h"

int main(int argc, char** argv)
{
    QByteArrayList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QByteArray(argv[i]));
    }
    return ScanCommand().run(arguments);
}
