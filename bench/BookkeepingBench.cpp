// Times the window's bookkeeping on large results: Add to Exceptions with
// every set marked, and the tree's half of a deletion (what the window does
// with each set the Trash run hands back), at each set count given.
#include "app/AppDelegate.h"
#include "app/DeletionController.h"
#include "app/ExceptionController.h"
#include "app/ReviewController.h"
#include "review/ResultStore.h"
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
        QList<FilePtr> files;
        const int n = 2 + (i % 2);
        const quint64 size = 1000 + quint64(i % 5000) * 7;
        for (int k = 0; k < n; ++k) {
            files.append(FilePtr(new File(
                folder, "f" + QByteArray::number(i) + '_' + QByteArray::number(k) + '.' + group->name(),
                size)));
        }
        group->addSet(Set::fromFiles(files));
    }
    for (const ExtensionsPtr& group : groups) {
        group->calculateTotalFilesAndSize();
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

    ResultStore* store = review->store();
    std::printf("| sets | files marked | exceptions: UI ms | longest stall ms | deletion bookkeeping: UI ms "
                "| longest stall ms |\n|---:|---:|---:|---:|---:|---:|\n");
    for (int count : counts) {
        // Add to Exceptions with everything marked: the store takes the
        // files out a slice per turn of the event loop, the list grows with
        // each slice and is written at the end. All of it runs on the UI
        // thread, so the time until the report is up is UI-thread time.
        review->showResults(buildResult(root, count));
        drain();
        review->markAllClicked();
        drain();
        const quint64 marked = review->modal()->totalFilesSelected();
        bool finished = false;
        const auto done =
            QObject::connect(store, &ResultStore::exceptionMoveFinished, [&finished] { finished = true; });
        QElapsedTimer clock;
        watchdog.start();
        clock.start();
        exceptions->addExceptionsOKClicked();
        while (!finished) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
        const double exceptionMs = msSince(clock);
        drain();
        const double exceptionStall = watchdog.stop();
        QObject::disconnect(done);
        if (review->modal()->totalFilesSelected() != 0 ||
            delegate.exceptions().exceptionArrayData().size() != qsizetype(marked)) {
            std::fprintf(stderr, "%llu files still marked, %lld listed after Add to Exceptions\n",
                         (unsigned long long)review->modal()->totalFilesSelected(),
                         (long long)delegate.exceptions().exceptionArrayData().size());
            ok = false;
        }
        delegate.exceptions().removeAll();
        QDir(QFile::decodeName(root)).removeRecursively();

        // The tree's half of deleting every marked file: the sets come back
        // from the Trash run all at once (no Trash calls here), and are
        // applied as the deletion controller applies them, a bounded share
        // per turn of the event loop, then the page's follow-up.
        review->showResults(buildResult(root, count));
        drain();
        review->markAllClicked();
        drain();
        const ModalPtr modal = review->modal();
        QList<DeletionRun::Removed> all;
        for (int g = 0; g < int(modal->extensionsArray().size()); ++g) {
            const ExtensionsPtr& group = modal->extensionsArray().at(g);
            for (int k = 0; k < int(group->sets().size()); ++k) {
                const SetPtr& set = group->sets().at(k);
                QList<FilePtr> files;
                for (const FilePtr& f : set->files()) {
                    if (isMarked(f->state())) {
                        files.append(f);
                    }
                }
                all.append({group, set, g, k, files, 0});
            }
        }
        watchdog.start();
        qint64 uiNs = 0;
        qsizetype applied = 0;
        while (applied < all.size()) {
            clock.start();
            while (applied < all.size() && clock.elapsed() < DeletionController::ApplyBudgetMs) {
                const qsizetype end = qMin(all.size(), applied + DeletionController::ApplyChunk);
                store->forgetRemoved(all.mid(applied, end - applied));
                applied = end;
            }
            uiNs += clock.nsecsElapsed();
            clock.start();
            QCoreApplication::processEvents();
            uiNs += clock.nsecsElapsed();
        }
        clock.start();
        drain();
        uiNs += clock.nsecsElapsed();
        const double deleteStall = watchdog.stop();
        if (modal->totalFilesSelected() != 0 || modal->totalFiles() != 0) {
            std::fprintf(stderr, "after the deletion %llu files are marked and %llu duplicates left\n",
                         (unsigned long long)modal->totalFilesSelected(),
                         (unsigned long long)modal->totalFiles());
            ok = false;
        }
        std::printf("| %d | %llu | %.0f | %.0f | %.0f | %.0f |\n", count, (unsigned long long)marked,
                    exceptionMs, exceptionStall, double(uiNs) / 1e6, deleteStall);
        std::fflush(stdout);
    }
    struct rusage usage
    {
    };
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("peak RSS: %ld KiB\n", usage.ru_maxrss);
    return ok ? 0 : 1;
}
