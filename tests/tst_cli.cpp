// End-to-end checks of tidemark-cli: the built binary runs on real trees.

#include "review/StatisticsStore.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <climits>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct CliResult
{
    int exitCode = -1;
    QProcess::ExitStatus exitStatus = QProcess::CrashExit;
    QByteArray out;
    QByteArray err;
};

CliResult runCli(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(TIDEMARK_CLI_PATH), arguments);
    CliResult result;
    if (!process.waitForStarted() || !process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitCode();
    result.exitStatus = process.exitStatus();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

// Writes through the byte path, so names that are not UTF-8 are made exactly.
bool writeFile(const QByteArray& path, const QByteArray& contents)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool ok =
        ::write(fd, contents.constData(), static_cast<size_t>(contents.size())) == contents.size();
    return ::close(fd) == 0 && ok;
}

QByteArray readFile(const QByteArray& path)
{
    QByteArray data;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return "<missing>";
    }
    char buffer[65536];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) {
        data.append(buffer, n);
    }
    ::close(fd);
    return data;
}

bool exists(const QByteArray& path)
{
    struct stat st
    {
    };
    return ::lstat(path.constData(), &st) == 0;
}

qsizetype entryCount(const QByteArray& folder)
{
    qsizetype n = 0;
    if (DIR* dir = ::opendir(folder.constData())) {
        while (const dirent* e = ::readdir(dir)) {
            n += qstrcmp(e->d_name, ".") != 0 && qstrcmp(e->d_name, "..") != 0;
        }
        ::closedir(dir);
    }
    return n;
}

bool setModified(const QByteArray& path, qint64 seconds)
{
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    return ::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

QByteArrayList linesStartingWith(const QByteArray& text, const QByteArray& prefix)
{
    QByteArrayList lines;
    for (const QByteArray& line : text.split('\n')) {
        if (line.startsWith(prefix)) {
            lines.append(line.mid(prefix.size()));
        }
    }
    return lines;
}

bool makeDir(const QByteArray& path)
{
    return ::mkdir(path.constData(), 0755) == 0;
}

QByteArray filled(char c, int size)
{
    return QByteArray(size, c);
}

// Reverses the output's path escape: U+DC80..U+DCFF stand for single raw
// bytes, everything else is UTF-8.
QByteArray decodePath(const QString& text)
{
    QByteArray bytes;
    QString run;
    for (const QChar c : text) {
        if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF) {
            bytes += run.toUtf8();
            run.clear();
            bytes += static_cast<char>(c.unicode() & 0xFF);
        } else {
            run += c;
        }
    }
    return bytes + run.toUtf8();
}

using PathSet = QSet<QByteArray>;

PathSet setPaths(const QJsonObject& set)
{
    PathSet paths;
    for (const QJsonValue& file : set.value(QLatin1String("files")).toArray()) {
        paths.insert(decodePath(file.toObject().value(QLatin1String("path")).toString()));
    }
    return paths;
}

// Whether the process has installed a handler for `sig` (bit in SigCgt).
bool catchesSignal(qint64 pid, int sig)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return false;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:")) {
            bool ok = false;
            const quint64 mask = line.mid(7).trimmed().toULongLong(&ok, 16);
            return ok && (mask & (quint64(1) << (sig - 1)));
        }
    }
    return false;
}

// Whether the process has a file open whose name starts with `prefix`.
bool hasOpenFileNamed(qint64 pid, const QByteArray& prefix)
{
    const QByteArray folder = "/proc/" + QByteArray::number(pid) + "/fd";
    DIR* dir = ::opendir(folder.constData());
    if (!dir) {
        return false;
    }
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        char target[PATH_MAX];
        const ssize_t n = ::readlink((folder + '/' + entry->d_name).constData(), target, sizeof target);
        if (n > 0 &&
            QByteArray(target, n).mid(QByteArray(target, n).lastIndexOf('/') + 1).startsWith(prefix)) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

int removeEntry(const char* path, const struct stat*, int, struct FTW*)
{
    return ::remove(path);
}

// QTemporaryDir removes through QString and leaves names that are not UTF-8
// behind, so the tree goes by its bytes.
void removeTree(const QByteArray& root)
{
    ::nftw(root.constData(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

} // namespace

class tst_Cli : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void textOutput();
    void jsonOutput();
    void singleFileAndOverlappingLocations();
    void nothingCollected();
    void pathEscapes_data();
    void pathEscapes();
    void usageErrors_data();
    void usageErrors();
    void interruptStopsCleanly();
    void keepFlagsFollowRuleAndReferences();
    void cleanThenRestoreRoundTrip();
    void cleanDryRunMovesNothing();
    void cleanReportsWhatTheTrashRefuses();
    void restoreRefusesToOverwrite();

private:
    // A tree with one set in each category and some near misses.
    void buildMixedTree();

    QByteArray supportFolder() const { return m_home + "/data/Quillon/Tidemark"; }
    QByteArray trash() const { return m_home + "/data/Trash"; }

    QScopedPointer<QTemporaryDir> m_dir;
    QByteArray m_root;
    // HOME, data and state of the commands: apart from m_root, so no scan
    // walks the Trash.
    QScopedPointer<QTemporaryDir> m_homeDir;
    QByteArray m_home;
};

void tst_Cli::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    m_root = QFile::encodeName(m_dir->path());
    m_homeDir.reset(new QTemporaryDir);
    QVERIFY(m_homeDir->isValid());
    m_home = QFile::encodeName(m_homeDir->path());
    QVERIFY(makeDir(m_home + "/data"));
    QVERIFY(makeDir(m_home + "/state"));
    // The commands run as children and take these over.
    qputenv("HOME", m_home);
    qputenv("XDG_DATA_HOME", m_home + "/data");
    qputenv("XDG_STATE_HOME", m_home + "/state");
}

void tst_Cli::cleanup()
{
    removeTree(m_root);
    m_dir.reset();
    removeTree(m_home);
    m_homeDir.reset();
}

void tst_Cli::buildMixedTree()
{
    const QByteArray r = m_root;
    QVERIFY(makeDir(r + "/pics"));
    QVERIFY(makeDir(r + "/pics/sub"));
    QVERIFY(makeDir(r + "/media"));
    QVERIFY(makeDir(r + "/docs"));

    const QByteArray picture = filled('p', 1000);
    QVERIFY(writeFile(r + "/pics/a.jpg", picture));
    QVERIFY(writeFile(r + "/pics/sub/b.jpg", picture));
    QVERIFY(writeFile(r + "/c.JPG", picture));
    QByteArray nearMiss = picture;
    nearMiss[999] = 'q';
    QVERIFY(writeFile(r + "/pics/near.jpg", nearMiss)); // same size, last byte differs

    QVERIFY(writeFile(r + "/media/v1.mp4", filled('v', 3000)));
    QVERIFY(writeFile(r + "/v2.mp4", filled('v', 3000)));

    QVERIFY(writeFile(r + "/media/s1.mp3", filled('s', 500)));
    QVERIFY(writeFile(r + "/media/s2.mp3", filled('s', 500)));
    // Same bytes as the songs but another category: never their duplicate.
    QVERIFY(writeFile(r + "/docs/lyrics.txt", filled('s', 500)));

    QVERIFY(writeFile(r + "/docs/n.txt", "hello\n"));
    QVERIFY(writeFile(r + "/n2.txt", "hello\n"));
    QVERIFY(writeFile(r + "/docs/README", "hello\n")); // no extension: not collected

    QVERIFY(writeFile(r + "/a.zip", filled('z', 1234)));
    QVERIFY(writeFile(r + "/docs/b.zip", filled('z', 1234)));
    QVERIFY(::symlink((r + "/a.zip").constData(), (r + "/docs/link.zip").constData()) == 0);
}

void tst_Cli::textOutput()
{
    buildMixedTree();
    const CliResult result = runCli({QStringLiteral("scan"), QFile::decodeName(m_root)});
    QCOMPARE(result.exitStatus, QProcess::NormalExit);
    QCOMPARE(result.exitCode, 0);
    QVERIFY2(result.err.isEmpty(), result.err.constData());

    QVERIFY(result.out.endsWith('\n'));
    QList<QByteArray> blocks = result.out.chopped(1).split('\n');
    // Regroup the lines into blank-line separated blocks.
    QList<PathSet> sets;
    PathSet current;
    QByteArray summary;
    for (qsizetype i = 0; i < blocks.size(); ++i) {
        const QByteArray& line = blocks.at(i);
        if (i == blocks.size() - 1) {
            summary = line;
        } else if (line.isEmpty()) {
            sets.append(current);
            current.clear();
        } else {
            current.insert(line);
        }
    }
    QVERIFY(current.isEmpty());

    const QByteArray r = m_root;
    const QList<PathSet> expected = {
        {r + "/pics/a.jpg", r + "/pics/sub/b.jpg", r + "/c.JPG"},
        {r + "/media/v1.mp4", r + "/v2.mp4"},
        {r + "/media/s1.mp3", r + "/media/s2.mp3"},
        {r + "/docs/n.txt", r + "/n2.txt"},
        {r + "/a.zip", r + "/docs/b.zip"},
    };
    QCOMPARE(sets, expected);
    // Copies: 2 + 1 + 1 + 1 + 1; bytes: 2000 + 3000 + 500 + 6 + 1234.
    QCOMPARE(summary, QByteArray("5 duplicate sets, 6 redundant copies, 6.74 KB in redundant copies"));
}

void tst_Cli::jsonOutput()
{
    buildMixedTree();
    const CliResult result =
        runCli({QStringLiteral("scan"), QStringLiteral("--json"), QFile::decodeName(m_root)});
    QCOMPARE(result.exitStatus, QProcess::NormalExit);
    QCOMPARE(result.exitCode, 0);
    QVERIFY2(result.err.isEmpty(), result.err.constData());

    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(result.out, &error);
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
    QVERIFY(doc.isObject());
    const QJsonObject top = doc.object();
    QCOMPARE(top.value(QLatin1String("totalFiles")).toInteger(), 6);
    QCOMPARE(top.value(QLatin1String("totalFilesSize")).toInteger(), 6740);

    struct Group
    {
        const char* name;
        const char* category;
        PathSet files;
        qint64 size;
    };
    const QByteArray r = m_root;
    const QList<Group> expected = {
        {"jpg", "images", {r + "/pics/a.jpg", r + "/pics/sub/b.jpg", r + "/c.JPG"}, 1000},
        {"mp4", "video", {r + "/media/v1.mp4", r + "/v2.mp4"}, 3000},
        {"mp3", "audio", {r + "/media/s1.mp3", r + "/media/s2.mp3"}, 500},
        {"txt", "documents", {r + "/docs/n.txt", r + "/n2.txt"}, 6},
        {"zip", "others", {r + "/a.zip", r + "/docs/b.zip"}, 1234},
    };
    const QJsonArray groups = top.value(QLatin1String("groups")).toArray();
    QCOMPARE(groups.size(), expected.size());
    for (qsizetype i = 0; i < groups.size(); ++i) {
        const QJsonObject group = groups.at(i).toObject();
        QCOMPARE(group.value(QLatin1String("name")).toString(), QLatin1String(expected.at(i).name));
        QCOMPARE(group.value(QLatin1String("category")).toString(), QLatin1String(expected.at(i).category));
        const QJsonArray sets = group.value(QLatin1String("sets")).toArray();
        QCOMPARE(sets.size(), 1);
        const QJsonObject set = sets.at(0).toObject();
        QCOMPARE(setPaths(set), expected.at(i).files);
        for (const QJsonValue& file : set.value(QLatin1String("files")).toArray()) {
            QCOMPARE(file.toObject().value(QLatin1String("size")).toInteger(), expected.at(i).size);
        }
    }
}

void tst_Cli::singleFileAndOverlappingLocations()
{
    const QByteArray r = m_root;
    QVERIFY(makeDir(r + "/dir"));
    QVERIFY(makeDir(r + "/dir/inner"));
    QVERIFY(writeFile(r + "/lone.png", filled('i', 700)));
    QVERIFY(writeFile(r + "/dir/inner/copy.png", filled('i', 700)));
    QVERIFY(writeFile(r + "/dir/only.txt", filled('t', 80)));

    // The single file comes first, so it leads its set; the inner folder is
    // reached twice but every file is collected once.
    const CliResult result =
        runCli({QStringLiteral("scan"), QStringLiteral("--json"), QFile::decodeName(r + "/lone.png"),
                QFile::decodeName(r + "/dir"), QFile::decodeName(r + "/dir/inner/")});
    QCOMPARE(result.exitCode, 0);
    const QJsonObject top = QJsonDocument::fromJson(result.out).object();
    const QJsonArray groups = top.value(QLatin1String("groups")).toArray();
    QCOMPARE(groups.size(), 1);
    const QJsonArray sets = groups.at(0).toObject().value(QLatin1String("sets")).toArray();
    QCOMPARE(sets.size(), 1);
    const QJsonArray files = sets.at(0).toObject().value(QLatin1String("files")).toArray();
    QCOMPARE(files.size(), 2);
    QCOMPARE(decodePath(files.at(0).toObject().value(QLatin1String("path")).toString()), r + "/lone.png");
    QCOMPARE(decodePath(files.at(1).toObject().value(QLatin1String("path")).toString()),
             r + "/dir/inner/copy.png");
    QCOMPARE(top.value(QLatin1String("totalFiles")).toInteger(), 1);
    QCOMPARE(top.value(QLatin1String("totalFilesSize")).toInteger(), 700);
}

void tst_Cli::nothingCollected()
{
    QVERIFY(writeFile(m_root + "/NOTES", "no extension, never collected"));
    const CliResult text = runCli({QStringLiteral("scan"), QFile::decodeName(m_root)});
    QCOMPARE(text.exitStatus, QProcess::NormalExit);
    QCOMPARE(text.exitCode, 0);
    QCOMPARE(text.out, QByteArray("0 duplicate sets, 0 redundant copies, 0.00 KB in redundant copies\n"));

    const CliResult json =
        runCli({QStringLiteral("scan"), QStringLiteral("--json"), QFile::decodeName(m_root)});
    QCOMPARE(json.exitCode, 0);
    const QJsonObject top = QJsonDocument::fromJson(json.out).object();
    QVERIFY(top.value(QLatin1String("groups")).isArray());
    QVERIFY(top.value(QLatin1String("groups")).toArray().isEmpty());
    QCOMPARE(top.value(QLatin1String("totalFiles")).toInteger(), 0);
    QCOMPARE(top.value(QLatin1String("totalFilesSize")).toInteger(), 0);
}

void tst_Cli::pathEscapes_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("rawEscape"); // must occur literally in the JSON text

    QTest::newRow("latin-1 byte") << QByteArray("caf\xe9.dat") << QByteArray("caf\\udce9.dat");
    QTest::newRow("bytes ff fe") << QByteArray("x\xff\xfe.dat") << QByteArray("x\\udcff\\udcfe.dat");
    QTest::newRow("truncated sequence") << QByteArray("t\xe2\x82.dat") << QByteArray("t\\udce2\\udc82.dat");
    QTest::newRow("encoded surrogate")
        << QByteArray("s\xed\xa0\x80.dat") << QByteArray("s\\udced\\udca0\\udc80.dat");
    QTest::newRow("valid utf-8") << QByteArray("caf\xc3\xa9 \xe2\x82\xac.dat")
                                 << QByteArray("caf\xc3\xa9 \xe2\x82\xac.dat");
    QTest::newRow("json specials") << QByteArray("q\"b\\t\tn\x01.dat")
                                   << QByteArray("q\\\"b\\\\t\\tn\\u0001.dat");
}

void tst_Cli::pathEscapes()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, rawEscape);

    const QByteArray odd = m_root + '/' + name;
    const QByteArray plain = m_root + "/plain.dat";
    QVERIFY(writeFile(odd, "same bytes"));
    QVERIFY(writeFile(plain, "same bytes"));

    const CliResult json =
        runCli({QStringLiteral("scan"), QStringLiteral("--json"), QFile::decodeName(m_root)});
    QCOMPARE(json.exitCode, 0);
    QVERIFY2(json.out.contains(rawEscape), json.out.constData());
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json.out, &error);
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
    const QJsonArray groups = doc.object().value(QLatin1String("groups")).toArray();
    QCOMPARE(groups.size(), 1);
    QCOMPARE(groups.at(0).toObject().value(QLatin1String("name")).toString(), QLatin1String("dat"));
    // The escapes give back the exact bytes of the name on disk.
    QCOMPARE(setPaths(groups.at(0).toObject().value(QLatin1String("sets")).toArray().at(0).toObject()),
             PathSet({odd, plain}));

    // Text output writes the bytes as they are.
    const CliResult text = runCli({QStringLiteral("scan"), QFile::decodeName(m_root)});
    QCOMPARE(text.exitCode, 0);
    QVERIFY(text.out.split('\n').contains(odd));
}

void tst_Cli::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");

    const QString missing = QStringLiteral("/nonexistent-tidemark-path/x");
    QTest::newRow("missing path") << QStringList{QStringLiteral("scan"), missing};
    QTest::newRow("missing path after a good one")
        << QStringList{QStringLiteral("scan"), QStringLiteral("@DIR@"), missing};
    QTest::newRow("missing path with --json")
        << QStringList{QStringLiteral("scan"), QStringLiteral("--json"), missing};
    QTest::newRow("unknown option") << QStringList{QStringLiteral("scan"), QStringLiteral("--frobnicate"),
                                                   QStringLiteral("@DIR@")};
    QTest::newRow("unknown short option")
        << QStringList{QStringLiteral("scan"), QStringLiteral("-x"), QStringLiteral("@DIR@")};
    QTest::newRow("no path") << QStringList{QStringLiteral("scan")};
    QTest::newRow("no path with --json") << QStringList{QStringLiteral("scan"), QStringLiteral("--json")};
    QTest::newRow("no command") << QStringList{};
    QTest::newRow("unknown command") << QStringList{QStringLiteral("find"), QStringLiteral("@DIR@")};
    QTest::newRow("unknown keep rule") << QStringList{QStringLiteral("scan"), QStringLiteral("--keep"),
                                                      QStringLiteral("biggest"), QStringLiteral("@DIR@")};
    QTest::newRow("keep without rule") << QStringList{QStringLiteral("scan"), QStringLiteral("--keep")};
    QTest::newRow("reference without path")
        << QStringList{QStringLiteral("scan"), QStringLiteral("@DIR@"), QStringLiteral("--reference")};
    QTest::newRow("missing reference") << QStringList{QStringLiteral("scan"), QStringLiteral("--reference"),
                                                      missing, QStringLiteral("@DIR@")};
    QTest::newRow("clean without path") << QStringList{QStringLiteral("clean"), QStringLiteral("--dry-run")};
    QTest::newRow("clean with --json")
        << QStringList{QStringLiteral("clean"), QStringLiteral("--json"), QStringLiteral("@DIR@")};
    QTest::newRow("clean of a missing path")
        << QStringList{QStringLiteral("clean"), QStringLiteral("@DIR@"), missing};
    QTest::newRow("clean with unknown rule")
        << QStringList{QStringLiteral("clean"), QStringLiteral("--keep=largest"), QStringLiteral("@DIR@")};
    QTest::newRow("restore with argument") << QStringList{QStringLiteral("restore"), QStringLiteral("@DIR@")};
}

void tst_Cli::usageErrors()
{
    QFETCH(QStringList, arguments);
    QVERIFY(writeFile(m_root + "/a.txt", "twin"));
    QVERIFY(writeFile(m_root + "/b.txt", "twin"));
    arguments.replaceInStrings(QStringLiteral("@DIR@"), QFile::decodeName(m_root));

    const CliResult result = runCli(arguments);
    QCOMPARE(result.exitStatus, QProcess::NormalExit);
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.out.isEmpty(), result.out.constData()); // nothing scanned, nothing printed
    QVERIFY(result.err.endsWith('\n'));
    QCOMPARE(result.err.count('\n'), 1);
    QVERIFY(result.err.size() > 1);
    // A refused clean moves nothing.
    QCOMPARE(readFile(m_root + "/b.txt"), QByteArray("twin"));
    QCOMPARE(readFile(m_root + "/a.txt"), QByteArray("twin"));
}

void tst_Cli::interruptStopsCleanly()
{
    // Large sparse files of one size that agree at their head and tail and
    // differ in one byte just before the tail: instant to make, and every
    // one must be read nearly to its end.
    const qint64 size = qint64(256) << 20;
    for (int i = 0; i < 8; ++i) {
        const QByteArray path = m_root + "/big" + QByteArray::number(i) + ".bin";
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        QVERIFY(fd >= 0);
        const char mark = static_cast<char>('a' + i);
        const char end = 'z';
        QCOMPARE(::pwrite(fd, &mark, 1, size - (qint64(1) << 20)), ssize_t(1));
        QCOMPARE(::pwrite(fd, &end, 1, size - 1), ssize_t(1));
        QCOMPARE(::close(fd), 0);
    }

    QProcess process;
    process.start(QStringLiteral(TIDEMARK_CLI_PATH),
                  {QStringLiteral("scan"), QStringLiteral("--json"), QFile::decodeName(m_root)});
    QVERIFY(process.waitForStarted());
    // Signal only once the handler is in place; before that SIGINT would kill
    // the process by default, which says nothing about the scan.
    // Then wait until it reads one of the big files, so the signal lands in
    // the middle of detection.
    const qint64 pid = process.processId();
    QVERIFY(QTest::qWaitFor(
        [&] {
            return process.state() != QProcess::Running ||
                   (catchesSignal(pid, SIGINT) && hasOpenFileNamed(pid, "big"));
        },
        30000));
    if (process.state() == QProcess::Running) {
        QCOMPARE(::kill(static_cast<pid_t>(pid), SIGINT), 0);
    }
    QVERIFY(process.state() == QProcess::NotRunning || process.waitForFinished(60000));

    QCOMPARE(process.exitStatus(), QProcess::NormalExit); // no abort, no crash, not killed by the signal
    const int code = process.exitCode();
    QVERIFY2(code == 130 || code == 0, qPrintable(QString::number(code)));
    const QByteArray out = process.readAllStandardOutput();
    const QByteArray err = process.readAllStandardError();
    if (code == 130) {
        QCOMPARE(err.count('\n'), 1);
    }
    if (!out.isEmpty()) {
        // A stop during detection still prints what was found, as valid JSON.
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(out, &error);
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
        QVERIFY(doc.object().value(QLatin1String("groups")).toArray().isEmpty()); // no two files are equal
    } else {
        QCOMPARE(code, 130);
    }
}

void tst_Cli::keepFlagsFollowRuleAndReferences()
{
    const QByteArray r = m_root;
    for (const char* dir : {"/ref", "/ref/sub", "/work", "/work/deep", "/work/longer-name"}) {
        QVERIFY(makeDir(r + dir));
    }
    // A picture with a reference copy, a song without one, notes only in the
    // reference folder, and a near name that is not inside it.
    QVERIFY(makeDir(r + "/ref2"));
    for (const char* p : {"/ref/p.jpg", "/work/p.jpg", "/work/deep/p.jpg", "/ref2/p.jpg"}) {
        QVERIFY(writeFile(r + p, filled('p', 1000)));
    }
    QVERIFY(writeFile(r + "/work/s1.mp3", filled('s', 500)));
    QVERIFY(writeFile(r + "/work/longer-name/s1.mp3", filled('s', 500)));
    QVERIFY(writeFile(r + "/work/deep/s1.mp3", filled('s', 500)));
    QVERIFY(setModified(r + "/work/s1.mp3", 1000));
    QVERIFY(setModified(r + "/work/longer-name/s1.mp3", 3000));
    QVERIFY(setModified(r + "/work/deep/s1.mp3", 3000)); // ties with longer-name for newest
    QVERIFY(writeFile(r + "/ref/d.txt", "notes"));
    QVERIFY(writeFile(r + "/ref/sub/d.txt", "notes"));

    const QList<QPair<QString, QByteArray>> rules{
        {QString(), QByteArray()},
        {QStringLiteral("first"), QByteArray()},
        {QStringLiteral("newest"), QByteArray()},
        {QStringLiteral("oldest"), r + "/work/s1.mp3"},
        {QStringLiteral("shortest-path"), r + "/work/s1.mp3"},
        {QStringLiteral("longest-path"), r + "/work/longer-name/s1.mp3"}};
    for (const auto& [rule, expectedSong] : rules) {
        QStringList arguments{QStringLiteral("scan"), QStringLiteral("--json"), QStringLiteral("--reference"),
                              QFile::decodeName(r + "/ref")};
        if (!rule.isEmpty()) {
            arguments << QStringLiteral("--keep") << rule;
        }
        arguments << QFile::decodeName(r + "/work") << QFile::decodeName(r + "/ref2");
        const CliResult result = runCli(arguments);
        QCOMPARE(result.exitCode, 0);
        const QJsonObject top = QJsonDocument::fromJson(result.out).object();
        int sets = 0;
        for (const QJsonValue& group : top.value(QLatin1String("groups")).toArray()) {
            for (const QJsonValue& set : group.toObject().value(QLatin1String("sets")).toArray()) {
                ++sets;
                QByteArrayList keep;
                QByteArrayList all;
                for (const QJsonValue& f : set.toObject().value(QLatin1String("files")).toArray()) {
                    const QJsonObject object = f.toObject();
                    QVERIFY(object.value(QLatin1String("keep")).isBool());
                    const QByteArray path = decodePath(object.value(QLatin1String("path")).toString());
                    all.append(path);
                    if (object.value(QLatin1String("keep")).toBool()) {
                        keep.append(path);
                    }
                }
                if (all.contains(r + "/ref/p.jpg")) {
                    QCOMPARE(all.size(), 4); // the reference folder is scanned too
                    QCOMPARE(keep, QByteArrayList{r + "/ref/p.jpg"});
                } else if (all.contains(r + "/ref/d.txt")) {
                    QCOMPARE(keep.size(), 2); // only reference copies: none to mark
                } else {
                    QCOMPARE(keep.size(), 1);
                    if (rule == QLatin1String("newest")) {
                        // Tied: the one met first of the two.
                        const qsizetype a = all.indexOf(r + "/work/longer-name/s1.mp3");
                        const qsizetype b = all.indexOf(r + "/work/deep/s1.mp3");
                        QCOMPARE(keep.first(), all.at(qMin(a, b)));
                    } else if (expectedSong.isEmpty()) {
                        QCOMPARE(keep.first(), all.first()); // first: the file met first
                    } else {
                        QCOMPARE(keep.first(), expectedSong);
                    }
                }
            }
        }
        QCOMPARE(sets, 3);
    }
}

void tst_Cli::cleanThenRestoreRoundTrip()
{
    const QByteArray r = m_root;
    for (const char* dir : {"/ref", "/work", "/work/sub"}) {
        QVERIFY(makeDir(r + dir));
    }
    const QList<QPair<QByteArray, QByteArray>> files{
        {r + "/work/a.jpg", filled('a', 3000)},
        {r + "/work/sub/a copy.jpg", filled('a', 3000)},
        {r + "/work/sub/caf\xe9 \xff.jpg", filled('a', 3000)},
        {r + "/ref/s.mp3", filled('s', 700)},
        {r + "/work/s.mp3", filled('s', 700)},
        {r + "/work/sub/s.mp3", filled('s', 700)},
        {r + "/work/x.txt", "notes\n"},
        {r + "/work/sub/x.txt", "notes\n"},
    };
    for (const auto& [path, bytes] : files) {
        QVERIFY(writeFile(path, bytes));
    }
    {
        StatisticsStore store;
        store.loadDataFile(supportFolder());
        QVERIFY(store.recordRun(3, 999, 0, 0));
    }

    const CliResult clean =
        runCli({QStringLiteral("clean"), QStringLiteral("--reference"), QFile::decodeName(r + "/ref"),
                QStringLiteral("--keep"), QStringLiteral("shortest-path"), QFile::decodeName(r + "/work")});
    QCOMPARE(clean.exitStatus, QProcess::NormalExit);
    QVERIFY2(clean.exitCode == 0, clean.err.constData());
    QByteArrayList moved = linesStartingWith(clean.out, "moved to Trash: ");
    std::sort(moved.begin(), moved.end());
    QByteArrayList expected{r + "/work/sub/a copy.jpg", r + "/work/sub/caf\xe9 \xff.jpg", r + "/work/s.mp3",
                            r + "/work/sub/s.mp3", r + "/work/sub/x.txt"};
    std::sort(expected.begin(), expected.end());
    QCOMPARE(moved, expected);
    QVERIFY(clean.out.contains("Cleaned 5 files, 7.41 KB"));
    for (const QByteArray& path : expected) {
        QVERIFY(!exists(path));
    }
    // Every set keeps a live copy outside the Trash, the reference among them.
    QCOMPARE(readFile(r + "/work/a.jpg"), filled('a', 3000));
    QCOMPARE(readFile(r + "/ref/s.mp3"), filled('s', 700));
    QCOMPARE(readFile(r + "/work/x.txt"), QByteArray("notes\n"));
    QCOMPARE(entryCount(trash() + "/files"), 5);
    {
        StatisticsStore store;
        store.loadDataFile(supportFolder());
        QCOMPARE(store.alreadyDeletedCount(), 8);
        QCOMPARE(store.alreadyDeletedSize(), 999ULL + 3000 * 2 + 700 * 2 + 6);
    }

    // The emptied folder goes before the restore.
    QCOMPARE(::rmdir((r + "/work/sub").constData()), 0);
    const CliResult restore = runCli({QStringLiteral("restore")});
    QCOMPARE(restore.exitStatus, QProcess::NormalExit);
    QVERIFY2(restore.exitCode == 0, restore.err.constData());
    QByteArrayList restored = linesStartingWith(restore.out, "restored: ");
    std::sort(restored.begin(), restored.end());
    QCOMPARE(restored, expected);
    QVERIFY(restore.out.contains("Restored 5 of 5 files"));
    for (const auto& [path, bytes] : files) {
        QCOMPARE(readFile(path), bytes);
    }
    QCOMPARE(entryCount(trash() + "/files"), 0);
    QCOMPARE(entryCount(trash() + "/info"), 0);
    {
        StatisticsStore store;
        store.loadDataFile(supportFolder());
        QCOMPARE(store.alreadyDeletedCount(), 3);
        QCOMPARE(store.alreadyDeletedSize(), 999ULL);
    }

    const CliResult again = runCli({QStringLiteral("restore")});
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(again.out, QByteArray("No clean-up to restore\n"));
}

void tst_Cli::cleanDryRunMovesNothing()
{
    QVERIFY(writeFile(m_root + "/a.txt", "twin"));
    QVERIFY(writeFile(m_root + "/bb.txt", "twin"));
    const CliResult dry =
        runCli({QStringLiteral("clean"), QStringLiteral("--dry-run"), QStringLiteral("--keep"),
                QStringLiteral("shortest-path"), QFile::decodeName(m_root)});
    QCOMPARE(dry.exitCode, 0);
    QCOMPARE(linesStartingWith(dry.out, "would move to Trash: "), QByteArrayList{m_root + "/bb.txt"});
    QVERIFY(dry.out.contains("Would clean 1 file, 0.00 KB"));
    QCOMPARE(readFile(m_root + "/bb.txt"), QByteArray("twin"));
    QCOMPARE(entryCount(trash() + "/files"), 0);
    QVERIFY(!exists(m_home + "/state/Tidemark/cleanup-journal"));
    QCOMPARE(runCli({QStringLiteral("restore")}).out, QByteArray("No clean-up to restore\n"));
}

void tst_Cli::cleanReportsWhatTheTrashRefuses()
{
    QVERIFY(writeFile(m_root + "/a.txt", "twin"));
    QVERIFY(writeFile(m_root + "/bb.txt", "twin"));
    // A plain file where the Trash folder should be: no move can succeed.
    QVERIFY(writeFile(trash(), "in the way"));
    const CliResult clean = runCli({QStringLiteral("clean"), QStringLiteral("--keep"),
                                    QStringLiteral("shortest-path"), QFile::decodeName(m_root)});
    QCOMPARE(clean.exitStatus, QProcess::NormalExit);
    QCOMPARE(clean.exitCode, 1);
    QVERIFY(clean.err.contains("not moved: " + m_root + "/bb.txt"));
    QVERIFY(clean.out.contains("Cleaned 0 files"));
    QCOMPARE(readFile(m_root + "/bb.txt"), QByteArray("twin"));
    QCOMPARE(readFile(m_root + "/a.txt"), QByteArray("twin"));
    QCOMPARE(runCli({QStringLiteral("restore")}).out, QByteArray("No clean-up to restore\n"));
}

void tst_Cli::restoreRefusesToOverwrite()
{
    QVERIFY(writeFile(m_root + "/a.txt", "twin"));
    QVERIFY(writeFile(m_root + "/bb.txt", "twin"));
    const CliResult clean = runCli({QStringLiteral("clean"), QStringLiteral("--keep"),
                                    QStringLiteral("shortest-path"), QFile::decodeName(m_root)});
    QCOMPARE(clean.exitCode, 0);
    QVERIFY(!exists(m_root + "/bb.txt"));
    QCOMPARE(readFile(m_root + "/a.txt"), QByteArray("twin"));

    QVERIFY(writeFile(m_root + "/bb.txt", "mine"));
    const CliResult restore = runCli({QStringLiteral("restore")});
    QCOMPARE(restore.exitStatus, QProcess::NormalExit);
    QCOMPARE(restore.exitCode, 1);
    QVERIFY(restore.err.startsWith("tidemark-cli: not restored: " + m_root + "/bb.txt: "));
    QVERIFY(restore.out.contains("Restored 0 of 1 files"));
    QCOMPARE(readFile(m_root + "/bb.txt"), QByteArray("mine"));
    QCOMPARE(entryCount(trash() + "/files"), 1);

    // With the place free again, the same restore succeeds.
    QCOMPARE(::unlink((m_root + "/bb.txt").constData()), 0);
    const CliResult retry = runCli({QStringLiteral("restore")});
    QCOMPARE(retry.exitCode, 0);
    QCOMPARE(readFile(m_root + "/bb.txt"), QByteArray("twin"));
}

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
