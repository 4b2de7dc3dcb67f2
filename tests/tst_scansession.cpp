#include "TestSupport.h"
#include "scan/ScanSession.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

namespace {

constexpr int Long = 60000; // generous: the machine is shared and may be slow

bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QList<LocationEntry> folder(const QString& path)
{
    return {LocationEntry{QFile::encodeName(path), true, true}};
}

// Every set of the tree as its sorted paths, relative to `root`, after
// checking that the tree holds together: each set has two or more distinct
// files of one size and identical bytes, and the counters add up.
QSet<QByteArrayList> setsOf(const ModalPtr& modal, const QString& root)
{
    QSet<QByteArrayList> sets;
    if (!modal) {
        return sets;
    }
    const QByteArray prefix = QFile::encodeName(root) + '/';
    QSet<QByteArray> seen;
    quint64 duplicates = 0;
    for (const ExtensionsPtr& extension : modal->extensionsArray()) {
        quint64 inExtension = 0;
        for (const SetPtr& set : extension->sets()) {
            const QList<FilePtr>& files = set->files();
            if (files.size() < 2) {
                qWarning("set with fewer than two files");
                return {};
            }
            QFile first(QFile::decodeName(files.first()->filePath()));
            first.open(QIODevice::ReadOnly);
            const QByteArray bytes = first.readAll();
            QByteArrayList paths;
            for (const FilePtr& file : files) {
                QFile f(QFile::decodeName(file->filePath()));
                f.open(QIODevice::ReadOnly);
                if (file->fileSize() != files.first()->fileSize() || f.readAll() != bytes ||
                    seen.contains(file->filePath())) {
                    qWarning("set mixes different or repeated files: %s", file->filePath().constData());
                    return {};
                }
                seen.insert(file->filePath());
                paths.append(file->filePath().mid(prefix.size()));
            }
            std::sort(paths.begin(), paths.end());
            sets.insert(paths);
            inExtension += set->totalFilesInSet();
            if (set->totalFilesInSet() != quint64(files.size()) - 1) {
                qWarning("set counter is off");
                return {};
            }
        }
        if (extension->totalFilesInExtension() != inExtension) {
            qWarning("group counter is off");
            return {};
        }
        duplicates += inExtension;
    }
    if (modal->totalFiles() != duplicates) {
        qWarning("tree counter is off");
        return {};
    }
    return sets;
}

} // namespace

class TestScanSession : public QObject
{
    Q_OBJECT

private:
    // Starts a scan of the large tree and pauses it in collection: the run
    // is held before it walks anything, paused there, then let go, so it
    // comes to rest at its first pause check with nothing collected.
    bool holdInCollection(ScanSession& session)
    {
        QSignalSpy consumed(&session, &ScanSession::locationsConsumed);
        session.setHeldAt(ScanControl::Point::BeforeCollection, true);
        session.buttonFindDuplicatesExactClicked(folder(m_large));
        if (!QTest::qWaitFor([&] { return session.isWaitingAt(ScanControl::Point::BeforeCollection); },
                             Long)) {
            return false;
        }
        session.pause();
        session.setHeldAt(ScanControl::Point::BeforeCollection, false);
        return QTest::qWaitFor([&] { return session.restsInPause(); }, Long) && consumed.isEmpty();
    }

    QTemporaryDir m_home;
    QString m_small; // a few known sets
    QString m_large; // many same-size files: long enough to catch mid-run
    QString m_empty; // nothing collectable
    QSet<QByteArrayList> m_smallSets;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        QVERIFY(TestSupport::isolateUserFolders(m_home));
        QCoreApplication::setOrganizationName(QStringLiteral("Quillon"));
        QCoreApplication::setApplicationName(QStringLiteral("Tidemark"));

        m_small = m_home.filePath(QStringLiteral("small"));
        const QList<QPair<QString, QByteArray>> files{{"img/a.jpg", "JPEGDATA-1"},
                                                      {"img/sub/b.jpg", "JPEGDATA-1"},
                                                      {"docs/c.txt", "hello world\n"},
                                                      {"docs/d.txt", "hello world\n"},
                                                      {"e.txt", "hello world\n"},
                                                      {"x.dat", "0123456789abcdef"},
                                                      {"deep/er/y.dat", "0123456789abcdef"},
                                                      {"z.dat", "0123456789abcdeX"},
                                                      {"u.dat", "unique"}};
        for (const auto& [name, content] : files) {
            QVERIFY(writeFile(m_small + '/' + name, content));
        }
        m_smallSets = {{"img/a.jpg", "img/sub/b.jpg"},
                       {"docs/c.txt", "docs/d.txt", "e.txt"},
                       {"deep/er/y.dat", "x.dat"}};

        m_large = m_home.filePath(QStringLiteral("large"));
        QVERIFY(TestSupport::writeSlowTree(m_large));

        m_empty = m_home.filePath(QStringLiteral("empty"));
        QVERIFY(QDir().mkpath(m_empty + QStringLiteral("/only/folders")));
        QVERIFY(QFile::link(m_small + QStringLiteral("/x.dat"), m_empty + QStringLiteral("/link.dat")));
    }

    void timeFormat_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "Elapsed Time: 00:00:00";
        QTest::newRow("61 s") << 61.0 << "Elapsed Time: 00:01:01";
        QTest::newRow("3725 s") << 3725.0 << "Elapsed Time: 01:02:05";
        QTest::newRow("25 h wraps") << 90000.0 << "Elapsed Time: 01:00:00";
        QTest::newRow("fraction dropped") << 59.9 << "Elapsed Time: 00:00:59";
        QTest::newRow("two digits") << 36000.0 + 600 + 10 << "Elapsed Time: 10:10:10";
        QTest::newRow("negative") << -5.0 << "Elapsed Time: 00:00:00";
    }

    void timeFormat()
    {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(ScanSession::getTimeFormStringForInterval(seconds), text);
    }

    void comparedText()
    {
        QCOMPARE(ScanSession::comparedText(0, 10, 0, 4000000),
                 QStringLiteral("Compared 0 of 10 files (0.00 KB of 4.00 MB)"));
        QCOMPARE(ScanSession::comparedText(3, 10, 1200000, 4000000),
                 QStringLiteral("Compared 3 of 10 files (1.20 MB of 4.00 MB)"));
    }

    // The holds are named: the close guard's hold is one however often it is
    // set, the notice lifts only it, and the title and Stop follow the user's
    // own pause alone.
    void namedHolds()
    {
        ScanSession session;
        QSignalSpy consumed(&session, &ScanSession::locationsConsumed);
        QSignalSpy finished(&session, &ScanSession::scanFinished);
        QSignalSpy stopEnabled(&session, &ScanSession::stopEnabledChanged);
        session.setDetectionGate(true);
        session.buttonFindDuplicatesExactClicked(folder(m_small));
        QTRY_COMPARE_WITH_TIMEOUT(consumed.count(), 1, Long);

        session.holdForGuard();
        session.holdForGuard();
        QVERIFY(session.isPaused() && session.guardHeld() && !session.userPaused());
        QCOMPARE(session.pauseTitle(), QStringLiteral("Pause"));
        QVERIFY(stopEnabled.last().first().toBool());
        session.releaseGuard();
        QVERIFY(!session.isPaused());

        session.holdForGuard();
        session.pause();
        QCOMPARE(session.pauseTitle(), QStringLiteral("Resume"));
        QVERIFY(!stopEnabled.last().first().toBool());
        session.releaseGuard();
        QVERIFY(session.isPaused()); // the user's pause stays
        QCOMPARE(session.pauseTitle(), QStringLiteral("Resume"));
        session.pause();
        QVERIFY(!session.isPaused());
        QVERIFY(stopEnabled.last().first().toBool());

        // Stop, then No, under the guard's hold: the question's hold goes,
        // the guard's stays until its notice is answered.
        session.holdForGuard();
        session.stop();
        QCOMPARE(session.pauseTitle(), QStringLiteral("Resume"));
        session.stopNOClicked();
        QCOMPARE(session.pauseTitle(), QStringLiteral("Pause"));
        QVERIFY(session.isPaused() && session.guardHeld());
        session.releaseGuard();
        QVERIFY(!session.isPaused());

        session.setDetectionGate(false);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, Long);
        QVERIFY(!session.scanning());
    }

    // Each named point holds the run until it is released; a stop asked
    // while the run is held ends it there.
    void heldPointsStopTheRunWhereNamed()
    {
        ScanSession session;
        QSignalSpy consumed(&session, &ScanSession::locationsConsumed);
        QSignalSpy detection(&session, &ScanSession::detectionStarted);
        QSignalSpy finished(&session, &ScanSession::scanFinished);
        session.setHeldAt(ScanControl::Point::BeforeDetection, true);
        session.setHeldAt(ScanControl::Point::BeforeFinish, true);
        session.buttonFindDuplicatesExactClicked(folder(m_small));
        QTRY_VERIFY_WITH_TIMEOUT(session.isWaitingAt(ScanControl::Point::BeforeDetection), Long);
        QTRY_COMPARE_WITH_TIMEOUT(consumed.count(), 1, Long);
        QCOMPARE(detection.count(), 0);
        QCOMPARE(session.processed(), 0ULL);

        session.setHeldAt(ScanControl::Point::BeforeDetection, false);
        QTRY_VERIFY_WITH_TIMEOUT(session.isWaitingAt(ScanControl::Point::BeforeFinish), Long);
        QCOMPARE(session.processed(), 9ULL); // every file compared, nothing handed over
        QCoreApplication::sendPostedEvents();
        QCOMPARE(finished.count(), 0);
        QVERIFY(session.scanning());
        session.setHeldAt(ScanControl::Point::BeforeFinish, false);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, Long);
        QCOMPARE(setsOf(session.results().modal, m_small), m_smallSets);
        QTRY_VERIFY_WITH_TIMEOUT(!session.scanning(), Long);
        session.setHeldAt(ScanControl::Point::BeforeFinish, true);

        // Held again, then stopped there: the hold lets go and the run ends
        // with the point still held.
        session.buttonFindDuplicatesExactClicked(folder(m_small));
        QTRY_VERIFY_WITH_TIMEOUT(session.isWaitingAt(ScanControl::Point::BeforeFinish), Long);
        session.stop();
        session.stopYesClicked();
        QTRY_VERIFY_WITH_TIMEOUT(session.allRunsEnded(), Long);
        QVERIFY(!session.scanning());
        QVERIFY(!session.isWaitingAt(ScanControl::Point::BeforeFinish));
    }

    void wholeScan()
    {
        ScanSession session;
        QSignalSpy page(&session, &ScanSession::scanPageRequested);
        QSignalSpy detection(&session, &ScanSession::detectionStarted);
        QSignalSpy finished(&session, &ScanSession::scanFinished);
        QSignalSpy consumed(&session, &ScanSession::locationsConsumed);
        session.buttonFindDuplicatesExactClicked(folder(m_small));
        QCOMPARE(page.count(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, Long);
        QCOMPARE(detection.count(), 1);
        QCOMPARE(detection.first().first().toULongLong(), 9ULL);
        QCOMPARE(consumed.count(), 1);
        QCOMPARE(setsOf(session.results().modal, m_small), m_smallSets);
        QCOMPARE(session.results().modal->extensionCount(), 3ULL);
        QVERIFY(session.results().imageModal && session.results().docsModal && session.results().otherModal);
        QCOMPARE(session.processed(), 9ULL);
        QTRY_VERIFY_WITH_TIMEOUT(!session.scanning(), Long);
    }

    void pauseAndResume()
    {
        ScanSession session;
        QSignalSpy stopEnabled(&session, &ScanSession::stopEnabledChanged);
        QSignalSpy animation(&session, &ScanSession::animationRunningChanged);
        QSignalSpy title(&session, &ScanSession::pauseTitleChanged);
        QSignalSpy finished(&session, &ScanSession::scanFinished);
        session.setHeldAt(ScanControl::Point::BeforeCollection, true);
        session.buttonFindDuplicatesExactClicked(folder(m_large));
        QTRY_VERIFY_WITH_TIMEOUT(session.isWaitingAt(ScanControl::Point::BeforeCollection), Long);
        stopEnabled.clear();
        animation.clear();
        title.clear();

        session.pause();
        session.setHeldAt(ScanControl::Point::BeforeCollection, false);
        QVERIFY(session.isPaused());
        QCOMPARE(session.pauseTitle(), QStringLiteral("Resume"));
        QCOMPARE(title.last().first().toString(), QStringLiteral("Resume"));
        QCOMPARE(stopEnabled.last().first().toBool(), false);
        QCOMPARE(animation.last().first().toBool(), false);
        // Held: the worker has come to rest in the pause and cannot finish.
        QTRY_VERIFY_WITH_TIMEOUT(session.restsInPause(), Long);
        QCOMPARE(finished.count(), 0);

        session.pause();
        QVERIFY(!session.isPaused());
        QCOMPARE(session.pauseTitle(), QStringLiteral("Pause"));
        QCOMPARE(stopEnabled.last().first().toBool(), true);
        QCOMPARE(animation.last().first().toBool(), true);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, Long);
        QCOMPARE(session.results().modal->extensionCount(), 1ULL);
    }

    void stopThenNo_data()
    {
        QTest::addColumn<bool>("pausedFirst");
        QTest::newRow("running") << false;
        QTest::newRow("paused by the user") << true;
    }

    void stopThenNo()
    {
        QFETCH(bool, pausedFirst);
        ScanSession session;
        QSignalSpy confirmation(&session, &ScanSession::confirmationVisibleChanged);
        QSignalSpy pauseEnabled(&session, &ScanSession::pauseResumeEnabledChanged);
        QSignalSpy finished(&session, &ScanSession::scanFinished);
        session.buttonFindDuplicatesExactClicked(folder(m_large));
        if (pausedFirst) {
            session.pause();
        }
        session.stop();
        QCOMPARE(confirmation.last().first().toBool(), true);
        QCOMPARE(pauseEnabled.last().first().toBool(), false);
        QVERIFY(session.isPaused());
        QVERIFY(!session.stopRequested());

        session.stopNOClicked();
        QCOMPARE(confirmation.last().first().toBool(), false);
        QCOMPARE(pauseEnabled.last().first().toBool(), true);
        QVERIFY(!session.isPaused());
        QCOMPARE(session.pauseTitle(), QStringLiteral("Pause"));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, Long);
        QVERIFY(!setsOf(session.results().modal, m_large).isEmpty());
    }

    void stopYesDuringDetection()
    {
        ScanSession session;
        // Hold detection the moment it is announced, so the stop lands in it.
        connect(&session, &ScanSession::detectionStarted, &session, [&session] { session.pause(); });
        QSignalSpy detection(&session, &ScanSession::detectionStarted);
        QSignalSpy finished(&session, &ScanSession::scanFinished);
        QSignalSpy collectionStopped(&session, &ScanSession::collectionStopped);
        session.buttonFindDuplicatesExactClicked(folder(m_large));
        QTRY_COMPARE_WITH_TIMEOUT(detection.count(), 1, Long);
        session.stop();
        session.stopYesClicked();
        QVERIFY(!session.isPaused());
        QVERIFY(session.stopRequested());
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, Long);
        QCOMPARE(collectionStopped.count(), 0);
        QVERIFY(session.results().modal);
        const QSet<QByteArrayList> partial = setsOf(session.results().modal, m_large);
        QVERIFY(session.results().modal->extensionCount() == 0 || !partial.isEmpty());
        QVERIFY(partial.size() <= 256);
    }

    void stopYesDuringCollection()
    {
        ScanSession session;
        QVERIFY(holdInCollection(session));
        QSignalSpy detection(&session, &ScanSession::detectionStarted);
        QSignalSpy finished(&session, &ScanSession::scanFinished);
        QSignalSpy collectionStopped(&session, &ScanSession::collectionStopped);
        session.stop();
        session.stopYesClicked();
        QTRY_COMPARE_WITH_TIMEOUT(collectionStopped.count(), 1, Long);
        QTRY_VERIFY_WITH_TIMEOUT(!session.scanning(), Long);
        // Once the worker has ended, all it reported is in the queue.
        QTRY_VERIFY_WITH_TIMEOUT(session.allRunsEnded(), Long);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(detection.count(), 0);
        QCOMPARE(finished.count(), 0);
    }

    void nothingCollected()
    {
        ScanSession session;
        QSignalSpy nothing(&session, &ScanSession::nothingCollected);
        QSignalSpy consumed(&session, &ScanSession::locationsConsumed);
        QSignalSpy finished(&session, &ScanSession::scanFinished);
        QSignalSpy animation(&session, &ScanSession::animationRunningChanged);
        session.buttonFindDuplicatesExactClicked(folder(m_empty));
        QTRY_COMPARE_WITH_TIMEOUT(nothing.count(), 1, Long);
        QCOMPARE(consumed.count(), 1);
        QCOMPARE(animation.last().first().toBool(), false);
        QTRY_VERIFY_WITH_TIMEOUT(!session.scanning(), Long);
        QTRY_VERIFY_WITH_TIMEOUT(session.allRunsEnded(), Long);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(finished.count(), 0);
    }

    void twoScansInARow()
    {
        ScanSession session;
        QSignalSpy finished(&session, &ScanSession::scanFinished);
        QSignalSpy elapsed(&session, &ScanSession::elapsedTextChanged);
        QSignalSpy progress(&session, &ScanSession::progressChanged);
        session.buttonFindDuplicatesExactClicked(folder(m_small));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, Long);
        QCOMPARE(session.processed(), 9ULL);
        const ModalPtr first = session.results().modal;
        QTRY_VERIFY_WITH_TIMEOUT(!session.scanning(), Long);

        elapsed.clear();
        progress.clear();
        QVERIFY(holdInCollection(session));
        QSignalSpy second(&session, &ScanSession::scanFinished);
        QCOMPARE(session.processed(), 0ULL);
        QVERIFY(!session.results().modal);
        QCOMPARE(elapsed.last().first().toString(), QStringLiteral("Elapsed Time: 00:00:00"));
        QCOMPARE(progress.last().at(0).toULongLong(), 0ULL);
        session.pause();
        QTRY_COMPARE_WITH_TIMEOUT(second.count(), 1, Long);
        QVERIFY(session.results().modal != first);
        QCOMPARE(session.processed(), 3000ULL);
        QCOMPARE(setsOf(session.results().modal, m_large).size(), 256);
    }

    // Leaving a run for the home page: whatever that run still reports is
    // dropped, and the next scan gets only its own results.
    void homeCleanupDropsLateSignals_data()
    {
        QTest::addColumn<bool>("inDetection");
        QTest::addColumn<bool>("restartAtOnce");
        QTest::newRow("collection") << false << false;
        QTest::newRow("detection") << true << false;
        QTest::newRow("detection, new scan at once") << true << true;
    }

    void homeCleanupDropsLateSignals()
    {
        QFETCH(bool, inDetection);
        QFETCH(bool, restartAtOnce);
        ScanSession session;
        QSignalSpy detection(&session, &ScanSession::detectionStarted);
        QSignalSpy finished(&session, &ScanSession::scanFinished);
        QSignalSpy collectionStopped(&session, &ScanSession::collectionStopped);
        QSignalSpy nothing(&session, &ScanSession::nothingCollected);
        if (inDetection) {
            connect(&session, &ScanSession::detectionStarted, &session, [&session] { session.pause(); });
        }
        session.buttonFindDuplicatesExactClicked(folder(m_large));
        if (inDetection) {
            QTRY_COMPARE_WITH_TIMEOUT(detection.count(), 1, Long);
            disconnect(&session, &ScanSession::detectionStarted, &session, nullptr);
        } else {
            session.pause();
        }
        session.homeCleanup();
        QVERIFY(!session.scanning());
        QVERIFY(!session.isPaused());
        QVERIFY(!session.results().modal);
        if (!restartAtOnce) {
            // The old run winds down and reports into the void.
            QTRY_VERIFY_WITH_TIMEOUT(session.allRunsEnded(), Long);
            QCoreApplication::sendPostedEvents();
            QCOMPARE(finished.count(), 0);
            QCOMPARE(collectionStopped.count(), 0);
            QVERIFY(!session.results().modal);
        }

        session.buttonFindDuplicatesExactClicked(folder(m_small));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, Long);
        QTRY_VERIFY_WITH_TIMEOUT(!session.scanning(), Long);
        QTRY_VERIFY_WITH_TIMEOUT(session.allRunsEnded(), Long);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(collectionStopped.count(), 0);
        QCOMPARE(nothing.count(), 0);
        QCOMPARE(setsOf(session.results().modal, m_small), m_smallSets);
    }
};

QTEST_GUILESS_MAIN(TestScanSession)
#include "tst_scansession.moc"
