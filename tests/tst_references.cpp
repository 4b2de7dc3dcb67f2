// Reference locations on the location list, the running totals shared with
// other processes, and the window's export of what the marks keep.

#include "TestSupport.h"
#include "TreeBuilder.h"
#include "locations/LocationList.h"
#include "review/ResultExport.h"
#include "review/StatisticsStore.h"
#include "scan/ReferenceRoots.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <sys/wait.h>
#include <unistd.h>

class tst_References : public QObject
{
    Q_OBJECT

    TempRoot m_root;

    QByteArray freshSupport(const char* name) const
    {
        const QByteArray folder = m_root / name;
        QDir().mkpath(QFile::decodeName(folder));
        return folder;
    }

private Q_SLOTS:
    // Use as Reference marks the entry, is remembered like a mark when a
    // folder page is made again, and forgotten when the entry is removed
    // or the list goes back to its start.
    void locationReferenceFlag()
    {
        const QByteArray parent = m_root / "places";
        for (const char* sub : {"/a", "/b", "/c"}) {
            QVERIFY(QDir().mkpath(QFile::decodeName(parent + sub)));
        }
        LocationList list;
        QCOMPARE(list.addFolders({parent + "/a", parent + "/b"}), LocationList::Notice::None);
        list.unmarkAllExact();
        for (const LocationEntry& entry : list.entries()) {
            QVERIFY(!entry.reference); // false unless set
        }
        list.setReference(1, true);
        QVERIFY(list.entries().at(1).reference);
        QVERIFY(list.entries().at(1).state); // a reference is scanned too
        QVERIFY(!list.entries().at(0).reference);
        QCOMPARE(list.referenceArray(), QByteArrayList{parent + "/b"});
        QCOMPARE(ReferenceRoots::fromEntries(list.entries()).roots(), QByteArrayList{parent + "/b"});
        QVERIFY(list.reflectMarkStatusForRemoveButton().scan);

        // Turning it off keeps the mark the user now has.
        list.setReference(1, false);
        QVERIFY(!list.entries().at(1).reference);
        QVERIFY(list.entries().at(1).state);
        QVERIFY(list.referenceArray().isEmpty());
        list.setReference(1, true);
        list.setReference(7, true); // no such row: nothing happens
        QCOMPARE(list.referenceArray().size(), 1);

        // A folder page made again shows the flag again.
        list.showFolderPage(parent, {parent + "/a", parent + "/b", parent + "/c"});
        QCOMPARE(list.entries().size(), 3);
        QVERIFY(!list.entries().at(0).reference);
        QVERIFY(list.entries().at(1).reference);
        QVERIFY(!list.entries().at(2).reference);

        // Removed, the entry forgets it; added again it starts plain.
        list.removeFromListMenuClicked(1);
        QVERIFY(list.referenceArray().isEmpty());
        QCOMPARE(list.addFolders({parent + "/b"}), LocationList::Notice::None);
        QVERIFY(!list.entries().last().reference);

        // Remove (the marked entries) forgets the marked references only.
        list.setReference(0, true);
        list.setReference(2, true);
        list.checkButtonExactFirstpage(2, false);
        list.removeFromListExact();
        QCOMPARE(list.referenceArray(), QByteArrayList{parent + "/b"}); // rows: a, c, b
        list.reset();
        QVERIFY(list.entries().isEmpty());
        QVERIFY(list.referenceArray().isEmpty());
        QVERIFY(list.stateArray().isEmpty());
    }

    // Totals changed by another process since this one read them are added
    // to, not overwritten; a restore never takes them below zero; an
    // unreadable file is never written over.
    void totalsAddToWhatOthersWrote()
    {
        const QByteArray support = freshSupport("support1");
        StatisticsStore window;
        window.loadDataFile(support);
        QCOMPARE(window.alreadyDeletedCount(), 0);
        StatisticsStore commandLine;
        commandLine.loadDataFile(support);
        QVERIFY(commandLine.addToTotals(3, 3000));
        QCOMPARE(window.alreadyDeletedCount(), 0); // still what it read
        QVERIFY(window.addToTotals(2, 500));
        QCOMPARE(window.alreadyDeletedCount(), 5);
        QCOMPARE(window.alreadyDeletedSize(), quint64(3500));
        StatisticsStore reread;
        reread.loadDataFile(support);
        QCOMPARE(reread.alreadyDeletedCount(), 5);
        QCOMPARE(reread.alreadyDeletedSize(), quint64(3500));

        QVERIFY(commandLine.addToTotals(-4, -1000));
        QVERIFY(window.addToTotals(-4, -9000));
        QCOMPARE(window.alreadyDeletedCount(), 0);
        QCOMPARE(window.alreadyDeletedSize(), quint64(0));
        QCOMPARE(window.cleanedSoFarText(), QStringLiteral("Files cleaned so far: 0 (0.00 KB)"));

        // The file went away: made again with its first values, then added to.
        QCOMPARE(::unlink((support + "/data.plist").constData()), 0);
        QVERIFY(window.addToTotals(1, 10));
        reread.loadDataFile(support);
        QCOMPARE(reread.alreadyDeletedCount(), 1);

        // Not a property list any more: left as it is.
        QVERIFY(TreeBuilder::writeBytes(support + "/data.plist", "not a plist"));
        QVERIFY(!window.addToTotals(1, 10));
        QCOMPARE(TreeBuilder::readBytes(support + "/data.plist"), QByteArray("not a plist"));
    }

    // Several processes adding at once: the lock on the folder lets none of
    // their additions be lost.
    void totalsLockSerialisesProcesses()
    {
        const QByteArray support = freshSupport("support2");
        {
            StatisticsStore first;
            first.loadDataFile(support);
        }
        constexpr int Children = 4;
        constexpr int Each = 25;
        QList<pid_t> children;
        for (int c = 0; c < Children; ++c) {
            const pid_t pid = ::fork();
            QVERIFY(pid >= 0);
            if (pid == 0) {
                StatisticsStore store;
                store.loadDataFile(support);
                bool ok = true;
                for (int i = 0; i < Each; ++i) {
                    ok = store.addToTotals(1, 100) && ok;
                }
                ::_exit(ok ? 0 : 1);
            }
            children << pid;
        }
        for (const pid_t pid : children) {
            int status = 0;
            QCOMPARE(::waitpid(pid, &status, 0), pid);
            QVERIFY(WIFEXITED(status));
            QCOMPARE(WEXITSTATUS(status), 0);
        }
        StatisticsStore reread;
        reread.loadDataFile(support);
        QCOMPARE(reread.alreadyDeletedCount(), Children * Each);
        QCOMPARE(reread.alreadyDeletedSize(), quint64(Children * Each * 100));
    }

    // The window saves what its marks keep: every unmarked file, in both formats.
    void exportFollowsMarks()
    {
        const SetPtr a = TreeBuilder::buildSet(
            {File::create("/r/a1.txt", 10), File::create("/r/a2.txt", 10), File::create("/r/a3.txt", 10)});
        const SetPtr b = TreeBuilder::buildSet({File::create("/r/b1.txt", 4), File::create("/r/b,2.txt", 4)});
        const ModalPtr modal = TreeBuilder::buildRoot({TreeBuilder::buildExt("txt", {a, b})});
        // The last two of the first set marked, nothing in the second.
        modal->changeStateOfExtension(modal->extensions().first(), a);
        QCOMPARE(a->files().at(0)->state(), MarkState::Unmarked);
        QCOMPARE(a->files().at(1)->state(), MarkState::Marked);
        ScanResults results;
        results.docsModal = modal;
        results.modal = modal;

        QByteArray csv;
        QVERIFY(ResultExport::writeCsv(results, ResultExport::byMarks(), [&](const QByteArray& chunk) {
            csv += chunk;
            return true;
        }));
        QByteArrayList lines = csv.split('\n');
        QCOMPARE(lines.first(), QByteArray("set,group,category,path,size,modified,keep\r"));
        QByteArrayList keeps;
        for (const QByteArray& line : lines.mid(1)) {
            if (!line.isEmpty()) {
                keeps << line.mid(line.lastIndexOf(',') + 1).trimmed();
            }
        }
        QCOMPARE(keeps, (QByteArrayList{"yes", "no", "no", "yes", "yes"}));
        QVERIFY(csv.contains("\"/r/b,2.txt\""));

        QByteArray json;
        QVERIFY(ResultExport::writeJson(results, ResultExport::byMarks(), [&](const QByteArray& chunk) {
            json += chunk;
            return true;
        }));
        const QJsonObject root = QJsonDocument::fromJson(json).object();
        const QJsonArray sets = root.value("groups").toArray().at(0).toObject().value("sets").toArray();
        QCOMPARE(sets.size(), 2);
        QList<bool> flags;
        for (const QJsonValue set : sets) {
            for (const QJsonValue file : set.toObject().value("files").toArray()) {
                flags << file.toObject().value("keep").toBool();
            }
        }
        QCOMPARE(flags, (QList<bool>{true, false, false, true, true}));
    }
};

QTEST_GUILESS_MAIN(tst_References)
#include "tst_references.moc"
