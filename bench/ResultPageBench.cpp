// Times the results page on a large result, driven through the real window:
// showing 100,000 sets, marking them all, scrolling the outline from top to
// bottom, and trashing 10,000 real files through the deletion run.
#include "app/AppDelegate.h"
#include "app/DeletionController.h"
#include "app/ReviewController.h"
#include "scan/FileCategories.h"
#include "scan/ScanResults.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Four extensions per category, so every category tree has groups.
const char* const Extensions20[] = {
    "jpg", "png", "gif", "bmp", // images
    "mp3", "wav", "aac", "m4a", // audio
    "mp4", "mov", "avi", "mpg", // video
    "pdf", "doc", "txt", "rtf", // documents
    "zip", "dat", "bin", "xyz", // others
};
constexpr int GroupCount = 20;

bool exists(const QByteArray& path)
{
    struct stat st
    {
    };
    return ::lstat(path.constData(), &st) == 0;
}

bool writeBytes(const QByteArray& path, const QByteArray& data)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::write(fd, data.constData(), size_t(data.size())) == data.size();
    return ::close(fd) == 0 && ok;
}

// A set as detection leaves it: nothing marked, each file knows its place,
// and the totals count every file but the first.
SetPtr makeSet(const QList<FilePtr>& files)
{
    return Set::fromFiles(files);
}

struct Built
{
    ScanResults results;
    quint64 sets = 0;
    quint64 files = 0;
    // The files a mark-all marks: every file but each set's first.
    QByteArrayList marked;
    QByteArrayList kept;
};

// `sets` sets spread round-robin over the twenty groups, 100 sets a folder.
// filesPerSet(i) files in set i; with `writeFiles` they are written too, the
// same 16 bytes within a set and different between sets.
template <typename FilesPerSet>
Built buildResult(const QByteArray& root, int sets, FilesPerSet filesPerSet, bool writeFiles)
{
    Built built;
    QList<ExtensionsPtr> groups;
    for (int g = 0; g < GroupCount; ++g) {
        groups.append(Extensions::initWithName(QByteArray(Extensions20[g])));
    }
    QByteArray folder;
    for (int i = 0; i < sets; ++i) {
        if (i % 100 == 0) {
            folder = root + "/d" + QByteArray::number(i / 100) + '/';
            if (writeFiles && ::mkdir(folder.constData(), 0755) != 0) {
                std::fprintf(stderr, "cannot make %s\n", folder.constData());
                std::exit(1);
            }
        }
        const int g = i % GroupCount;
        const QByteArray ext(Extensions20[g]);
        const int n = filesPerSet(i);
        const QByteArray contents = QByteArray::number(i).rightJustified(16, '0');
        const quint64 size = writeFiles ? quint64(contents.size()) : 1000 + quint64(i % 5000) * 7;
        QList<FilePtr> files;
        for (int k = 0; k < n; ++k) {
            const QByteArray name = "f" + QByteArray::number(i) + '_' + QByteArray::number(k) + '.' + ext;
            FilePtr f(new File(folder, name, size, 1'700'000'000'000'000'000LL + i, File::NoDate));
            if (writeFiles) {
                if (!writeBytes(f->filePath(), contents)) {
                    std::fprintf(stderr, "cannot write %s\n", f->filePath().constData());
                    std::exit(1);
                }
                (k == 0 ? built.kept : built.marked).append(f->filePath());
            }
            files.append(f);
        }
        const SetPtr set = makeSet(files);
        const ExtensionsPtr& group = groups.at(g);
        group->addSet(set);
        built.sets += 1;
        built.files += quint64(n);
    }

    // Each group joins its category's tree; the combined tree shares them.
    ModalPtr trees[CategoryCount];
    for (ModalPtr& t : trees) {
        t = Modal::create();
    }
    for (const ExtensionsPtr& group : groups) {
        group->calculateTotalFilesAndSize();
        const Category c = FileCategories::categoryOf(root + "/x." + group->name());
        trees[int(c)]->addExtension(group);
    }
    for (ModalPtr& t : trees) {
        t->calculateTotalFilesAndSize();
    }
    built.results.imageModal = trees[int(Category::Images)];
    built.results.audioModal = trees[int(Category::Audio)];
    built.results.videoModal = trees[int(Category::Video)];
    built.results.docsModal = trees[int(Category::Documents)];
    built.results.otherModal = trees[int(Category::Others)];
    built.results.modal =
        Modal::combine({built.results.imageModal, built.results.videoModal, built.results.audioModal,
                        built.results.docsModal, built.results.otherModal});
    return built;
}

double msSince(const QElapsedTimer& clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

// Counts the paints a widget gets, to tell a timed step really drew.
class PaintCounter : public QObject
{
public:
    using QObject::QObject;
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++count;
        }
        return false;
    }
};

int countEntries(const QString& folder)
{
    return int(
        QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden).size());
}

} // namespace

int main(int argc, char** argv)
{
    // Everything the window, the settings and GIO read lives in one temporary
    // folder, set up before Qt or GLib look at the environment. The Trash is
    // then $XDG_DATA_HOME/Trash in that folder, on the same file system as
    // the files trashed below (GIO picks the home Trash by HOME's device).
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/tidemark-results-bench-XXXXXX"));
    if (!home.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString base = home.path();
    const QString dataHome = base + QStringLiteral("/data");
    for (const char* sub : {"/data", "/config", "/cache", "/state", "/runtime", "/tree", "/real"}) {
        QDir().mkpath(base + QLatin1String(sub));
    }
    ::chmod(QFile::encodeName(base + QStringLiteral("/runtime")).constData(), 0700);
    qputenv("HOME", QFile::encodeName(base));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(base + QStringLiteral("/config")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(base + QStringLiteral("/cache")));
    qputenv("XDG_STATE_HOME", QFile::encodeName(base + QStringLiteral("/state")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(base + QStringLiteral("/runtime")));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quillon"));
    QCoreApplication::setApplicationName(QStringLiteral("Tidemark"));

    const int setCount = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    const int deleteSets = argc > 2 ? QByteArray(argv[2]).toInt() : 10000;

    MainWindow window;
    AppDelegate delegate(&window, AppDelegate::Options{false, false, false});
    if (!delegate.launch()) {
        std::fprintf(stderr, "launch failed\n");
        return 1;
    }
    app.processEvents();
    ReviewController* review = delegate.review();
    DeletionController* deletion = delegate.deletion();
    auto* outline = window.findChild<QTreeView*>(QStringLiteral("OView2"));
    if (!outline) {
        std::fprintf(stderr, "no OView2\n");
        return 1;
    }

    PaintCounter paints;
    outline->viewport()->installEventFilter(&paints);

    // --- The large result: paths only, no files on disk. ---
    QElapsedTimer clock;
    clock.start();
    const QByteArray treeRoot = QFile::encodeName(base + QStringLiteral("/tree"));
    Built big = buildResult(
        treeRoot, setCount, [](int i) { return 2 + (i % 2); }, false);
    std::printf("build: %.1f ms (%llu sets, %llu files, %d groups, %llu duplicates)\n", msSince(clock),
                (unsigned long long)big.sets, (unsigned long long)big.files, GroupCount,
                (unsigned long long)big.results.modal->totalFiles());

    // 1. Show.
    paints.count = 0;
    clock.start();
    review->showResults(big.results);
    app.processEvents();
    const double showMs = msSince(clock);
    if (window.currentPageIdentifier() != QLatin1String("4")) {
        std::fprintf(stderr, "the results page is not on show\n");
        return 1;
    }
    std::printf("show: %.1f ms (outline painted %d times)\n", showMs, paints.count);

    // 2. Mark all.
    paints.count = 0;
    clock.start();
    review->markAllClicked();
    app.processEvents();
    const double markMs = msSince(clock);
    const ModalPtr shown = review->modal();
    if (shown->totalFilesSelected() != shown->totalFiles()) {
        std::fprintf(stderr, "mark all marked %llu of %llu\n",
                     (unsigned long long)shown->totalFilesSelected(),
                     (unsigned long long)shown->totalFiles());
        return 1;
    }
    std::printf("mark all: %.1f ms (%llu files marked, outline painted %d times)\n", markMs,
                (unsigned long long)shown->totalFilesSelected(), paints.count);

    // 3. Scroll the outline top to bottom a page at a time, painting each page.
    QScrollBar* bar = outline->verticalScrollBar();
    bar->setValue(bar->minimum());
    app.processEvents();
    int steps = 0;
    paints.count = 0;
    clock.start();
    outline->viewport()->repaint();
    for (;;) {
        const int next = qMin(bar->value() + bar->pageStep(), bar->maximum());
        if (next == bar->value()) {
            break;
        }
        bar->setValue(next);
        outline->viewport()->repaint();
        ++steps;
    }
    const double scrollMs = msSince(clock);
    std::printf("scroll: %.1f ms (%d steps, %.3f ms per step, %d paints, page step %d rows of %d, "
                "viewport %dx%d)\n",
                scrollMs, steps, steps ? scrollMs / steps : 0.0, paints.count, bar->pageStep(),
                bar->maximum(), outline->viewport()->width(), outline->viewport()->height());

    // 4. Delete: a separate result of real files.
    clock.start();
    const QByteArray realRoot = QFile::encodeName(base + QStringLiteral("/real"));
    Built real = buildResult(
        realRoot, deleteSets, [](int) { return 2; }, true);
    std::printf("delete setup: %.1f ms (%llu sets, %llu files written)\n", msSince(clock),
                (unsigned long long)real.sets, (unsigned long long)real.files);
    review->showResults(real.results);
    app.processEvents();
    review->markAllClicked();
    app.processEvents();
    const quint64 toMove = review->modal()->totalFilesSelected();

    quint64 moved = 0;
    bool finished = false;
    QEventLoop loop;
    QObject::connect(deletion, &DeletionController::deletionFinished, &loop, [&](quint64 count, quint64) {
        moved = count;
        finished = true;
        loop.quit();
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(600000);
    clock.start();
    deletion->sendToRecycleClicked(nullptr);
    if (!finished) {
        loop.exec();
    }
    const double deleteMs = msSince(clock);
    if (!finished) {
        std::fprintf(stderr, "the deletion did not finish\n");
        return 1;
    }
    int stillThere = 0;
    for (const QByteArray& path : std::as_const(real.marked)) {
        stillThere += exists(path) ? 1 : 0;
    }
    int keptGone = 0;
    for (const QByteArray& path : std::as_const(real.kept)) {
        keptGone += exists(path) ? 0 : 1;
    }
    const int inTrash = countEntries(dataHome + QStringLiteral("/Trash/files"));
    const int infos = countEntries(dataHome + QStringLiteral("/Trash/info"));
    std::printf("delete: %.1f ms (%llu of %llu marked files moved, %.3f ms per file)\n", deleteMs,
                (unsigned long long)moved, (unsigned long long)toMove,
                moved ? deleteMs / double(moved) : 0.0);
    std::printf("delete check: %d marked files still in place, %d kept files missing, %d in the temporary "
                "Trash (%d info records)\n",
                stillThere, keptGone, inTrash, infos);

    struct rusage usage
    {
    };
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("peak RSS: %ld KiB\n", usage.ru_maxrss);

    const bool ok = moved == quint64(real.marked.size()) && stillThere == 0 && keptGone == 0 &&
                    inTrash == real.marked.size();
    if (!ok) {
        std::fprintf(stderr, "deletion check failed\n");
    }
    return ok ? 0 : 1;
}
