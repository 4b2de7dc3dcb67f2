// The clean-up engine: keep rules and reference locations, the clean-up
// journal, and restoring a clean-up from the real Trash (under a temporary
// XDG_DATA_HOME) with a temporary XDG_STATE_HOME.

#include "TestSupport.h"
#include "TreeBuilder.h"
#include "platform/TrashEntries.h"
#include "review/CleanupJournal.h"
#include "review/CleanupRestore.h"
#include "review/DeletionRun.h"
#include "review/KeepRule.h"
#include "review/ReferenceMarking.h"
#include "review/ResultExport.h"
#include "review/StatisticsStore.h"
#include "scan/ReferenceRoots.h"
#include "scan/ScanRun.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTest>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 Second = 1000000000LL;

FilePtr file(const QByteArray& path, quint64 size, qint64 modifiedNs = File::NoDate)
{
    return File::create(path, size, modifiedNs);
}

QList<qsizetype> kept(const KeepRule& rule, const Set& set, const ReferenceRoots& refs = {})
{
    QList<qsizetype> indexes;
    const QList<bool> keep = rule.keepers(set, refs);
    for (qsizetype i = 0; i < keep.size(); ++i) {
        if (keep.at(i)) {
            indexes.append(i);
        }
    }
    return indexes;
}

QByteArrayList entriesOf(const QByteArray& folder)
{
    QByteArrayList names;
    if (DIR* dir = ::opendir(folder.constData())) {
        while (const dirent* e = ::readdir(dir)) {
            const QByteArray name(e->d_name);
            if (name != "." && name != "..") {
                names.append(name);
            }
        }
        ::closedir(dir);
    }
    return names;
}

// The counters every level must hold after any change of marks.
void verifyCounters(const Modal& modal)
{
    quint64 rootSelected = 0;
    quint64 rootSelectedSize = 0;
    for (const ExtensionsPtr& ext : modal.extensions()) {
        quint64 extSelected = 0;
        quint64 extSelectedSize = 0;
        for (const SetPtr& set : ext->sets()) {
            quint64 selected = 0;
            quint64 selectedSize = 0;
            for (const FilePtr& f : set->files()) {
                if (isMarked(f->state())) {
                    ++selected;
                    selectedSize += f->fileSize();
                }
            }
            QCOMPARE(set->totalFilesSelectedInSet(), selected);
            QCOMPARE(set->totalFilesSelectedInSetSize(), selectedSize);
            QCOMPARE(set->setsState(), set->determineSelfState());
            extSelected += selected;
            extSelectedSize += selectedSize;
        }
        QCOMPARE(ext->totalFilesSelectedInExtension(), extSelected);
        QCOMPARE(ext->totalFilesSelectedInExtensionSize(), extSelectedSize);
        rootSelected += extSelected;
        rootSelectedSize += extSelectedSize;
    }
    QCOMPARE(modal.totalFilesSelected(), rootSelected);
    QCOMPARE(modal.totalFilesSelectedSize(), rootSelectedSize);
}

} // namespace

class tst_Cleanup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void referenceRootsMatchWholeComponents();
    void rulesBreakTiesByScanOrder();
    void rulesWithReferences();
    void applyingRuleKeepsCountersAndReplacesMarks();
    void boxesNeverMarkReferences();
    void exportWritesJsonAndCsv();
    void journalCutShortIsReadAndRepaired();
    void trashEntryFoundDespiteNameClash();
    void cleanThenRestoreReturnsEveryFile();
    void restoreRefusesToOverwrite();
    void restoreLetsGoOfEmptiedTrash();
    void restoreStopsBetweenFiles();

private:
    ModalPtr scan(const QList<LocationEntry>& entries);
    // Every set of `modal` keeps a copy at its path, outside the Trash, with
    // the bytes it had.
    void verifyLiveCopies(const Modal& modal);
    StatisticsStore& freshStore();

    TempRoot m_home;
    QByteArray m_trash;
    QByteArray m_support;
    QScopedPointer<TempRoot> m_root;
    QHash<QByteArray, QByteArray> m_contents; // path -> bytes written
    std::unique_ptr<StatisticsStore> m_store;
};

void tst_Cleanup::initTestCase()
{
    QVERIFY(m_home.dir.isValid());
    for (const char* sub : {"/data", "/state"}) {
        QCOMPARE(::mkdir((m_home.path + sub).constData(), 0700), 0);
    }
    // Before the first GIO call: GIO reads the data folder once per process.
    qputenv("HOME", m_home.path);
    qputenv("XDG_DATA_HOME", m_home.path + "/data");
    qputenv("XDG_STATE_HOME", m_home.path + "/state");
    m_trash = m_home.path + "/data/Trash";
    m_support = m_home.path + "/data/Quillon/Tidemark";
}

void tst_Cleanup::init()
{
    m_root.reset(new TempRoot);
    QVERIFY(m_root->dir.isValid());
    m_contents.clear();
}

void tst_Cleanup::cleanup()
{
    // Each test starts with an empty Trash and journal.
    const QByteArray trash = m_trash;
    for (const char* sub : {"/files/", "/info/"}) {
        for (const QByteArray& name : entriesOf(trash + sub)) {
            ::unlink((trash + sub + name).constData());
        }
    }
    ::unlink(CleanupJournal::defaultPath().constData());
    m_store.reset();
    m_root.reset();
}

ModalPtr tst_Cleanup::scan(const QList<LocationEntry>& entries)
{
    ScanRun run;
    run.start(entries);
    run.wait();
    return run.results().modal;
}

StatisticsStore& tst_Cleanup::freshStore()
{
    m_store = std::make_unique<StatisticsStore>();
    m_store->loadDataFile(m_support);
    return *m_store;
}

void tst_Cleanup::verifyLiveCopies(const Modal& modal)
{
    for (const ExtensionsPtr& ext : modal.extensions()) {
        for (const SetPtr& set : ext->sets()) {
            bool live = false;
            for (const FilePtr& f : set->files()) {
                const QByteArray path = f->filePath();
                live = live || (!path.startsWith(m_trash) && TreeBuilder::exists(path) &&
                                TreeBuilder::readBytes(path) == m_contents.value(path));
            }
            QVERIFY2(live, set->files().first()->filePath().constData());
        }
    }
}

void tst_Cleanup::referenceRootsMatchWholeComponents()
{
    const ReferenceRoots refs({"/a/photos", "/b/single.jpg", "/c/"});
    QVERIFY(refs.contains("/a/photos/x.jpg"));
    QVERIFY(refs.contains("/a/photos/deep/x.jpg"));
    QVERIFY(!refs.contains("/a/photos2/x.jpg"));
    QVERIFY(!refs.contains("/a/photo"));
    QVERIFY(refs.contains("/b/single.jpg"));
    QVERIFY(!refs.contains("/b/single.jpg.bak"));
    QVERIFY(refs.contains("/c/x")); // a trailing slash names the same folder
    QVERIFY(!refs.contains("/cx/x"));
    QVERIFY(ReferenceRoots({"/"}).contains("/any/thing"));
    QVERIFY(ReferenceRoots().isEmpty());
    // Bytes, not text: a name that is not UTF-8 matches itself only.
    QVERIFY(ReferenceRoots({"/d/caf\xe9"}).contains("/d/caf\xe9/x"));
    QVERIFY(!ReferenceRoots({"/d/caf\xe9"}).contains("/d/caf\xc3\xa9/x"));

    LocationEntry plain("/p", true, true);
    LocationEntry reference("/r", true, true);
    QVERIFY(!plain.reference);
    reference.reference = true;
    const ReferenceRoots fromEntries = ReferenceRoots::fromEntries({plain, reference});
    QCOMPARE(fromEntries.roots(), QByteArrayList{"/r"});
}

void tst_Cleanup::rulesBreakTiesByScanOrder()
{
    // Dates: 0 and 3 tie for newest, 1 and 2 tie for oldest; paths: 1 and 3
    // tie for shortest, 0 and 2 for longest.
    const SetPtr set =
        TreeBuilder::buildSet({file("/x/long/aa.jpg", 5, 30 * Second), file("/x/a.jpg", 5, 10 * Second),
                               file("/x/long/bb.jpg", 5, 10 * Second), file("/y/b.jpg", 5, 30 * Second)});
    QCOMPARE(kept(KeepRule(KeepRule::Kind::First), *set), QList<qsizetype>{0});
    QCOMPARE(kept(KeepRule(KeepRule::Kind::Newest), *set), QList<qsizetype>{0});
    QCOMPARE(kept(KeepRule(KeepRule::Kind::Oldest), *set), QList<qsizetype>{1});
    QCOMPARE(kept(KeepRule(KeepRule::Kind::ShortestPath), *set), QList<qsizetype>{1});
    QCOMPARE(kept(KeepRule(KeepRule::Kind::LongestPath), *set), QList<qsizetype>{0});
    QCOMPARE(kept(KeepRule(KeepRule::Kind::InsideFolder, "/x/long/"), *set), QList<qsizetype>{0});
    QCOMPARE(kept(KeepRule(KeepRule::Kind::InsideFolder, "/y"), *set), QList<qsizetype>{3});
    // No copy there: the file met first, so the set still keeps exactly one.
    QCOMPARE(kept(KeepRule(KeepRule::Kind::InsideFolder, "/x/lon"), *set), QList<qsizetype>{0});

    // Dates one nanosecond apart are not a tie.
    const SetPtr close =
        TreeBuilder::buildSet({file("/n/1.jpg", 5, 7 * Second), file("/n/2.jpg", 5, 7 * Second + 1),
                               file("/n/3.jpg", 5, 7 * Second)});
    QCOMPARE(kept(KeepRule(KeepRule::Kind::Newest), *close), QList<qsizetype>{1});
    QCOMPARE(kept(KeepRule(KeepRule::Kind::Oldest), *close), QList<qsizetype>{0});

    // A missing date never wins while another file has one; dates before
    // 1970 are dates like any other.
    const SetPtr undated = TreeBuilder::buildSet(
        {file("/u/1.jpg", 5), file("/u/2.jpg", 5, -5 * Second), file("/u/3.jpg", 5, 2 * Second)});
    QCOMPARE(kept(KeepRule(KeepRule::Kind::Newest), *undated), QList<qsizetype>{2});
    QCOMPARE(kept(KeepRule(KeepRule::Kind::Oldest), *undated), QList<qsizetype>{1});
    const SetPtr noDates = TreeBuilder::buildSet({file("/u/1.jpg", 5), file("/u/2.jpg", 5)});
    QCOMPARE(kept(KeepRule(KeepRule::Kind::Newest), *noDates), QList<qsizetype>{0});
    QCOMPARE(kept(KeepRule(KeepRule::Kind::Oldest), *noDates), QList<qsizetype>{0});

    // Path length counts bytes: a two-byte character makes a path longer.
    const SetPtr bytes = TreeBuilder::buildSet({file("/p/ab.jpg", 5), file("/p/\xc3\xa9.jpg", 5)});
    QCOMPARE(kept(KeepRule(KeepRule::Kind::ShortestPath), *bytes), QList<qsizetype>{0});
    QCOMPARE(kept(KeepRule(KeepRule::Kind::LongestPath), *bytes), QList<qsizetype>{0});

    QVERIFY(KeepRule::fromName("shortest-path"));
    QCOMPARE(KeepRule::fromName("longest-path")->kind(), KeepRule::Kind::LongestPath);
    QVERIFY(!KeepRule::fromName("Newest"));
    QVERIFY(!KeepRule::fromName(""));
}

void tst_Cleanup::rulesWithReferences()
{
    const ReferenceRoots refs({"/ref"});
    const SetPtr mixed =
        TreeBuilder::buildSet({file("/a/1.jpg", 5, 9 * Second), file("/ref/1.jpg", 5, 1 * Second),
                               file("/b/1.jpg", 5, 8 * Second), file("/ref/sub/1.jpg", 5)});
    const SetPtr onlyRefs = TreeBuilder::buildSet({file("/ref/x.jpg", 5), file("/ref/y/x.jpg", 5)});
    const SetPtr noRefs = TreeBuilder::buildSet({file("/a/z.jpg", 5, 1), file("/refs/z.jpg", 5, 2)});
    const QList<KeepRule> rules{
        KeepRule(KeepRule::Kind::First),       KeepRule(KeepRule::Kind::Newest),
        KeepRule(KeepRule::Kind::Oldest),      KeepRule(KeepRule::Kind::ShortestPath),
        KeepRule(KeepRule::Kind::LongestPath), KeepRule(KeepRule::Kind::InsideFolder, "/a")};
    for (const KeepRule& rule : rules) {
        // Exactly the reference copies, whatever the rule prefers.
        QCOMPARE(kept(rule, *mixed, refs), (QList<qsizetype>{1, 3}));
        QCOMPARE(kept(rule, *onlyRefs, refs), (QList<qsizetype>{0, 1}));
        QCOMPARE(kept(rule, *noRefs, refs).size(), 1);
    }
    QCOMPARE(kept(KeepRule(KeepRule::Kind::Newest), *noRefs, refs), QList<qsizetype>{1});

    // Applied to a tree: no reference file is marked, by any rule, nor by
    // Mark All's rule (the first file), and every set keeps a file.
    const ModalPtr modal = TreeBuilder::buildRoot({TreeBuilder::buildExt("jpg", {mixed, onlyRefs, noRefs})});
    for (const KeepRule& rule : rules) {
        modal->markAllExtension(); // marks there were are replaced
        rule.apply(*modal, refs);
        verifyCounters(*modal);
        for (const SetPtr& set : modal->extensions().first()->sets()) {
            bool unmarked = false;
            for (const FilePtr& f : set->files()) {
                if (refs.contains(f->filePath())) {
                    QCOMPARE(f->state(), MarkState::Unmarked);
                }
                unmarked = unmarked || !isMarked(f->state());
            }
            QVERIFY(unmarked);
        }
        QCOMPARE(mixed->setsState(), MarkState::Mixed); // two of four marked
        QCOMPARE(onlyRefs->setsState(), MarkState::Unmarked);
        QCOMPARE(onlyRefs->totalFilesSelectedInSet(), 0ULL);
        QCOMPARE(noRefs->setsState(), MarkState::Marked);
        QCOMPARE(modal->totalFilesSelected(), 3ULL);
    }
}

void tst_Cleanup::applyingRuleKeepsCountersAndReplacesMarks()
{
    const SetPtr s1 =
        TreeBuilder::buildSet({file("/a/1.png", 100, 1), file("/b/1.png", 100, 3), file("/c/1.png", 100, 2)});
    const SetPtr s2 = TreeBuilder::buildSet({file("/a/2.png", 40, 5), file("/bb/2.png", 40, 1)});
    const SetPtr s3 = TreeBuilder::buildSet({file("/a/3.mp3", 7, 1), file("/b/3.mp3", 7, 1)});
    const ExtensionsPtr png = TreeBuilder::buildExt("png", {s1, s2});
    const ExtensionsPtr mp3 = TreeBuilder::buildExt("mp3", {s3});
    const ModalPtr images = TreeBuilder::buildRoot({png});
    const ModalPtr all = TreeBuilder::buildRoot({png, mp3});

    // Some marks by hand first; the rule replaces them.
    all->changeStateOfExtension(png, s1, s1->files().at(0));
    all->changeStateOfExtension(png, s2, s2->files().at(0));
    KeepRule(KeepRule::Kind::Newest).apply(*all, {});
    verifyCounters(*all);
    QCOMPARE(s1->files().at(0)->state(), MarkState::Marked);
    QCOMPARE(s1->files().at(1)->state(), MarkState::Unmarked);
    QCOMPARE(s1->files().at(2)->state(), MarkState::Marked);
    QCOMPARE(s2->files().at(0)->state(), MarkState::Unmarked);
    QCOMPARE(s3->files().at(0)->state(), MarkState::Unmarked); // a tie: the first stays
    QCOMPARE(all->totalFilesSelected(), all->totalFiles());
    QCOMPARE(all->totalFilesSelectedSize(), 100ULL + 100 + 40 + 7);
    QCOMPARE(png->extensionState(), MarkState::Marked);
    QCOMPARE(s1->setsState(), MarkState::Marked);

    // The same rule through one group and one set of another root.
    images->unmarkAllExtension();
    KeepRule(KeepRule::Kind::LongestPath).applyToSet(*images, png, s2, {});
    verifyCounters(*images);
    QCOMPARE(s2->files().at(1)->state(), MarkState::Unmarked);
    QCOMPARE(s2->files().at(0)->state(), MarkState::Marked);
    QCOMPARE(png->extensionState(), MarkState::Mixed);
    KeepRule(KeepRule::Kind::ShortestPath).applyToExtension(*images, png, {});
    verifyCounters(*images);
    QCOMPARE(s1->files().at(0)->state(), MarkState::Unmarked);
    QCOMPARE(s2->files().at(0)->state(), MarkState::Unmarked);
    QCOMPARE(images->totalFilesSelected(), 3ULL);

    // The view's own operations still work on what a rule left.
    images->changeStateOfExtension(png, s1, s1->files().at(1));
    verifyCounters(*images);
    QCOMPARE(s1->setsState(), MarkState::Mixed);
}

void tst_Cleanup::boxesNeverMarkReferences()
{
    const ReferenceRoots refs({"/ref"});
    const SetPtr mixed =
        TreeBuilder::buildSet({file("/ref/1.jpg", 10), file("/a/1.jpg", 10), file("/b/1.jpg", 10)});
    const SetPtr plain = TreeBuilder::buildSet({file("/a/2.jpg", 4), file("/b/2.jpg", 4)});
    const SetPtr onlyRefs = TreeBuilder::buildSet({file("/ref/3.jpg", 2), file("/ref/x/3.jpg", 2)});
    const ExtensionsPtr jpg = TreeBuilder::buildExt("jpg", {mixed, plain, onlyRefs});
    const ModalPtr modal = TreeBuilder::buildRoot({jpg});
    using Click = ReferenceMarking::FileClick;

    // The file box refuses a reference copy and says so; others as usual.
    QCOMPARE(ReferenceMarking::fileBox(*modal, jpg, mixed, mixed->files().at(0), refs),
             Click::RefusedReference);
    QCOMPARE(ReferenceMarking::fileBox(*modal, jpg, onlyRefs, onlyRefs->files().at(1), refs),
             Click::RefusedReference);
    QCOMPARE(ReferenceMarking::fileBox(*modal, jpg, mixed, mixed->files().at(1), refs), Click::Marked);
    QCOMPARE(ReferenceMarking::fileBox(*modal, jpg, mixed, mixed->files().at(2), refs), Click::Marked);
    QCOMPARE(ReferenceMarking::fileBox(*modal, jpg, plain, plain->files().at(0), refs), Click::Marked);
    QCOMPARE(ReferenceMarking::fileBox(*modal, jpg, plain, plain->files().at(1), refs),
             Click::RefusedLastCopy);
    QCOMPARE(ReferenceMarking::fileBox(*modal, jpg, plain, plain->files().at(0), refs), Click::Unmarked);
    verifyCounters(*modal);
    QCOMPARE(mixed->files().at(0)->state(), MarkState::Unmarked);
    QVERIFY(ReferenceMarking::setFullyMarked(*mixed, refs));

    // The set box: a fully marked set is unmarked, any other marked like
    // Mark All, around its reference copy.
    ReferenceMarking::setBox(*modal, jpg, mixed, refs);
    verifyCounters(*modal);
    QCOMPARE(mixed->totalFilesSelectedInSet(), 0ULL);
    ReferenceMarking::setBox(*modal, jpg, mixed, refs);
    verifyCounters(*modal);
    QCOMPARE(mixed->files().at(0)->state(), MarkState::Unmarked);
    QCOMPARE(mixed->totalFilesSelectedInSet(), 2ULL);
    ReferenceMarking::setBox(*modal, jpg, onlyRefs, refs);
    QCOMPARE(onlyRefs->totalFilesSelectedInSet(), 0ULL);

    // The group box: marks every set but the reference copies, then unmarks.
    ReferenceMarking::groupBox(*modal, jpg, refs);
    verifyCounters(*modal);
    QCOMPARE(modal->totalFilesSelected(), 3ULL);
    for (const SetPtr& set : jpg->sets()) {
        for (const FilePtr& f : set->files()) {
            if (refs.contains(f->filePath())) {
                QCOMPARE(f->state(), MarkState::Unmarked);
            }
        }
    }
    ReferenceMarking::groupBox(*modal, jpg, refs);
    verifyCounters(*modal);
    QCOMPARE(modal->totalFilesSelected(), 0ULL);
}

void tst_Cleanup::exportWritesJsonAndCsv()
{
    ScanResults results;
    results.imageModal = TreeBuilder::buildRoot({TreeBuilder::buildExt(
        "jpg", {TreeBuilder::buildSet({file("/ref/a,\"b\".jpg", 10, 0), file("/x/caf\xe9.jpg", 10)})})});
    results.docsModal = TreeBuilder::buildRoot({TreeBuilder::buildExt(
        "txt", {TreeBuilder::buildSet({file("/x/1.txt", 3, 1500 * 1000000LL), file("/x/long/1.txt", 3)})})});
    results.modal = Modal::combine({results.imageModal, results.docsModal});
    const ReferenceRoots refs({"/ref"});
    const KeepRule longest(KeepRule::Kind::LongestPath);

    QByteArray json;
    QVERIFY(ResultExport::writeJson(results, longest, refs, [&](const QByteArray& chunk) {
        json += chunk;
        return true;
    }));
    const QJsonObject top = QJsonDocument::fromJson(json).object();
    const QJsonArray groups = top.value(QLatin1String("groups")).toArray();
    QCOMPARE(groups.size(), 2);
    QCOMPARE(groups.at(1).toObject().value(QLatin1String("category")).toString(),
             QStringLiteral("documents"));
    const QJsonArray pictures = groups.at(0)
                                    .toObject()
                                    .value(QLatin1String("sets"))
                                    .toArray()
                                    .at(0)
                                    .toObject()
                                    .value(QLatin1String("files"))
                                    .toArray();
    QVERIFY(json.contains("\"path\":\"/x/caf\\udce9.jpg\""));
    QVERIFY(pictures.at(0).toObject().value(QLatin1String("keep")).toBool()); // the reference copy
    QVERIFY(!pictures.at(1).toObject().value(QLatin1String("keep")).toBool());
    QCOMPARE(top.value(QLatin1String("totalFiles")).toInteger(), 2);

    QByteArray csv;
    QVERIFY(ResultExport::writeCsv(results, longest, refs, [&](const QByteArray& chunk) {
        csv += chunk;
        return true;
    }));
    QCOMPARE(csv, QByteArray("set,group,category,path,size,modified,keep\r\n"
                             "1,jpg,images,\"/ref/a,\"\"b\"\".jpg\",10,1970-01-01T00:00:00.000Z,yes\r\n"
                             "1,jpg,images,/x/caf\xe9.jpg,10,,no\r\n"
                             "2,txt,documents,/x/1.txt,3,1970-01-01T00:00:01.500Z,no\r\n"
                             "2,txt,documents,/x/long/1.txt,3,,yes\r\n"));

    // Saved whole or not at all.
    const QByteArray target = m_root->path + "/result.csv";
    QVERIFY(ResultExport::save(target, ResultExport::Format::Csv, results, longest, refs));
    QCOMPARE(TreeBuilder::readBytes(target), csv);
    QVERIFY(!TreeBuilder::exists(target + ".part"));
    QVERIFY(ResultExport::save(m_root->path + "/result.json", ResultExport::Format::Json, results, longest,
                               refs));
    QCOMPARE(TreeBuilder::readBytes(m_root->path + "/result.json"), json);
    QString error;
    QVERIFY(!ResultExport::save(m_root->path + "/no/such/folder/r.csv", ResultExport::Format::Csv, results,
                                longest, refs, &error));
    QVERIFY(!error.isEmpty());
}

void tst_Cleanup::journalCutShortIsReadAndRepaired()
{
    const QByteArray path = m_root->path + "/state/journal";
    auto item = [](quint64 id, const QByteArray& original) {
        CleanupJournal::Item i;
        i.cleanupId = id;
        i.timeMs = 1700000000000;
        i.size = 42;
        i.originalPath = original;
        i.filesPath = "/t/files/" + original.mid(original.lastIndexOf('/') + 1);
        i.infoPath = "/t/info/x.trashinfo";
        return i;
    };
    {
        CleanupJournal journal(path);
        QVERIFY(journal.appendTrashed({item(7, "/a/caf\xe9.jpg"), item(7, "/a/2.jpg")}));
        QVERIFY(journal.appendTrashed({item(9, "/b/1.jpg")}));
        QVERIFY(journal.appendSettled(7, {"/a/2.jpg"}, CleanupJournal::Settlement::Restored));
        QVERIFY(journal.appendTrashed({item(9, "/b/2.jpg")}));
        QVERIFY(journal.sync());
    }
    QList<CleanupJournal::Cleanup> read = CleanupJournal(path).read();
    QCOMPARE(read.size(), 2);
    QCOMPARE(read.at(0).id, 7ULL);
    QCOMPARE(read.at(0).items.at(0).originalPath, QByteArray("/a/caf\xe9.jpg"));
    QCOMPARE(read.at(0).items.at(0).size, 42ULL);
    QVERIFY(!read.at(0).items.at(0).settled);
    QVERIFY(read.at(0).items.at(1).settled);
    QCOMPARE(read.at(1).items.size(), 2);

    // Killed in the middle of the last record: the record is dropped, the
    // rest still reads, whatever the cut.
    struct stat st
    {
    };
    QCOMPARE(::stat(path.constData(), &st), 0);
    const off_t whole = st.st_size;
    for (const off_t cut : {off_t(1), off_t(5), off_t(9), off_t(20)}) {
        QCOMPARE(::truncate(path.constData(), whole - cut), 0);
        read = CleanupJournal(path).read();
        QCOMPARE(read.size(), 2);
        QCOMPARE(read.at(1).items.size(), 1);
        QCOMPARE(read.at(1).items.at(0).originalPath, QByteArray("/b/1.jpg"));
    }
    // The next append first drops the torn tail, so what it writes is read.
    {
        CleanupJournal journal(path);
        QVERIFY(journal.appendTrashed({item(11, "/c/1.jpg")}));
    }
    read = CleanupJournal(path).read();
    QCOMPARE(read.size(), 3);
    QCOMPARE(read.at(2).id, 11ULL);
    QCOMPARE(CleanupJournal(path).lastPending()->id, 11ULL);

    // A flipped byte inside a record ends the reading there too.
    QByteArray data = TreeBuilder::readBytes(path);
    data[data.size() - 3] = char(data.at(data.size() - 3) ^ 0x55);
    QVERIFY(TreeBuilder::writeBytes(path, data));
    read = CleanupJournal(path).read();
    QCOMPARE(read.size(), 2);

    // A journal grown large is rewritten without what is settled; what is
    // pending reads the same, and appends go on.
    {
        const QByteArray big = m_root->path + "/state/big";
        CleanupJournal writer(big);
        for (quint64 id = 100; id < 140; ++id) {
            QList<CleanupJournal::Item> items;
            for (int i = 0; i < 20; ++i) {
                items.append(item(id, "/big/" + QByteArray::number(id) + "/" + QByteArray::number(i)));
            }
            QVERIFY(writer.appendTrashed(items));
            if (id != 120) {
                QByteArrayList paths;
                for (const CleanupJournal::Item& i : std::as_const(items)) {
                    paths.append(i.originalPath);
                }
                QVERIFY(writer.appendSettled(id, paths, CleanupJournal::Settlement::Restored));
            }
        }
        struct stat grown
        {
        };
        QCOMPARE(::stat(big.constData(), &grown), 0);
        CleanupJournal compacting(big, grown.st_size - 1);
        QVERIFY(compacting.appendTrashed({item(500, "/new/1")}));
        // The first writer still holds the old file open; its next append
        // goes to the new one.
        QVERIFY(writer.appendTrashed({item(501, "/new/2")}));
        struct stat after
        {
        };
        QCOMPARE(::stat(big.constData(), &after), 0);
        QVERIFY(after.st_size < grown.st_size / 10);
        const QList<CleanupJournal::Cleanup> kept = CleanupJournal(big).read();
        QCOMPARE(kept.size(), 3);
        QCOMPARE(kept.at(0).id, 120ULL);
        QCOMPARE(kept.at(0).pendingCount(), 20);
        QCOMPARE(kept.at(1).id, 500ULL);
        QCOMPARE(kept.at(2).id, 501ULL);
    }

    // Something else at the journal's place is never written over.
    const QByteArray stranger = m_root->path + "/state/not-a-journal";
    QVERIFY(TreeBuilder::writeBytes(stranger, "hello, world"));
    QString error;
    QVERIFY(!CleanupJournal(stranger).appendTrashed({item(1, "/x")}, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(TreeBuilder::readBytes(stranger), QByteArray("hello, world"));
    QVERIFY(CleanupJournal(m_root->path + "/none").read().isEmpty());
}

void tst_Cleanup::trashEntryFoundDespiteNameClash()
{
    const QByteArray r = m_root->path;
    QCOMPARE(::mkdir((r + "/one").constData(), 0755), 0);
    QCOMPARE(::mkdir((r + "/two").constData(), 0755), 0);
    QCOMPARE(::mkdir((r + "/two/we ird%\xff").constData(), 0755), 0);
    const QByteArrayList paths{r + "/one/same.jpg", r + "/two/same.jpg", r + "/two/we ird%\xff/same.jpg"};
    QList<struct stat> before;
    for (const QByteArray& p : paths) {
        QVERIFY(TreeBuilder::writeBytes(p, p));
        struct stat st
        {
        };
        QCOMPARE(::lstat(p.constData(), &st), 0);
        before.append(st);
        QVERIFY(File::create(p, quint64(p.size()))->removeFile());
    }
    QSet<QByteArray> seen;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const auto entry = TrashEntries::locate(paths.at(i), before.at(i).st_dev, before.at(i).st_ino);
        QVERIFY(entry);
        QVERIFY(entry->filesPath.startsWith(m_trash + "/files/"));
        QCOMPARE(TreeBuilder::readBytes(entry->filesPath), paths.at(i));
        QCOMPARE(TrashEntries::originalPathOf(entry->infoPath), paths.at(i));
        seen.insert(entry->filesPath);
    }
    QCOMPARE(seen.size(), 3); // three different entries for one name
    QVERIFY(!TrashEntries::locate(paths.at(0), before.at(0).st_dev, before.at(0).st_ino + 999999));
}

void tst_Cleanup::cleanThenRestoreReturnsEveryFile()
{
    const QByteArray r = m_root->path;
    for (const char* dir : {"/keep", "/old", "/old/deep", "/ref", "/other"}) {
        QCOMPARE(::mkdir((r + dir).constData(), 0755), 0);
    }
    const QList<QPair<QByteArray, QByteArray>> files{
        {r + "/keep/a.jpg", QByteArray(3000, 'a')},
        {r + "/old/deep/a copy.jpg", QByteArray(3000, 'a')},
        {r + "/old/deep/caf\xe9 \xff.jpg", QByteArray(3000, 'a')},
        {r + "/keep/song.mp3", QByteArray(700, 's')},
        {r + "/other/song.mp3", QByteArray(700, 's')},
        {r + "/ref/song.mp3", QByteArray(700, 's')},
        {r + "/other/\xe9t\xe9.txt", QByteArray("notes\n")},
        {r + "/old/\xe9t\xe9.txt", QByteArray("notes\n")},
    };
    for (const auto& [path, bytes] : files) {
        QVERIFY(TreeBuilder::writeBytes(path, bytes));
        m_contents.insert(path, bytes);
    }
    StatisticsStore& store = freshStore();
    QVERIFY(store.recordRun(5, 12345, 0, 0)); // totals from earlier clean-ups

    LocationEntry refEntry(r + "/ref", true, true);
    refEntry.reference = true;
    const QList<LocationEntry> entries{LocationEntry(r + "/keep", true, true),
                                       LocationEntry(r + "/old", true, true),
                                       LocationEntry(r + "/other", true, true), refEntry};
    const ModalPtr modal = scan(entries);
    QVERIFY(modal);
    QCOMPARE(modal->totalFiles(), 5ULL);
    KeepRule(KeepRule::Kind::ShortestPath).apply(*modal, ReferenceRoots::fromEntries(entries));
    QCOMPARE(modal->totalFilesSelected(), 5ULL); // two pictures, two songs, one text

    // The window's own deletion run.
    DeletionRun run(*modal);
    run.start();
    run.wait();
    QVERIFY(run.finished());
    quint64 count = 0;
    quint64 bytes = 0;
    for (const DeletionRun::Removed& removed : run.takeRemoved()) {
        const RemovalResult result =
            modal->forgetRemovedFilesInSet(removed.set, removed.extension, removed.files);
        count += result.deletedFilesCount;
        bytes += result.deletedFilesSize;
    }
    QCOMPARE(count, 5ULL);
    QCOMPARE(bytes, 3000ULL * 2 + 700 * 2 + 6);
    QVERIFY(run.recorder().error().isEmpty());
    QCOMPARE(run.recorder().recordedCount(), 5ULL);
    QVERIFY(store.recordRun(store.alreadyDeletedCount(), store.alreadyDeletedSize(), count, bytes));
    verifyLiveCopies(*modal);
    QVERIFY(TreeBuilder::exists(r + "/ref/song.mp3"));
    QVERIFY(!TreeBuilder::exists(r + "/other/song.mp3"));
    QVERIFY(!TreeBuilder::exists(r + "/keep/song.mp3"));

    // The journal names every file and its Trash entry.
    const QList<CleanupJournal::Cleanup> journal = CleanupJournal().read();
    QCOMPARE(journal.size(), 1);
    QCOMPARE(journal.first().id, run.recorder().cleanupId());
    QCOMPARE(journal.first().items.size(), 5);
    for (const CleanupJournal::Item& item : journal.first().items) {
        QCOMPARE(TreeBuilder::readBytes(item.filesPath), m_contents.value(item.originalPath));
        QCOMPARE(TrashEntries::originalPathOf(item.infoPath), item.originalPath);
        QCOMPARE(item.size, quint64(m_contents.value(item.originalPath).size()));
    }
    QCOMPARE(entriesOf(m_trash + "/files").size(), 5);

    // A folder that emptied goes in between; the restore makes it again.
    QCOMPARE(::rmdir((r + "/old/deep").constData()), 0);

    StatisticsStore& reloaded = freshStore();
    QCOMPARE(reloaded.alreadyDeletedCount(), 10);
    const CleanupRestore::Result result =
        CleanupRestore::restoreLast(*std::make_unique<CleanupJournal>(), &reloaded);
    QVERIFY(result.found);
    QCOMPARE(result.files.size(), 5);
    QVERIFY(result.allRestored());
    QVERIFY(result.journalError.isEmpty());
    QCOMPARE(result.restoredSize, bytes);
    for (const auto& [path, contents] : files) {
        QCOMPARE(TreeBuilder::readBytes(path), contents);
    }
    QVERIFY(entriesOf(m_trash + "/files").isEmpty());
    QVERIFY(entriesOf(m_trash + "/info").isEmpty());
    // The totals are where they were before the clean-up, in the file too.
    QCOMPARE(freshStore().alreadyDeletedCount(), 5);
    QCOMPARE(m_store->alreadyDeletedSize(), 12345ULL);

    // Nothing is left to undo.
    QVERIFY(!CleanupRestore::restoreLast(*std::make_unique<CleanupJournal>(), m_store.get()).found);
    QCOMPARE(freshStore().alreadyDeletedCount(), 5);
}

void tst_Cleanup::restoreRefusesToOverwrite()
{
    const QByteArray r = m_root->path;
    QCOMPARE(::mkdir((r + "/a").constData(), 0755), 0);
    QCOMPARE(::mkdir((r + "/b").constData(), 0755), 0);
    for (const QByteArray& p : {r + "/a/x.png", r + "/b/x.png", r + "/b/y.png"}) {
        QVERIFY(TreeBuilder::writeBytes(p, "same bytes"));
        m_contents.insert(p, "same bytes");
    }
    StatisticsStore& store = freshStore();
    const qint64 countBefore = store.alreadyDeletedCount();
    const ModalPtr modal = scan({LocationEntry(r + "/a", true, true), LocationEntry(r + "/b", true, true)});
    KeepRule().apply(*modal, {});
    DeletionRun run(*modal);
    run.start();
    run.wait();
    quint64 count = 0;
    quint64 bytes = 0;
    for (const DeletionRun::Removed& removed : run.takeRemoved()) {
        const RemovalResult result =
            modal->forgetRemovedFilesInSet(removed.set, removed.extension, removed.files);
        count += result.deletedFilesCount;
        bytes += result.deletedFilesSize;
    }
    QCOMPARE(count, 2ULL);
    store.recordRun(store.alreadyDeletedCount(), store.alreadyDeletedSize(), count, bytes);
    verifyLiveCopies(*modal);

    // Someone puts a new file where one of them was.
    QVERIFY(TreeBuilder::writeBytes(r + "/b/x.png", "new work"));
    CleanupJournal journal;
    CleanupRestore::Result result = CleanupRestore::restoreLast(journal, &store);
    QVERIFY(result.found);
    QVERIFY(!result.allRestored());
    QCOMPARE(result.restoredCount, 1ULL);
    QCOMPARE(result.files.size(), 2);
    for (const CleanupRestore::FileOutcome& outcome : result.files) {
        if (outcome.originalPath == r + "/b/x.png") {
            QCOMPARE(outcome.status, CleanupRestore::Status::Occupied);
            QVERIFY(!outcome.reason.isEmpty());
        } else {
            QCOMPARE(outcome.status, CleanupRestore::Status::Restored);
        }
    }
    QCOMPARE(TreeBuilder::readBytes(r + "/b/x.png"), QByteArray("new work"));
    QCOMPARE(TreeBuilder::readBytes(r + "/b/y.png"), QByteArray("same bytes"));
    QCOMPARE(entriesOf(m_trash + "/files").size(), 1); // the refused one waits there
    QCOMPARE(freshStore().alreadyDeletedCount(), countBefore + 1);

    // Once the place is free again, the next restore brings the rest back.
    QCOMPARE(::rename((r + "/b/x.png").constData(), (r + "/b/x-new.png").constData()), 0);
    result = CleanupRestore::restoreLast(journal, m_store.get());
    QVERIFY(result.found);
    QCOMPARE(result.files.size(), 1);
    QVERIFY(result.allRestored());
    QCOMPARE(TreeBuilder::readBytes(r + "/b/x.png"), QByteArray("same bytes"));
    QVERIFY(entriesOf(m_trash + "/files").isEmpty());
    QCOMPARE(freshStore().alreadyDeletedCount(), countBefore);
}

void tst_Cleanup::restoreLetsGoOfEmptiedTrash()
{
    const QByteArray r = m_root->path;
    for (const QByteArray& p : {r + "/1.txt", r + "/2.txt"}) {
        QVERIFY(TreeBuilder::writeBytes(p, "twin"));
    }
    // An older clean-up that stays in the Trash, then the last one.
    QVERIFY(TreeBuilder::writeBytes(r + "/older.txt", "older"));
    QVERIFY(TreeBuilder::writeBytes(r + "/older2.txt", "older"));
    const ModalPtr first =
        scan({LocationEntry(r + "/older.txt", true, false), LocationEntry(r + "/older2.txt", true, false)});
    KeepRule().apply(*first, {});
    {
        DeletionRun run(*first);
        run.start();
        run.wait();
    }
    const ModalPtr second =
        scan({LocationEntry(r + "/1.txt", true, false), LocationEntry(r + "/2.txt", true, false)});
    KeepRule().apply(*second, {});
    {
        DeletionRun run(*second);
        run.start();
        run.wait();
    }
    QCOMPARE(CleanupJournal().read().size(), 2);
    // The Trash is emptied of the last clean-up's file.
    for (const QByteArray& name : entriesOf(m_trash + "/files")) {
        if (name.startsWith("2")) {
            QCOMPARE(::unlink((m_trash + "/files/" + name).constData()), 0);
        }
    }
    StatisticsStore& store = freshStore();
    QVERIFY(store.recordRun(1, 100, 0, 0));
    CleanupJournal journal;
    CleanupRestore::Result result = CleanupRestore::restoreLast(journal, &store);
    QVERIFY(result.found);
    QCOMPARE(result.files.size(), 1);
    QCOMPARE(result.files.first().status, CleanupRestore::Status::NotInTrash);
    QCOMPARE(freshStore().alreadyDeletedCount(), 1); // nothing came back, nothing lowered
    // That file is let go: the next restore reaches the clean-up before it.
    result = CleanupRestore::restoreLast(journal, m_store.get());
    QVERIFY(result.found);
    QVERIFY(result.allRestored());
    QCOMPARE(TreeBuilder::readBytes(r + "/older2.txt"), QByteArray("older"));
    // Totals never go below zero.
    QCOMPARE(freshStore().alreadyDeletedCount(), 0);
    QCOMPARE(m_store->alreadyDeletedSize(), 95ULL);
}

void tst_Cleanup::restoreStopsBetweenFiles()
{
    const QByteArray r = m_root->path;
    for (const char* name : {"/1.dat", "/2.dat", "/3.dat"}) {
        QVERIFY(TreeBuilder::writeBytes(r + name, "three"));
        m_contents.insert(r + name, "three");
    }
    const ModalPtr modal = scan({LocationEntry(r, true, true)});
    KeepRule().apply(*modal, {});
    {
        DeletionRun run(*modal);
        run.start();
        run.wait();
    }
    StatisticsStore& store = freshStore();
    QVERIFY(store.recordRun(2, 10, 0, 0));
    CleanupJournal journal;
    int asked = 0;
    // Ctrl-C after the first file.
    CleanupRestore::Result result = CleanupRestore::restoreLast(journal, &store, [&] { return ++asked > 1; });
    QVERIFY(result.stopped);
    QVERIFY(!result.allRestored());
    QCOMPARE(result.restoredCount, 1ULL);
    QCOMPARE(freshStore().alreadyDeletedCount(), 1);
    QCOMPARE(entriesOf(m_trash + "/files").size(), 1);
    // The next restore takes up the rest of the same clean-up.
    result = CleanupRestore::restoreLast(journal, m_store.get());
    QVERIFY(result.allRestored());
    QCOMPARE(result.files.size(), 1);
    for (auto it = m_contents.cbegin(); it != m_contents.cend(); ++it) {
        QCOMPARE(TreeBuilder::readBytes(it.key()), it.value());
    }
    QCOMPARE(freshStore().alreadyDeletedCount(), 0);
    QCOMPARE(m_store->alreadyDeletedSize(), 0ULL);
}

QTEST_GUILESS_MAIN(tst_Cleanup)
#include "tst_cleanup.moc"
