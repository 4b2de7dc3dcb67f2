// Times loading a large exception list, and a scan with and without it.
//   tidemark-exceptions-bench [entries] [files]
// Writes <entries> exception paths the way the program writes them, loads
// the list five times (CPU and wall time of each, best kept), then scans a
// tree of <files> small files five times each way: with no exceptions and
// with the loaded list, none of whose paths is in the tree.
#include "review/ExceptionList.h"
#include "scan/ScanRun.h"

#include <QByteArrayList>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

double cpuSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

bool writeFile(const QByteArray& path, const QByteArray& bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && ok;
}

double scanSeconds(const QByteArray& root, const QSet<QByteArray>& exceptions)
{
    QElapsedTimer timer;
    timer.start();
    ScanRun run;
    run.start({LocationEntry{root, true, true}}, exceptions);
    run.wait();
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int entries = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int files = argc > 2 ? std::atoi(argv[2]) : 100000;
    QTemporaryDir temp;
    // A third argument keeps the list in that folder, to profile loads alone.
    const QByteArray folder = argc > 3 ? QByteArray(argv[3]) : QFile::encodeName(temp.path());
    const bool reuse = argc > 3 && ::access((folder + "/exception.plist").constData(), F_OK) == 0;

    QByteArrayList paths;
    paths.reserve(entries);
    for (int i = 0; i < entries; ++i) {
        // Mostly text, one in a hundred not UTF-8 (stored as data), some escapes.
        QByteArray path = "/home/someone/Pictures/Album " + QByteArray::number(i / 1000) + "/IMG_" +
                          QByteArray::number(i) + (i % 10 == 0 ? " & copy.jpg" : ".jpg");
        if (i % 100 == 0) {
            path += "\xff";
        }
        paths.append(path);
    }
    if (!reuse) {
        ExceptionList writer;
        writer.load(folder);
        writer.addPaths(paths);
        if (!writer.lastWriteSucceeded()) {
            std::fprintf(stderr, "could not write the list\n");
            return 1;
        }
    }
    paths.clear();
    struct stat st
    {
    };
    ::stat((folder + "/exception.plist").constData(), &st);
    std::printf("exception.plist: %d entries, %.1f MB\n", entries, double(st.st_size) / 1e6);

    double bestCpu = 1e9;
    double bestWall = 1e9;
    ExceptionList list;
    const int rounds =
        qEnvironmentVariableIsSet("BENCH_ROUNDS") ? qEnvironmentVariableIntValue("BENCH_ROUNDS") : 5;
    for (int round = 0; round < rounds; ++round) {
        ExceptionList loaded;
        QElapsedTimer timer;
        timer.start();
        const double cpu = cpuSeconds();
        loaded.load(folder);
        const double spent = cpuSeconds() - cpu;
        const double wall = double(timer.nsecsElapsed()) / 1e9;
        if (round == 0) {
            // What start-up pays: the first load of a fresh process.
            std::printf("load: first: %.3f s CPU, %.3f s wall\n", spent, wall);
        }
        bestCpu = std::min(bestCpu, spent);
        bestWall = std::min(bestWall, wall);
        if (loaded.exceptionArrayData().size() != entries || !loaded.loadedCleanly()) {
            std::fprintf(stderr, "loaded %lld entries\n", qlonglong(loaded.exceptionArrayData().size()));
            return 1;
        }
        if (round == rounds - 1) {
            list = std::move(loaded);
        }
    }
    std::printf("load: best of %d: %.3f s CPU, %.3f s wall\n", rounds, bestCpu, bestWall);

    const QByteArray tree = folder + "/tree";
    ::mkdir(tree.constData(), 0755);
    for (int i = 0; i < files; ++i) {
        const QByteArray sub = tree + "/d" + QByteArray::number(i / 1000);
        if (i % 1000 == 0) {
            ::mkdir(sub.constData(), 0755);
        }
        writeFile(sub + "/f" + QByteArray::number(i) + ".jpg", QByteArray::number(i % (files / 2 + 1)));
    }
    double without = 1e9;
    double with = 1e9;
    for (int round = 0; round < 5; ++round) {
        without = std::min(without, scanSeconds(tree, {}));
        with = std::min(with, scanSeconds(tree, list.pathSet()));
    }
    std::printf("scan of %d files: best of 5: %.3f s without exceptions, %.3f s with %d\n", files, without,
                with, entries);
    return 0;
}
