#include "updater/ByteProcess.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

pid_t spawnWith(const QList<QByteArray>& argv, int outputFd)
{
    if (argv.isEmpty() || argv.first().isEmpty()) {
        return -1;
    }
    std::vector<char*> args;
    args.reserve(size_t(argv.size()) + 1);
    for (const QByteArray& arg : argv) {
        args.push_back(const_cast<char*>(arg.constData()));
    }
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    if (outputFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, args.front(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

} // namespace

pid_t ByteProcess::spawn(const QList<QByteArray>& argv)
{
    return spawnWith(argv, -1);
}

ByteProcess::Result ByteProcess::wait(pid_t pid)
{
    Result result;
    if (pid <= 0) {
        return result;
    }
    result.started = true;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return result;
        }
    }
    if (WIFEXITED(status)) {
        result.exited = true;
        result.exitCode = WEXITSTATUS(status);
    }
    return result;
}

ByteProcess::Result ByteProcess::run(const QList<QByteArray>& argv, bool captureOutput)
{
    if (!captureOutput) {
        return wait(spawn(argv));
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return {};
    }
    const pid_t pid = spawnWith(argv, fds[1]);
    ::close(fds[1]);
    QByteArray output;
    if (pid > 0) {
        char buffer[8192];
        for (;;) {
            const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            output.append(buffer, n);
        }
    }
    ::close(fds[0]);
    Result result = wait(pid);
    result.output = output;
    return result;
}

bool ByteProcess::isAvailable(const QByteArray& program)
{
    if (program.contains('/')) {
        return ::access(program.constData(), X_OK) == 0;
    }
    return !QStandardPaths::findExecutable(QFile::decodeName(program)).isEmpty();
}
