#include "AppHarness.h"
#include "TestSupport.h"
#include "TreeBuilder.h"
#include "app/DeletionController.h"
#include "app/LocationPageController.h"
#include "app/ReviewController.h"
#include "review/CleanupJournal.h"
#include "review/CleanupRestore.h"
#include "review/ResultOutlineModel.h"
#include "review/SetFilesModel.h"
#include "review/StatisticsStore.h"
#include "scan/Formatting.h"
#include "scan/ScanSession.h"
#include "ui/FileProperties.h"
#include "ui/InformationWindow.h"
#include "ui/PreviewLoader.h"
#include "ui/ViewTransparent.h"

#include <QAbstractItemModelTester>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QImageWriter>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <dirent.h>
#include <sys/stat.h>

namespace {

constexpr int Long = 60000; // generous: the machine is shared and may be slow

QImage testImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(30, 140, 160));
    for (int x = 0; x < width; x += 7) {
        image.setPixelColor(x, x % height, Qt::yellow);
    }
    return image;
}

bool writePng(const QByteArray& path, const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, "PNG") && TreeBuilder::writeBytes(path, bytes);
}

} // namespace

class TstResultPage : public QObject
{
    Q_OBJECT

    TempRoot m_files; // home and trees; removes names that are not UTF-8 too
    QByteArray m_trash;
    int m_round = 0;

    // A fresh folder of duplicates: three copies of a picture (one under a
    // name that is not UTF-8), two of a text, three of one binary and two of
    // another.
    QByteArray writeTree()
    {
        const QByteArray root = m_files.path + "/tree" + QByteArray::number(++m_round);
        ::mkdir(root.constData(), 0700);
        ::mkdir((root + "/sub").constData(), 0700);
        const QImage picture = testImage(120, 80);
        bool ok = writePng(root + "/a.png", picture) && writePng(root + "/sub/b.png", picture) &&
                  writePng(root + "/sub/caf\xe9.png", picture);
        ok = ok && TreeBuilder::writeBytes(root + "/notes.txt", "the same words\n") &&
             TreeBuilder::writeBytes(root + "/sub/notes.txt", "the same words\n");
        for (const char* name : {"/x.bin", "/sub/y.bin", "/sub/z.bin"}) {
            ok = ok && TreeBuilder::writeBytes(root + name, QByteArray(3000, 'q'));
        }
        for (const char* name : {"/w.bin", "/sub/w.bin"}) {
            ok = ok && TreeBuilder::writeBytes(root + name, QByteArray(100, 'w'));
        }
        if (!ok) {
            qFatal("cannot write the test tree");
        }
        return root;
    }

    // Scans `root` and acknowledges the summary; false when it fails.
    void scanTo(AppHarness& app, const QByteArray& root)
    {
        app.delegate.buttonScanFoldersClicked();
        app.delegate.locations()->addFolderPaths({root});
        app.delegate.buttonFindDuplicatesExactClicked();
        QTRY_COMPARE_WITH_TIMEOUT(app.page(), QStringLiteral("4"), Long);
    }

    // Launches, scans a fresh tree and acknowledges the summary.
    void openFreshTree(AppHarness& app)
    {
        QVERIFY(app.delegate.launch());
        scanTo(app, writeTree());
        pressOk(app);
    }

    static void pressOk(AppHarness& app)
    {
        InformationWindow* information = app.delegate.informationWindow();
        QVERIFY(information->isVisible());
        information->button()->click();
        QVERIFY(information->isHidden());
    }

    static QString infoLine(AppHarness& app, int i)
    {
        return app.delegate.informationWindow()->line(i)->text();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(TestSupport::isolateUserFolders(m_files.dir));
        m_trash = qgetenv("XDG_DATA_HOME") + "/Trash";
        Q_INIT_RESOURCE(resources);
        QCoreApplication::setOrganizationName(QStringLiteral("Quillon"));
        QCoreApplication::setApplicationName(QStringLiteral("Tidemark"));
    }

    void summariesAndCategories()
    {
        AppHarness app;
        QVERIFY(app.delegate.launch());
        scanTo(app, writeTree());
        ReviewController* review = app.delegate.review();
        QAbstractItemModelTester outlineTester(review->outlineModel());
        QAbstractItemModelTester filesTester(review->filesModel());

        // The scan's summary, over a cover that keeps clicks off the page.
        InformationWindow* information = app.delegate.informationWindow();
        QVERIFY(information->isVisible());
        QCOMPARE(information->header()->text(), QStringLiteral("Duplicates Found"));
        QCOMPARE(infoLine(app, 0), QStringLiteral("Media: 2"));
        QCOMPARE(infoLine(app, 1), QStringLiteral("Documents: 1"));
        QCOMPARE(infoLine(app, 2), QStringLiteral("Others: 3"));
        QCOMPARE(information->button()->text(), QStringLiteral("Review"));
        QVERIFY(app.window.findChild<ViewTransparent*>());
        pressOk(app);
        QVERIFY(!app.window.findChild<ViewTransparent*>());

        // Groups with their sets, the first set selected and listed.
        auto* outline = app.w<QTreeView>("OView2");
        QCOMPARE(review->outlineModel()->rowCount(), 3);
        QVERIFY(review->selectedSet());
        QCOMPARE(review->filesModel()->rowCount(), 3);
        QCOMPARE(review->filesModel()->index(0, SetFilesModel::FileGroup).data().toString(),
                 QStringLiteral("1"));
        QStringList names;
        for (int row = 0; row < 3; ++row) {
            names << review->filesModel()->index(row, SetFilesModel::NameText).data().toString();
        }
        names.sort();
        QCOMPARE(names, (QStringList{QStringLiteral("a.png"), QStringLiteral("b.png"),
                                     QStringLiteral("caf\uFFFD.png")}));
        QTRY_VERIFY(app.w<QLabel>("textField")->text().startsWith(QLatin1Char(' ')));
        QVERIFY(app.w<QLabel>("selectedPath")->text().startsWith(QStringLiteral("Path: ")));

        // A click on a group row leaves the set selected.
        const SetPtr selected = review->selectedSet();
        const QModelIndex group = review->outlineModel()->index(1, ResultOutlineModel::Name);
        QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(group).center());
        QCOMPARE(review->selectedSet(), selected);

        // Images: its summary once; a second visit shows nothing.
        app.w<QAbstractButton>("imageButton")->click();
        QCOMPARE(infoLine(app, 0), QStringLiteral("Image Duplicates: 2"));
        QVERIFY(infoLine(app, 1).startsWith(QStringLiteral("Memory Occupied: ")));
        QVERIFY(!app.w<QAbstractButton>("imageButton")->isEnabled());
        pressOk(app);
        QCOMPARE(review->outlineModel()->rowCount(), 1);
        QTRY_VERIFY(
            app.w<QLabel>("textField")->text().contains(QStringLiteral("Image Dimensions   : 120x80")));
        app.w<QAbstractButton>("allButton")->click();
        QVERIFY(information->isHidden());
        app.w<QAbstractButton>("imageButton")->click();
        QVERIFY(information->isHidden());

        // An empty category: its message, then All.
        app.w<QAbstractButton>("videoButton")->click();
        QCOMPARE(infoLine(app, 0), QStringLiteral("No Video Duplicates Found"));
        pressOk(app);
        QCOMPARE(review->review().category(), ResultReview::Category::All);
        QVERIFY(!app.w<QAbstractButton>("allButton")->isEnabled());
        QCOMPARE(review->outlineModel()->rowCount(), 3);
    }

    // Files but no duplicates: the zero summary, then "Review" goes home.
    void emptyResultGoesHome()
    {
        const QByteArray root = m_files.path + "/distinct";
        ::mkdir(root.constData(), 0700);
        QVERIFY(TreeBuilder::writeBytes(root + "/one.txt", "one"));
        QVERIFY(TreeBuilder::writeBytes(root + "/two.txt", "two!"));
        AppHarness app;
        QVERIFY(app.delegate.launch());
        scanTo(app, root);
        QCOMPARE(infoLine(app, 0), QStringLiteral("Media: 0"));
        QCOMPARE(infoLine(app, 1), QStringLiteral("Documents: 0"));
        QCOMPARE(infoLine(app, 2), QStringLiteral("Others: 0"));
        QVERIFY(!app.w<QAbstractButton>("markAll")->isEnabled());
        pressOk(app);
        QCOMPARE(app.page(), QStringLiteral("1"));
    }

    void markingRulesInTheWindow()
    {
        AppHarness app;
        openFreshTree(app);
        ReviewController* review = app.delegate.review();
        SetFilesModel* files = review->filesModel();
        QCOMPARE(files->rowCount(), 3);
        auto clickBox = [&](int row) {
            QVERIFY(files->setData(files->index(row, SetFilesModel::ButtonCell), Qt::Checked,
                                   Qt::CheckStateRole));
        };

        clickBox(0);
        clickBox(1);
        QCOMPARE(app.w<QLabel>("selectedCount")->text(), QStringLiteral("Marked Duplicate Files: 2"));
        clickBox(2);
        QCOMPARE(infoLine(app, 0), QStringLiteral("All the files of same set cannot be selected"));
        QCOMPARE(files->index(2, SetFilesModel::ButtonCell).data(Qt::CheckStateRole).value<Qt::CheckState>(),
                 Qt::Unchecked);
        QCOMPARE(app.w<QLabel>("selectedCount")->text(), QStringLiteral("Marked Duplicate Files: 2"));
        pressOk(app);
        clickBox(0); // unmarking is always allowed
        QCOMPARE(app.w<QLabel>("selectedCount")->text(), QStringLiteral("Marked Duplicate Files: 1"));

        // The group box in its mixed state marks all its sets.
        app.w<QAbstractButton>("unMarkAll")->click();
        ResultOutlineModel* outline = review->outlineModel();
        const QModelIndex binGroup = outline->index(2, ResultOutlineModel::Name);
        QCOMPARE(binGroup.data().toString(), QStringLiteral("bin"));
        QCOMPARE(outline->rowCount(binGroup), 2);
        QVERIFY(outline->setData(outline->index(0, ResultOutlineModel::Check, binGroup), Qt::Checked,
                                 Qt::CheckStateRole));
        const QModelIndex groupBox = binGroup.siblingAtColumn(ResultOutlineModel::Check);
        QCOMPARE(groupBox.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::PartiallyChecked);
        QVERIFY(review->modal()->totalFilesSelected() == 1 || review->modal()->totalFilesSelected() == 2);
        QVERIFY(outline->setData(groupBox, Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(groupBox.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
        QCOMPARE(app.w<QLabel>("selectedCount")->text(), QStringLiteral("Marked Duplicate Files: 3"));
        QVERIFY(outline->setData(groupBox, Qt::Unchecked, Qt::CheckStateRole));
        QCOMPARE(groupBox.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
        QCOMPARE(app.w<QLabel>("selectedCount")->text(), QStringLiteral("Marked Duplicate Files: 0"));

        app.w<QAbstractButton>("markAll")->click();
        QCOMPARE(app.w<QLabel>("selectedCount")->text(), QStringLiteral("Marked Duplicate Files: 6"));
        QVERIFY(!app.w<QAbstractButton>("markAll")->isEnabled());
        QVERIFY(app.w<QAbstractButton>("unMarkAll")->isEnabled());
        QVERIFY(app.w<QAbstractButton>("addEceptionBtn")->isEnabled());

        // Not while a panel waits for an answer: the keyboard goes to the panel.
        review->getInfo();
        QVERIFY(app.delegate.informationWindow()->button()->hasFocus() || !app.window.isActiveWindow());
        QTest::keyClick(app.w<QTreeView>("OView2"), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(app.w<QLabel>("selectedCount")->text(), QStringLiteral("Marked Duplicate Files: 6"));
        pressOk(app);

        // The same two commands from the keyboard, wherever the focus is on the page.
        QTest::keyClick(app.w<QTreeView>("OView2"), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(app.w<QLabel>("selectedCount")->text(), QStringLiteral("Marked Duplicate Files: 0"));
        QTest::keyClick(app.w<QTreeView>("OView2"), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(app.w<QLabel>("selectedCount")->text(), QStringLiteral("Marked Duplicate Files: 6"));

        app.w<QAbstractButton>("unMarkAll")->click();
        QCOMPARE(app.w<QLabel>("selectedCount")->text(), QStringLiteral("Marked Duplicate Files: 0"));
        QCOMPARE(app.w<QLabel>("selectedSize")->text(), QStringLiteral("Marked File Size: 0.00 KB"));
        QVERIFY(!app.w<QAbstractButton>("addEceptionBtn")->isEnabled());
        QVERIFY(app.w<QComboBox>("sortPopupBtn")->isEnabled());

        // Delete with nothing marked only says so.
        app.w<QAbstractButton>("finishButton")->click();
        QCOMPARE(infoLine(app, 0), QStringLiteral("Please select any file to delete."));
        QVERIFY(!app.delegate.deletion()->running());
        pressOk(app);

        // Space marks the box of the row with the focus, through the same rules.
        auto* outlineView = app.w<QTreeView>("OView2");
        outlineView->setFocus();
        QTest::keyClick(outlineView, Qt::Key_Space);
        QCOMPARE(review->selectedSet()->setsState(), MarkState::Marked);
        QTest::keyClick(outlineView, Qt::Key_Space);
        QCOMPARE(review->selectedSet()->setsState(), MarkState::Unmarked);
        auto* table = app.w<QTableView>("resultTable");
        table->setCurrentIndex(files->index(1, SetFilesModel::NameText));
        QTest::keyClick(table, Qt::Key_Space);
        QCOMPARE(files->fileAt(1)->state(), MarkState::Marked);
        QTest::keyClick(table, Qt::Key_Space);
        QCOMPARE(files->fileAt(1)->state(), MarkState::Unmarked);

        // The context menu's set commands never mark every file of a set.
        review->markAllSelectedSet();
        const SetPtr set = review->selectedSet();
        QCOMPARE(set->totalFilesSelectedInSet(), 2ULL);
        QCOMPARE(set->files().first()->state(), MarkState::Unmarked);
        review->unMarkAllSelectedSet();
        QCOMPARE(set->totalFilesSelectedInSet(), 0ULL);
    }

    // The table follows the sort controls; a box or a double click means the
    // file shown in that row, whatever the stored order.
    void sortedRowsAddressShownFiles()
    {
        AppHarness app;
        openFreshTree(app);
        ReviewController* review = app.delegate.review();
        SetFilesModel* files = review->filesModel();
        const SetPtr set = review->selectedSet();
        const QList<FilePtr> stored = set->files();

        auto* popup = app.w<QComboBox>("sortPopupBtn");
        QCOMPARE(popup->itemData(1).toInt(), 2);
        QCOMPARE(popup->itemData(1, Qt::ToolTipRole).toString(), QStringLiteral("Sort by name"));
        popup->setCurrentIndex(1);
        Q_EMIT popup->activated(1);
        QCOMPARE(popup->toolTip(), QStringLiteral("Sort by name"));
        app.w<QToolButton>("asscendingBtn")->click(); // now descending
        QCOMPARE(app.w<QToolButton>("asscendingBtn")->toolTip(), QStringLiteral("Descending"));
        QStringList shown;
        for (int row = 0; row < files->rowCount(); ++row) {
            shown << files->index(row, SetFilesModel::NameText).data().toString();
            QCOMPARE(files->fileAt(row)->index(), quint64(row));
        }
        QCOMPARE(shown, (QStringList{QStringLiteral("caf\uFFFD.png"), QStringLiteral("b.png"),
                                     QStringLiteral("a.png")}));
        QCOMPARE(set->files(), stored); // the stored order never changes

        QVERIFY(files->setData(files->index(2, SetFilesModel::ButtonCell), Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(files->fileAt(2)->state(), MarkState::Marked);
        QCOMPARE(files->fileAt(2)->fileName(), QByteArray("a.png"));
        review->doubleClick(files->index(0, SetFilesModel::NameText));
        QVERIFY(app.delegate.lastOpened().endsWith(QStringLiteral("/sub/caf\uFFFD.png")));
    }

    void markAllThenDelete()
    {
        AppHarness app;
        QVERIFY(app.delegate.launch());
        const QByteArray root = writeTree();
        const StatisticsStore& store = app.delegate.store();
        const qint64 countBefore = store.alreadyDeletedCount();
        scanTo(app, root);
        pressOk(app);
        app.w<QAbstractButton>("markAll")->click();
        const QByteArrayList trashedBefore = TestSupport::trashedNames(m_trash);

        QSignalSpy finished(app.delegate.deletion(), &DeletionController::deletionFinished);
        app.w<QAbstractButton>("finishButton")->click();
        QVERIFY(app.delegate.deletion()->running());
        QVERIFY(app.w<QWidget>("deletionPreview")->isVisible());
        QVERIFY(!app.w<QAbstractButton>("finishButton")->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, Long);
        QVERIFY(!app.w<QWidget>("deletionPreview")->isVisible());

        QCOMPARE(infoLine(app, 0), QStringLiteral("Duplicates Cleaned: 6"));
        const quint64 bytes = finished.at(0).at(1).toULongLong();
        QCOMPARE(infoLine(app, 1),
                 QStringLiteral("Space Regained: %1 ").arg(Formatting::getFormattedStringForSize(bytes)));
        QCOMPARE(app.w<QProgressBar>("deletionIndicator")->value(),
                 app.w<QProgressBar>("deletionIndicator")->maximum());

        // Each set keeps its first file; the six copies are in the Trash with their paths.
        const QByteArrayList trashed = TestSupport::trashedNames(m_trash);
        QCOMPARE(trashed.size() - trashedBefore.size(), 6);
        int kept = 0;
        for (const char* name : {"/a.png", "/sub/b.png", "/sub/caf\xe9.png", "/notes.txt", "/sub/notes.txt",
                                 "/x.bin", "/sub/y.bin", "/sub/z.bin", "/w.bin", "/sub/w.bin"}) {
            kept += TreeBuilder::exists(root + name) ? 1 : 0;
        }
        QCOMPARE(kept, 4);
        int fromOurTree = 0;
        for (const QByteArray& name : trashed) {
            const QByteArray info = TreeBuilder::readBytes(m_trash + "/info/" + name + ".trashinfo");
            const qsizetype at = info.indexOf("Path=");
            QVERIFY(at >= 0);
            const QByteArray original = QByteArray::fromPercentEncoding(info.mid(at + 5).split('\n').first());
            fromOurTree += original.startsWith(root + "/") ? 1 : 0;
        }
        QCOMPARE(fromOurTree, 6);

        // The totals are on disk, and the home page's line says so.
        StatisticsStore reread;
        reread.loadDataFile(app.delegate.appSupportPath());
        QCOMPARE(reread.alreadyDeletedCount(), countBefore + 6);
        QCOMPARE(reread.alreadyDeletedSize(), store.alreadyDeletedSize());
        QVERIFY(bytes > 0);
        QCOMPARE(app.w<QLabel>("cleanHistory")->text(), store.cleanedSoFarText());
        QCOMPARE(app.w<QLabel>("selectedCount")->text(), QStringLiteral("Marked Duplicate Files: 0"));
        QCOMPARE(app.delegate.review()->filesModel()->rowCount(), 1);
        pressOk(app);
    }

    // Stop, "NO": the run goes on to the end. Stop, "YES": it ends before the
    // next set, and what it reports is exactly what left the disk.
    void stopDeletion_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("NO resumes") << false;
        QTest::newRow("YES ends") << true;
    }
    void stopDeletion()
    {
        QFETCH(bool, yes);
        const QByteArray root = m_files.path + "/many" + QByteArray::number(++m_round);
        ::mkdir(root.constData(), 0700);
        constexpr int Sets = 300;
        for (int i = 0; i < Sets; ++i) {
            const QByteArray content = "set " + QByteArray::number(i);
            QVERIFY(TreeBuilder::writeBytes(root + "/k" + QByteArray::number(i) + ".dat", content));
            QVERIFY(TreeBuilder::writeBytes(root + "/m" + QByteArray::number(i) + ".dat", content));
        }
        AppHarness app;
        QVERIFY(app.delegate.launch());
        const qint64 countBefore = app.delegate.store().alreadyDeletedCount();
        scanTo(app, root);
        pressOk(app);
        app.w<QAbstractButton>("markAll")->click();
        DeletionController* deletion = app.delegate.deletion();
        QSignalSpy finished(deletion, &DeletionController::deletionFinished);
        QSignalSpy asked(deletion, &DeletionController::questionShown);
        app.w<QAbstractButton>("finishButton")->click();
        // Pause/Resume goes by the run's state, and its title follows.
        auto* pauseResume = app.w<QAbstractButton>("pauseResumeBtn");
        pauseResume->click();
        QCOMPARE(deletion->runState(), DeletionController::RunState::Paused);
        QCOMPARE(pauseResume->text(), QStringLiteral("Resume"));
        QVERIFY(deletion->pauseRequested());
        QVERIFY(!app.w<QAbstractButton>("stopDeleteBtn")->isEnabled());
        pauseResume->click();
        QCOMPARE(deletion->runState(), DeletionController::RunState::Running);
        QCOMPARE(pauseResume->text(), QStringLiteral("Pause"));
        QVERIFY(!deletion->pauseRequested());
        QVERIFY(app.w<QAbstractButton>("stopDeleteBtn")->isEnabled());
        app.w<QAbstractButton>("stopDeleteBtn")->click();
        QCOMPARE(asked.count(), 1);
        QCOMPARE(deletion->runState(), DeletionController::RunState::StopAsked);
        QVERIFY(deletion->pauseRequested());
        QVERIFY(!app.w<QAbstractButton>("pauseResumeBtn")->isEnabled());
        auto* box = app.window.findChild<QMessageBox*>(QStringLiteral("stopDeletionQuestion"));
        QVERIFY(box);
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == (yes ? QStringLiteral("YES") : QStringLiteral("NO"))) {
                button->click();
            }
        }
        QCOMPARE(deletion->runState(),
                 yes ? DeletionController::RunState::Stopping : DeletionController::RunState::Running);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, Long);
        const quint64 count = finished.at(0).at(0).toULongLong();
        int gone = 0;
        for (int i = 0; i < Sets; ++i) {
            QVERIFY(TreeBuilder::exists(root + "/k" + QByteArray::number(i) + ".dat") ||
                    TreeBuilder::exists(root + "/m" + QByteArray::number(i) + ".dat"));
            gone += TreeBuilder::exists(root + "/m" + QByteArray::number(i) + ".dat") &&
                            TreeBuilder::exists(root + "/k" + QByteArray::number(i) + ".dat")
                        ? 0
                        : 1;
        }
        QCOMPARE(count, quint64(gone));
        if (!yes) {
            QCOMPARE(count, quint64(Sets));
        }
        // What was not moved is still marked, ready for another run.
        QCOMPARE(app.delegate.review()->modal()->totalFilesSelected(), quint64(Sets) - count);
        StatisticsStore reread;
        reread.loadDataFile(app.delegate.appSupportPath());
        QCOMPARE(reread.alreadyDeletedCount(), countBefore + qint64(count));
        QCOMPARE(infoLine(app, 0), QStringLiteral("Duplicates Cleaned: %1").arg(count));
        pressOk(app);

        // Pause holds the run and Resume lets it finish.
        if (yes && count < quint64(Sets)) {
            app.w<QAbstractButton>("finishButton")->click();
            app.w<QAbstractButton>("pauseResumeBtn")->click();
            QCOMPARE(app.w<QAbstractButton>("pauseResumeBtn")->text(), QStringLiteral("Resume"));
            QVERIFY(!app.w<QAbstractButton>("stopDeleteBtn")->isEnabled());
            app.w<QAbstractButton>("pauseResumeBtn")->click();
            QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, Long);
            QCOMPARE(app.delegate.review()->modal()->totalFilesSelected(), 0ULL);
            pressOk(app);
        }
    }

    void closingWaitsForTheDeletion()
    {
        AppHarness app;
        openFreshTree(app);
        app.w<QAbstractButton>("markAll")->click();
        QSignalSpy finished(app.delegate.deletion(), &DeletionController::deletionFinished);
        app.w<QAbstractButton>("pauseResumeBtn")->setEnabled(true);
        app.w<QAbstractButton>("finishButton")->click();
        app.w<QAbstractButton>("pauseResumeBtn")->click(); // held: the run cannot end under the question
        QVERIFY(!app.delegate.windowShouldClose());
        QVERIFY(app.w<QWidget>("runningAlert")->isVisible());
        app.w<QAbstractButton>("runningAlertOk")->click();
        app.w<QAbstractButton>("pauseResumeBtn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, Long);
        pressOk(app);
    }

    // A file system that keeps no creation date (ext2 with small inodes):
    // the date shows as missing, never as 1970.
    void missingCreationDate()
    {
        const QByteArray image = m_files.path + "/nobirth.img";
        const QByteArray mount = m_files.path + "/nobirth";
        ::mkdir(mount.constData(), 0700);
        auto run = [](const QString& program, const QStringList& arguments) {
            QProcess process;
            process.start(program, arguments);
            return process.waitForFinished(Long) && process.exitStatus() == QProcess::NormalExit &&
                   process.exitCode() == 0;
        };
        if (!run(QStringLiteral("truncate"),
                 {QStringLiteral("-s"), QStringLiteral("4M"), QFile::decodeName(image)}) ||
            !run(QStringLiteral("mkfs.ext2"),
                 {QStringLiteral("-q"), QStringLiteral("-F"), QStringLiteral("-I"), QStringLiteral("128"),
                  QFile::decodeName(image)})) {
            QSKIP("cannot make an ext2 image (mkfs.ext2 missing?)");
        }
        if (!run(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("loop"),
                                           QFile::decodeName(image), QFile::decodeName(mount)})) {
            QSKIP("the kernel refused a loop mount here");
        }
        const QByteArray file = mount + "/old.txt";
        const bool written = TreeBuilder::writeBytes(file, "words\n");
        const QString text = FileProperties::getAllProperties(file);
        QVERIFY(run(QStringLiteral("umount"), {QFile::decodeName(mount)}));
        QVERIFY(written);
        QVERIFY2(text.contains(QStringLiteral("Created Date        : (null)")), qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("1970")));
        QVERIFY(!text.contains(QStringLiteral("Modified Date       : (null)")));
    }

    void propertiesAndThumbnails()
    {
        const QByteArray folder = m_files.path + "/props";
        ::mkdir(folder.constData(), 0700);

        // A vanished file: empty size, no dates, no dimensions.
        const QByteArray missing = folder + "/gone.png";
        QCOMPARE(
            FileProperties::getAllProperties(missing),
            QStringLiteral(" gone.png\nSize                       : 0.00 KB\nCreated Date        : (null)\n"
                           "Modified Date       : (null)"));
        QCOMPARE(
            FileProperties::getImageProperties(missing),
            QStringLiteral(" gone.png\nSize                          : 0.00 KB\nImage Dimensions   : 0x0\n"
                           "Created Date           : (null)\nModified Date         : (null)"));
        QVERIFY(PreviewLoader::resizeImageAtPath(missing).isNull());

        // Points follow the recorded resolution: 144 dpi halves the pixel size.
        QImage sharp = testImage(40, 30);
        sharp.setDotsPerMeterX(5669);
        sharp.setDotsPerMeterY(5669);
        QVERIFY(writePng(folder + "/sharp.png", sharp));
        QVERIFY(
            FileProperties::getImageProperties(folder + "/sharp.png").contains(QStringLiteral(": 20x15\n")));
        const QString all = FileProperties::getAllProperties(folder + "/sharp.png");
        QVERIFY(all.contains(QRegularExpression(
            QStringLiteral("Modified Date       : \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"))));

        // A large picture at a recorded 144 dpi: the preview's text gives its
        // full size in points, written in the shortest exact form.
        QImage large = testImage(1600, 1200);
        large.setDotsPerMeterX(5669);
        large.setDotsPerMeterY(5669);
        QBuffer largeJpeg;
        largeJpeg.open(QIODevice::WriteOnly);
        QVERIFY(large.save(&largeJpeg, "JPEG"));
        QVERIFY(TreeBuilder::writeBytes(folder + "/large.jpg", largeJpeg.data()));
        PreviewLoader loader;
        QSignalSpy ready(&loader, &PreviewLoader::previewReady);
        loader.request(folder + "/large.jpg", true);
        QVERIFY(ready.wait(10000));
        QCOMPARE(ready.first().at(2).value<QImage>().size(), QSize(640, 480));
        QVERIFY2(
            ready.first().at(3).toString().contains(QStringLiteral("Image Dimensions   : 800.04x600.03\n")),
            qPrintable(ready.first().at(3).toString()));
        QCOMPARE(FileProperties::numberText(800.04), QStringLiteral("800.04"));

        // The thumbnail keeps the largest side at 640 and applies the orientation.
        QVERIFY(writePng(folder + "/wide.png", testImage(1600, 400)));
        QCOMPARE(PreviewLoader::resizeImageAtPath(folder + "/wide.png").size(), QSize(640, 160));
        QBuffer jpeg;
        jpeg.open(QIODevice::WriteOnly);
        QImageWriter writer(&jpeg, "jpeg");
        writer.setTransformation(QImageIOHandler::TransformationRotate90);
        QVERIFY(writer.write(testImage(100, 50)));
        QVERIFY(TreeBuilder::writeBytes(folder + "/turned.jpg", jpeg.data()));
        QCOMPARE(PreviewLoader::resizeImageAtPath(folder + "/turned.jpg").size(), QSize(50, 100));

        // A name that is not UTF-8 is read by its bytes.
        QVERIFY(writePng(folder + "/\xff\xfe.png", testImage(10, 10)));
        QCOMPARE(PreviewLoader::resizeImageAtPath(folder + "/\xff\xfe.png").size(), QSize(10, 10));
        QVERIFY(FileProperties::getAllProperties(folder + "/\xff\xfe.png")
                    .startsWith(QStringLiteral(" \uFFFD\uFFFD.png")));
    }

    // The window's Delete writes every file it moves to the clean-up
    // journal, so a restore brings the window's clean-up back.
    void windowDeletionCanBeRestored()
    {
        AppHarness app;
        QVERIFY(app.delegate.launch());
        const QByteArray root = writeTree();
        const QByteArrayList names{"/a.png", "/sub/b.png", "/sub/caf\xe9.png", "/notes.txt", "/sub/notes.txt",
                                   "/x.bin", "/sub/y.bin", "/sub/z.bin",       "/w.bin",     "/sub/w.bin"};
        QHash<QByteArray, QByteArray> before;
        for (const QByteArray& name : names) {
            before.insert(name, TreeBuilder::readBytes(root + name));
        }
        const qint64 countBefore = app.delegate.store().alreadyDeletedCount();
        scanTo(app, root);
        pressOk(app);
        app.w<QAbstractButton>("markAll")->click();
        QSignalSpy finished(app.delegate.deletion(), &DeletionController::deletionFinished);
        app.w<QAbstractButton>("finishButton")->click();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, Long);
        pressOk(app);

        CleanupJournal journal;
        const std::optional<CleanupJournal::Cleanup> last = journal.lastPending();
        QVERIFY(last);
        QCOMPARE(last->items.size(), 6);
        for (const CleanupJournal::Item& item : last->items) {
            QVERIFY(item.originalPath.startsWith(root + "/"));
            QVERIFY(TreeBuilder::exists(item.filesPath));
        }
        StatisticsStore store;
        store.loadDataFile(app.delegate.appSupportPath());
        QCOMPARE(store.alreadyDeletedCount(), countBefore + 6);
        const CleanupRestore::Result result = CleanupRestore::restoreLast(journal, &store);
        QVERIFY(result.allRestored());
        QCOMPARE(result.restoredCount, 6ULL);
        for (const QByteArray& name : names) {
            QCOMPARE(TreeBuilder::readBytes(root + name), before.value(name));
        }
        StatisticsStore reread;
        reread.loadDataFile(app.delegate.appSupportPath());
        QCOMPARE(reread.alreadyDeletedCount(), countBefore);
    }
};

QTEST_MAIN(TstResultPage)
#include "tst_resultpage.moc"
