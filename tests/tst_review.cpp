#include "ResultTreeAccess.h"
#include "TestSupport.h"
#include "TreeBuilder.h"
#include "review/DeletionRun.h"
#include "review/MarkingRules.h"
#include "review/ResultReview.h"

#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

namespace {

using Category = ResultReview::Category;

QList<FilePtr> fakeFiles(const QByteArray& stem, const QList<quint64>& sizes)
{
    QList<FilePtr> files;
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        files.append(File::create("/nonexistent/" + stem + QByteArray::number(i), sizes.at(i)));
    }
    return files;
}

ModalPtr treeOfSets(const QByteArray& extension, const QList<QList<quint64>>& sets)
{
    QList<SetPtr> built;
    for (qsizetype i = 0; i < sets.size(); ++i) {
        built.append(TreeBuilder::buildSet(fakeFiles(extension + QByteArray::number(i) + "_", sets.at(i))));
    }
    return TreeBuilder::buildRoot({TreeBuilder::buildExt(extension, built)});
}

// The trash entry of a trashed file: the original path, exactly.
QByteArray trashedFrom(const QByteArray& trash, const QByteArray& name)
{
    const QByteArray info = TreeBuilder::readBytes(trash + "/info/" + name + ".trashinfo");
    for (const QByteArray& line : info.split('\n')) {
        if (line.startsWith("Path=")) {
            return QByteArray::fromPercentEncoding(line.mid(5));
        }
    }
    return {};
}

} // namespace

class TstReview : public QObject
{
    Q_OBJECT

    TempRoot m_home; // removes names that are not UTF-8 too
    QByteArray m_trash;
    int m_seq = 0;

    // Real files, one per content, in a fresh folder beside the home Trash.
    QList<FilePtr> realFiles(const QList<QByteArray>& contents, const QByteArray& suffix = ".bin")
    {
        const QByteArray folder = m_home.path + "/files" + QByteArray::number(++m_seq);
        ::mkdir(folder.constData(), 0700);
        QList<FilePtr> files;
        for (qsizetype i = 0; i < contents.size(); ++i) {
            const QByteArray path = folder + "/f" + QByteArray::number(i) + suffix;
            if (!TreeBuilder::writeBytes(path, contents.at(i))) {
                qFatal("cannot write %s", path.constData());
            }
            files.append(File::create(path, contents.at(i).size()));
        }
        return files;
    }

    // Runs a deletion to its end and takes the handled sets out of the tree,
    // as the window does.
    static RemovalResult runToEnd(DeletionRun& run, Modal& modal, QList<SetPtr>* order = nullptr)
    {
        run.start();
        // The run hands back its sets in tree order; once it has ended they are all there.
        run.wait();
        RemovalResult total;
        for (const DeletionRun::Removed& r : run.takeRemoved()) {
            const RemovalResult one = modal.forgetRemovedFilesInSet(r.set, r.extension, r.files);
            total.deletedFilesCount += one.deletedFilesCount;
            total.deletedFilesSize += one.deletedFilesSize;
            if (order) {
                order->append(r.set);
            }
        }
        return total;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.dir.isValid());
        const QByteArray home = m_home.path;
        QCOMPARE(::mkdir((home + "/data").constData(), 0700), 0);
        // Before the first GIO call: GIO caches the data folder for the process.
        qputenv("HOME", home);
        qputenv("XDG_DATA_HOME", home + "/data");
        m_trash = home + "/data/Trash";
    }

    void categorySummariesShowOncePerScan()
    {
        ScanResults results;
        results.imageModal = treeOfSets("jpg", {{10, 10, 10}});
        results.videoModal = Modal::create();
        results.audioModal = treeOfSets("mp3", {{7, 7}});
        results.docsModal = treeOfSets("pdf", {{2000, 2000}, {5, 5}});
        results.otherModal = treeOfSets("bin", {{1, 1, 1, 1}});
        results.modal = Modal::combine({results.imageModal, results.videoModal, results.audioModal,
                                        results.docsModal, results.otherModal});
        ResultReview review;
        review.setResults(results);
        QCOMPARE(review.category(), Category::All);
        QCOMPARE(review.modal(), results.modal);

        auto all = review.showInformationWindowAccordingTab();
        QVERIFY(all);
        QCOMPARE(all->header, QStringLiteral("Duplicates Found"));
        QCOMPARE(all->first, QStringLiteral("Media: 3")); // two image copies, one audio copy
        QCOMPARE(all->second, QStringLiteral("Documents: 2"));
        QCOMPARE(all->third, QStringLiteral("Others: 3"));
        QCOMPARE(all->image, QStringLiteral("common_info"));
        QCOMPARE(all->buttonTitle, QStringLiteral("Review"));
        QVERIFY(!review.showInformationWindowAccordingTab());

        // A category's first visit shows its summary; the next one nothing.
        QVERIFY(!review.selectCategory(Category::Documents));
        QCOMPARE(review.modal(), results.docsModal);
        auto docs = review.showInformationWindowAccordingTab();
        QVERIFY(docs);
        QCOMPARE(docs->header, QStringLiteral("Information"));
        QCOMPARE(docs->first, QStringLiteral("Documents Duplicates: 2"));
        QCOMPARE(docs->second, QStringLiteral("Memory Occupied: 2.01 KB"));
        QCOMPARE(docs->third, QString());
        QCOMPARE(docs->image, QStringLiteral("document_info"));
        QVERIFY(!review.selectCategory(Category::Documents));
        QVERIFY(!review.showInformationWindowAccordingTab());
        QCOMPARE(review.routeAfterInformation(), ResultReview::Route::Stay);

        // An empty category: its message, once, then the way back to All.
        auto videos = review.selectCategory(Category::Videos);
        QVERIFY(videos);
        QCOMPARE(videos->first, QStringLiteral("No Video Duplicates Found"));
        QCOMPARE(videos->image, QStringLiteral("video_info"));
        QCOMPARE(videos->buttonTitle, QStringLiteral("Ok"));
        QVERIFY(review.summaryShown(Category::Videos));
        QVERIFY(!review.showInformationWindowAccordingTab());
        QCOMPARE(review.routeAfterInformation(), ResultReview::Route::ShowAll);

        // All is a new root over the same groups, with the five totals summed.
        QVERIFY(!review.selectCategory(Category::All));
        QVERIFY(review.modal() != results.modal);
        QCOMPARE(review.modal()->extensionCount(), 4ULL);
        QCOMPARE(review.modal()->extensions().at(0), results.imageModal->extensions().at(0));
        QCOMPARE(review.modal()->totalFiles(), 8ULL);
        QCOMPARE(review.modal()->totalFilesSelected(), 0ULL);

        // Home clean-up: every summary may show again.
        review.clear();
        QCOMPARE(review.category(), Category::None);
        QCOMPARE(review.routeAfterInformation(), ResultReview::Route::Stay);
        review.setResults(results);
        QVERIFY(review.showInformationWindowAccordingTab());
    }

    void emptyResultGoesHome()
    {
        ResultReview review;
        ScanResults empty;
        for (ModalPtr* tree : {&empty.imageModal, &empty.videoModal, &empty.audioModal, &empty.docsModal,
                               &empty.otherModal, &empty.modal}) {
            *tree = Modal::create();
        }
        review.setResults(empty);
        const auto summary = review.showInformationWindowAccordingTab();
        QVERIFY(summary);
        QCOMPARE(summary->first, QStringLiteral("Media: 0"));
        QCOMPARE(summary->second, QStringLiteral("Documents: 0"));
        QCOMPARE(summary->third, QStringLiteral("Others: 0"));
        QCOMPARE(review.routeAfterInformation(), ResultReview::Route::GoHome);
    }

    void setRuleKeepsOneFileUnmarked()
    {
        ModalPtr modal = treeOfSets("bin", {{100, 100, 100}, {9}});
        const ExtensionsPtr group = modal->extensions().first();
        const SetPtr three = group->sets().at(0);
        const SetPtr single = group->sets().at(1);
        using Click = MarkingRules::FileClick;

        QCOMPARE(MarkingRules::collectionViewCheckButtonCLicked(*modal, group, three, three->files().at(0)),
                 Click::Marked);
        QCOMPARE(MarkingRules::collectionViewCheckButtonCLicked(*modal, group, three, three->files().at(1)),
                 Click::Marked);
        QVERIFY(MarkingRules::allDuplicatesAreSelectedOfSet(*three));
        // The third would leave the set without a copy: refused, nothing changes.
        QCOMPARE(MarkingRules::collectionViewCheckButtonCLicked(*modal, group, three, three->files().at(2)),
                 Click::Refused);
        QCOMPARE(three->files().at(2)->state(), MarkState::Unmarked);
        QCOMPARE(modal->totalFilesSelected(), 2ULL);
        QCOMPARE(modal->totalFilesSelectedSize(), 200ULL);
        // Unmarking is always allowed, and then the third may be marked.
        QCOMPARE(MarkingRules::collectionViewCheckButtonCLicked(*modal, group, three, three->files().at(0)),
                 Click::Unmarked);
        QCOMPARE(MarkingRules::collectionViewCheckButtonCLicked(*modal, group, three, three->files().at(2)),
                 Click::Marked);
        QCOMPARE(three->setsState(), MarkState::Marked);

        // The only file of a set cannot be marked.
        QCOMPARE(MarkingRules::collectionViewCheckButtonCLicked(*modal, group, single, single->files().at(0)),
                 Click::Refused);
        // A file that is not in the set changes nothing.
        QCOMPARE(MarkingRules::collectionViewCheckButtonCLicked(*modal, group, single, three->files().at(0)),
                 Click::NoFile);
        QCOMPARE(modal->totalFilesSelected(), 2ULL);
    }

    void buttonsFollowTheMarks()
    {
        using States = MarkingRules::ButtonStates;
        auto same = [](const States& a, const States& b) {
            return a.markAll == b.markAll && a.unMarkAll == b.unMarkAll &&
                   a.sendToRecycle == b.sendToRecycle && a.deletePermanently == b.deletePermanently &&
                   a.addEceptionBtn == b.addEceptionBtn && a.sortPopupBtn == b.sortPopupBtn;
        };
        const States none = MarkingRules::enableNecessaryButton(Modal::create().get());
        QVERIFY(same(none, States{false, false, false, std::nullopt, false, false}));

        ModalPtr modal = treeOfSets("bin", {{5, 5, 5}, {3, 3}});
        QVERIFY(same(MarkingRules::enableNecessaryButton(modal.get()),
                     States{true, false, false, false, false, true}));
        const ExtensionsPtr group = modal->extensions().first();
        modal->changeStateOfExtension(group, group->sets().at(1));
        QVERIFY(same(MarkingRules::enableNecessaryButton(modal.get()),
                     States{true, true, true, true, true, std::nullopt}));
        modal->markAllExtension();
        QCOMPARE(modal->totalFilesSelected(), modal->totalFiles());
        QVERIFY(same(MarkingRules::enableNecessaryButton(modal.get()),
                     States{false, true, true, true, true, std::nullopt}));
        // More marks than files cannot happen through the tree: nothing is touched.
        ResultTreeAccess::setTotalFilesSelected(*modal, modal->totalFiles() + 1);
        QVERIFY(same(MarkingRules::enableNecessaryButton(modal.get()), States{}));
    }

    void deletionTrashesMarkedFilesInTreeOrder()
    {
        const QByteArray a = "alpha content", b = "bravo content!", c = "charlie", d = "delta";
        const QList<FilePtr> setA = realFiles({a, a, a});
        const QList<FilePtr> setB = realFiles({b, b});
        const QList<FilePtr> setC = realFiles({c, c}, ".txt");
        const QList<FilePtr> setD = realFiles({d, d}, ".dat");
        // The first file of a name that is not UTF-8.
        const QByteArray odd = setB.at(1)->folder() + "caf\xe9.bin";
        QCOMPARE(::rename(setB.at(1)->filePath().constData(), odd.constData()), 0);
        const QList<FilePtr> setBOdd{setB.at(0), File::create(odd, b.size())};

        const SetPtr sa = TreeBuilder::buildSet(setA), sb = TreeBuilder::buildSet(setBOdd);
        const SetPtr sc = TreeBuilder::buildSet(setC), sd = TreeBuilder::buildSet(setD);
        ModalPtr modal =
            TreeBuilder::buildRoot({TreeBuilder::buildExt("bin", {sa, sb}),
                                    TreeBuilder::buildExt("dat", {sd}), TreeBuilder::buildExt("txt", {sc})});
        const ExtensionsPtr bin = modal->extensions().at(0), txt = modal->extensions().at(2);
        modal->changeStateOfExtension(bin, sa);
        modal->changeStateOfExtension(bin, sb);
        modal->changeStateOfExtension(txt, sc);
        QCOMPARE(modal->totalFilesSelected(), 4ULL);

        DeletionRun run(*modal);
        QCOMPARE(run.maximum(), 4ULL);
        QList<SetPtr> order;
        const RemovalResult total = runToEnd(run, *modal, &order);
        QCOMPARE(order, (QList<SetPtr>{sa, sb, sc})); // the unmarked group is passed over
        QCOMPARE(run.progress(), 4ULL);
        QCOMPARE(total.deletedFilesCount, 4ULL);
        QCOMPARE(total.deletedFilesSize, quint64(2 * a.size() + b.size() + c.size()));

        for (const FilePtr& f : {setA.at(1), setA.at(2), setBOdd.at(1), setC.at(1)}) {
            QVERIFY2(!TreeBuilder::exists(f->filePath()), f->filePath().constData());
            QCOMPARE(trashedFrom(m_trash, f->fileName()), f->filePath());
            QCOMPARE(TreeBuilder::readBytes(m_trash + "/files/" + f->fileName()).size(),
                     qsizetype(f->fileSize()));
        }
        for (const SetPtr& s : {sa, sb, sc, sd}) {
            QVERIFY(TreeBuilder::exists(s->files().first()->filePath()));
        }
        QCOMPARE(sa->nameOfSet(), QStringLiteral("Set(0)"));
        QCOMPARE(modal->extensionCount(), 3ULL);
        QCOMPARE(modal->totalFilesSelected(), 0ULL);
        QCOMPARE(modal->totalFiles(), 1ULL); // the untouched .dat copy
        QCOMPARE(sd->files().size(), 2);
    }

    void deletionSkipsWhatChangedOnDisk()
    {
        const QByteArray x = "xray xray xray", y = "yankee yankee";
        const QList<FilePtr> gone = realFiles({x, x, x});
        const QList<FilePtr> changed = realFiles({y, y});
        const SetPtr sGone = TreeBuilder::buildSet(gone), sChanged = TreeBuilder::buildSet(changed);
        ModalPtr modal = TreeBuilder::buildRoot({TreeBuilder::buildExt("bin", {sGone, sChanged})});
        modal->markAllExtension();
        QCOMPARE(modal->totalFilesSelected(), 3ULL);

        // Deleted behind our back; and a kept copy that no longer holds the bytes.
        QCOMPARE(::unlink(gone.at(1)->filePath().constData()), 0);
        QVERIFY(TreeBuilder::writeBytes(changed.at(0)->filePath(), "yankee yankeE"));

        DeletionRun run(*modal);
        const RemovalResult total = runToEnd(run, *modal);
        QCOMPARE(total.deletedFilesCount, 1ULL);
        QVERIFY(!TreeBuilder::exists(gone.at(2)->filePath()));
        QCOMPARE(sGone->files().size(), 2);
        QCOMPARE(gone.at(1)->state(), MarkState::Marked); // skipped: still listed and marked
        QVERIFY(TreeBuilder::exists(changed.at(1)->filePath()));
        QCOMPARE(changed.at(1)->state(), MarkState::Marked);
        QCOMPARE(modal->totalFilesSelected(), 2ULL);
    }

    void stopWhilePausedTrashesNothing()
    {
        const QByteArray z = "zulu zulu";
        const QList<FilePtr> files = realFiles({z, z, z});
        ModalPtr modal =
            TreeBuilder::buildRoot({TreeBuilder::buildExt("bin", {TreeBuilder::buildSet(files)})});
        modal->markAllExtension();
        DeletionRun run(*modal);
        run.setPaused(true);
        run.start();
        run.requestStop(); // wakes the held run, which then ends before its first set
        const RemovalResult total = runToEnd(run, *modal);
        QCOMPARE(total.deletedFilesCount, 0ULL);
        QCOMPARE(run.progress(), 0ULL);
        for (const FilePtr& f : files) {
            QVERIFY(TreeBuilder::exists(f->filePath()));
        }
        QCOMPARE(modal->totalFilesSelected(), 2ULL);
        // A later run deletes normally.
        DeletionRun again(*modal);
        QCOMPARE(runToEnd(again, *modal).deletedFilesCount, 2ULL);
    }
};

QTEST_GUILESS_MAIN(TstReview)
#include "tst_review.moc"
