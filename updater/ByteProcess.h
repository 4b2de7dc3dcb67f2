#pragma once

#include <QByteArray>
#include <QList>
#include <sys/types.h>

// Starts programs with an argument vector of byte strings: no shell, so no
// character in a path (quotes, "$", backquotes, newlines, non-UTF-8 bytes)
// means anything but itself. The program is looked up on PATH.
class ByteProcess
{
public:
    struct Result
    {
        bool started = false;
        bool exited = false; // ended normally, not by a signal
        int exitCode = -1;
        QByteArray output; // standard output when asked for
    };

    // Runs to the end; standard input is /dev/null, standard error is
    // dropped, standard output is kept when `captureOutput`.
    static Result run(const QList<QByteArray>& argv, bool captureOutput = false);
    // Starts and returns the child's pid, or -1; the caller waits for it.
    static pid_t spawn(const QList<QByteArray>& argv);
    // Waits for a child from spawn(); its result as run() gives it.
    static Result wait(pid_t pid);
    // True when `program` names an executable file, directly or on PATH.
    static bool isAvailable(const QByteArray& program);
};
