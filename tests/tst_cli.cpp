// End-to-end checks of tidemark-cli: the built binary runs on real trees.

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
#include <csignal>
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

private:
    // A tree with one set in each category and some near misses.
    void buildMixedTree();

    QScopedPointer<QTemporaryDir> m_dir;
    QByteArray m_root;
};

void tst_Cli::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    m_root = QFile::encodeName(m_dir->path());
}

void tst_Cli::cleanup()
{
    removeTree(m_root);
    m_dir.reset();
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
}

void tst_Cli::interruptStopsCleanly()
{
    // Large sparse files of one size that differ only in their last byte:
    // instant to make, and every one must be read to its end.
    const qint64 size = qint64(128) << 20;
    for (int i = 0; i < 8; ++i) {
        const QByteArray path = m_root + "/big" + QByteArray::number(i) + ".bin";
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        QVERIFY(fd >= 0);
        const char last = static_cast<char>('a' + i);
        QCOMPARE(::pwrite(fd, &last, 1, size - 1), ssize_t(1));
        QCOMPARE(::close(fd), 0);
    }

    QProcess process;
    process.start(QStringLiteral(TIDEMARK_CLI_PATH),
                  {QStringLiteral("scan"), QStringLiteral("--json"), QFile::decodeName(m_root)});
    QVERIFY(process.waitForStarted());
    // Signal only once the handler is in place; before that SIGINT would kill
    // the process by default, which says nothing about the scan.
    QElapsedTimer timer;
    timer.start();
    while (!catchesSignal(process.processId(), SIGINT) && process.state() == QProcess::Running &&
           timer.elapsed() < 10000) {
        QThread::msleep(2);
    }
    if (process.state() == QProcess::Running) {
        QThread::msleep(100);
        QCOMPARE(::kill(static_cast<pid_t>(process.processId()), SIGINT), 0);
    }
    QVERIFY(process.waitForFinished(60000));

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

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
