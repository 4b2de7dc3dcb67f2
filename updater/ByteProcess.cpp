#include "updater/ByteProcess.h"

#include "platform/FdIo.h"
#include "platform/UniqueFd.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <fcntl.h>
#include <limits>
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
    if (FdIo::retry([&] { return ::waitpid(pid, &status, 0); }) < 0) {
        return result;
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
    const UniqueFd readEnd(fds[0]);
    UniqueFd writeEnd(fds[1]);
    const pid_t pid = spawnWith(argv, writeEnd.get());
    writeEnd.close();
    QByteArray output;
    if (pid > 0) {
        FdIo::readAll(readEnd.get(), &output, std::numeric_limits<qsizetype>::max() - 1);
    }
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
