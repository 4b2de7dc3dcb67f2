// Times the window's bookkeeping on large results: Add to Exceptions with
// every set marked, and the tree's half of a deletion (what the window does
// with each set the Trash run hands back), at each set count given.
#include "app/AppDelegate.h"
#include "app/ExceptionController.h"
#include "app/ReviewController.h"
#include "review/ResultOutlineModel.h"
#include "scan/FileCategories.h"
#include "scan/ScanResults.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

const char* const Extensions20[] = {
    "jpg", "png", "gif", "bmp", "mp3", "wav", "aac", "m4a", "mp4", "mov",
    "avi", "mpg", "pdf", "doc", "txt", "rtf", "zip", "dat", "bin", "xyz",
};
constexpr int GroupCount = 20;

// `sets` sets of two or three files as detection leaves them, spread over
// twenty groups; the paths do not exist.
ScanResults buildResult(const QByteArray& root, int sets)
{
    QList<ExtensionsPtr> groups;
    for (const char* name : Extensions20) {
        groups.append(Extensions::initWithName(QByteArray(name)));
    }
    QByteArray folder;
    for (int i = 0; i < sets; ++i) {
        if (i % 100 == 0) {
            folder = root + "/d" + QByteArray::number(i / 100) + '/';
        }
        const ExtensionsPtr& group = groups.at(i % GroupCount);
        SetPtr set = Set::create();
        const int n = 2 + (i % 2);
        const quint64 size = 1000 + quint64(i % 5000) * 7;
        for (int k = 0; k < n; ++k) {
            FilePtr f(new File(
                folder, "f" + QByteArray::number(i) + '_' + QByteArray::number(k) + '.' + group->name(),
                size));
            f->setIndex(quint64(k));
            set->addFiles(f);
        }
        set->setTotalFilesInSet(quint64(n) - 1);
        set->setTotalFilesInSetSize(size * quint64(n - 1));
        group->addSet(set);
        group->setTotalFilesInExtension(group->totalFilesInExtension() + set->totalFilesInSet());
        group->setTotalFilesInExtensionSize(group->totalFilesInExtensionSize() + set->totalFilesInSetSize());
    }
    ModalPtr trees[CategoryCount];
    for (ModalPtr& t : trees) {
        t = Modal::create();
    }
    for (const ExtensionsPtr& group : groups) {
        trees[int(FileCategories::categoryOf(root + "/x." + group->name()))]->addExtension(group);
    }
    for (ModalPtr& t : trees) {
        t->calculateTotalFilesAndSize();
    }
    ScanResults results;
    results.imageModal = trees[int(Category::Images)];
    results.audioModal = trees[int(Category::Audio)];
    results.videoModal = trees[int(Category::Video)];
    results.docsModal = trees[int(Category::Documents)];
    results.otherModal = trees[int(Category::Others)];
    results.modal = Modal::combine(
        {results.imageModal, results.videoModal, results.audioModal, results.docsModal, results.otherModal});
    return results;
}

double msSince(const QElapsedTimer& clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

// The longest stretch in which the event loop did not turn, seen by a
// timer that asks to run every millisecond.
class Watchdog : public QObject
{
public:
    Watchdog()
    {
        m_timer.setInterval(1);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const double now = msSince(m_clock);
            m_longest = qMax(m_longest, now - m_last);
            m_last = now;
        });
    }
    void start()
    {
        m_clock.start();
        m_last = 0;
        m_longest = 0;
        m_timer.start();
    }
    double stop()
    {
        m_timer.stop();
        return qMax(m_longest, msSince(m_clock) - m_last);
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    double m_last = 0;
    double m_longest = 0;
};

void drain()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/tidemark-bookkeeping-bench-XXXXXX"));
    if (!home.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString base = home.path();
    for (const char* sub : {"/data", "/config", "/cache", "/state", "/runtime"}) {
        QDir().mkpath(base + QLatin1String(sub));
    }
    ::chmod(QFile::encodeName(base + QStringLiteral("/runtime")).constData(), 0700);
    qputenv("HOME", QFile::encodeName(base));
    qputenv("XDG_DATA_HOME", QFile::encodeName(base + QStringLiteral("/data")));
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

    QList<int> counts;
    for (int i = 1; i < argc; ++i) {
        counts.append(QByteArray(argv[i]).toInt());
    }
    if (counts.isEmpty()) {
        counts = {100000, 500000};
    }

    MainWindow window;
    AppDelegate delegate(&window, AppDelegate::Options{false, false, false});
    if (!delegate.launch()) {
        std::fprintf(stderr, "launch failed\n");
        return 1;
    }
    drain();
    ReviewController* review = delegate.review();
    ExceptionController* exceptions = delegate.exceptionCommands();
    const QByteArray root = QFile::encodeName(base + QStringLiteral("/tree"));
    Watchdog watchdog;
    bool ok = true;

    std::printf("| sets | files marked | exceptions: UI ms | longest stall ms | deletion bookkeeping: UI ms "
                "(of which the tree's) | longest stall ms |\n|---:|---:|---:|---:|---:|---:|\n");
    for (int count : counts) {
        // Add to Exceptions with everything marked.
        review->showResults(buildResult(root, count));
        drain();
        review->markAllClicked();
        drain();
        const quint64 marked = review->modal()->totalFilesSelected();
        QElapsedTimer clock;
        watchdog.start();
        clock.start();
        exceptions->addExceptionsOKClicked();
        drain();
        const double exceptionMs = msSince(clock);
        const double exceptionStall = watchdog.stop();
        if (review->modal()->totalFilesSelected() != 0) {
            std::fprintf(stderr, "%llu files still marked after Add to Exceptions\n",
                         (unsigned long long)review->modal()->totalFilesSelected());
            ok = false;
        }
        QDir(QFile::decodeName(root)).removeRecursively();

        // The tree's half of deleting every marked file: the sets come back
        // from the Trash run in batches, as the window's poll takes them
        // (DeletionController::applyRemoved), the Trash calls left out.
        review->showResults(buildResult(root, count));
        drain();
        review->markAllClicked();
        drain();
        const ModalPtr modal = review->modal();
        struct Removed
        {
            SetPtr set;
            ExtensionsPtr extension;
            QList<FilePtr> files;
        };
        QList<Removed> all;
        for (const ExtensionsPtr& group : modal->extensionsArray()) {
            for (const SetPtr& set : group->sets()) {
                QList<FilePtr> files;
                for (const FilePtr& f : set->files()) {
                    if (f->state() != 0) {
                        files.append(f);
                    }
                }
                all.append({set, group, files});
            }
        }
        constexpr qsizetype Batch = 2000;
        watchdog.start();
        clock.start();
        QElapsedTimer treeClock;
        qint64 treeNs = 0;
        QElapsedTimer refreshed;
        for (qsizetype from = 0; from < all.size(); from += Batch) {
            treeClock.start();
            for (qsizetype i = from; i < qMin(from + Batch, all.size()); ++i) {
                modal->forgetRemovedFilesInSet(all[i].set, all[i].extension, all[i].files);
            }
            treeNs += treeClock.nsecsElapsed();
            // As the deletion controller does: the outline at most once a second.
            if (!refreshed.isValid() || refreshed.elapsed() >= 1000) {
                review->outlineModel()->refresh();
                refreshed.start();
            }
            QCoreApplication::processEvents();
        }
        review->reloadAfterRemoval();
        review->setMarkedFilesDetails();
        review->enableNecessaryButton();
        drain();
        const double deleteMs = msSince(clock);
        const double deleteStall = watchdog.stop();
        if (modal->totalFilesSelected() != 0 || modal->totalFiles() != 0) {
            std::fprintf(stderr, "after the deletion %llu files are marked and %llu duplicates left\n",
                         (unsigned long long)modal->totalFilesSelected(),
                         (unsigned long long)modal->totalFiles());
            ok = false;
        }
        std::printf("| %d | %llu | %.0f | %.0f | %.0f (%.0f) | %.0f |\n", count, (unsigned long long)marked,
                    exceptionMs, exceptionStall, deleteMs, double(treeNs) / 1e6, deleteStall);
        std::fflush(stdout);
    }
    struct rusage usage
    {
    };
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("peak RSS: %ld KiB\n", usage.ru_maxrss);
    return ok ? 0 : 1;
}
