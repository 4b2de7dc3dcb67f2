#include "AppHarness.h"
#include "TestSupport.h"
#include "TreeBuilder.h"
#include "app/ExceptionController.h"
#include "app/LocationPageController.h"
#include "app/ReviewController.h"
#include "review/ExceptionList.h"
#include "review/SetFilesModel.h"
#include "scan/ScanSession.h"
#include "ui/ExceptionWindow.h"
#include "ui/FocusedRowFrame.h"
#include "ui/InformationWindow.h"
#include "ui/Theme.h"
#include "ui/ViewSettingsSaved.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTest>
#include <QTreeView>
#include <sys/stat.h>

namespace {

constexpr int Long = 60000; // the machine is shared and may be slow

// Presses a key where the keyboard is, as a user would.
void press(Qt::Key key)
{
    QWidget* target = QApplication::focusWidget();
    QVERIFY2(target, "nothing has the keyboard");
    QTest::keyClick(target, key);
}

} // namespace

class TstWindowFit : public QObject
{
    Q_OBJECT

    TempRoot m_files;
    int m_round = 0;

    QByteArray writeTree()
    {
        const QByteArray root = m_files.path + "/tree" + QByteArray::number(++m_round);
        ::mkdir(root.constData(), 0700);
        ::mkdir((root + "/sub").constData(), 0700);
        bool ok = true;
        for (const char* name : {"/x.bin", "/sub/y.bin", "/sub/z.bin"}) {
            ok = ok && TreeBuilder::writeBytes(root + name, QByteArray(3000, 'q'));
        }
        for (const char* name : {"/notes.txt", "/sub/notes.txt"}) {
            ok = ok && TreeBuilder::writeBytes(root + name, "the same words\n");
        }
        if (!ok) {
            qFatal("cannot write the test tree");
        }
        return root;
    }

    void showActive(AppHarness& app)
    {
        app.window.show();
        app.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&app.window));
    }

    // Launches and scans a fresh tree; the summary waits for its answer.
    void scanToResults(AppHarness& app)
    {
        QVERIFY(app.delegate.launch());
        showActive(app);
        app.delegate.buttonScanFoldersClicked();
        app.delegate.locations()->addFolderPaths({writeTree()});
        QTest::mouseClick(app.w<QAbstractButton>("findDuplicateExact"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(app.page(), QStringLiteral("4"), Long);
        QTRY_VERIFY(app.delegate.informationWindow()->isVisible());
    }

    static bool centredIn(const QWidget* panel, const QWidget* window, int slack)
    {
        const QPoint offset = panel->geometry().center() - window->rect().center();
        return qAbs(offset.x()) <= slack && qAbs(offset.y()) <= slack;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(TestSupport::isolateUserFolders(m_files.dir));
        Q_INIT_RESOURCE(resources);
        QCoreApplication::setOrganizationName(QStringLiteral("Quillon"));
        QCoreApplication::setApplicationName(QStringLiteral("Tidemark"));
        QApplication::setQuitOnLastWindowClosed(false);
        // As a dark desktop colour scheme hands it to the program.
        QPalette dark;
        for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button}) {
            dark.setColor(role, QColor(0x24, 0x24, 0x24));
        }
        for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
            dark.setColor(role, QColor(0xee, 0xee, 0xee));
        }
        QApplication::setPalette(dark);
    }

    void init() { QSettings().remove(QStringLiteral("MainWindow/geometry")); }

    // The window opens at its first size, never shrinks below it, and gives
    // what it grows by to the tables, the outline and the preview.
    void windowGrowsAndTablesFollow()
    {
        AppHarness app;
        scanToResults(app);
        QCOMPARE(app.window.size(), QSize(1016, 531));
        QCOMPARE(app.window.minimumSize(), QSize(1016, 531));
        QVERIFY(app.window.maximumSize().width() > 4000);

        auto* outline = app.w<QTreeView>("OView2");
        auto* table = app.w<QTableView>("resultTable");
        auto* preview = app.w<QLabel>("imView");
        auto* deleteButton = app.w<QAbstractButton>("finishButton");
        const QRect outlineAt = outline->geometry();
        const QRect tableAt = table->geometry();
        const QRect previewAt = preview->geometry();
        QCOMPARE(tableAt, QRect(352, 48, 360, 250));
        InformationWindow* information = app.delegate.informationWindow();
        QVERIFY(centredIn(information, &app.window, 2));

        app.window.resize(1400, 900);
        QTRY_COMPARE(app.window.size(), QSize(1400, 900));
        QTRY_VERIFY(table->width() > tableAt.width() + 150);
        QCOMPARE(table->height(), tableAt.height() + 369);
        QVERIFY(outline->width() > outlineAt.width() + 80);
        QCOMPARE(outline->height(), outlineAt.height() + 369);
        QVERIFY(preview->width() > previewAt.width() + 100);
        QVERIFY(preview->height() > previewAt.height() + 300);
        // Nothing overlaps: outline, table and preview stand side by side.
        QVERIFY(outline->geometry().right() < table->geometry().left());
        QVERIFY(table->geometry().right() < preview->geometry().left());
        // The button row keeps to the bottom-right corner of the page.
        const QRect deleteInWindow(deleteButton->mapTo(&app.window, QPoint(0, 0)), deleteButton->size());
        QCOMPARE(app.window.width() - deleteInWindow.right() - 1, 12);
        QCOMPARE(app.window.height() - deleteInWindow.bottom() - 1, 531 - 40 - 468);
        // The panel on show stays over the middle of the window, and its cover covers it all.
        QVERIFY(centredIn(information, &app.window, 2));
        auto* cover = app.window.findChild<QWidget*>(QStringLiteral("viewTransparent"));
        QVERIFY(cover);
        QCOMPARE(cover->geometry(), app.window.rect());

        // The location page's table follows as well.
        press(Qt::Key_Return);
        QTRY_VERIFY(information->isHidden());
        app.delegate.buttonHomeExactPageClicked();
        app.delegate.buttonScanFoldersClicked();
        QCOMPARE(app.page(), QStringLiteral("2"));
        auto* locations = app.w<QTableView>("tableExact");
        QCOMPARE(locations->size(), QSize(976 + 384, 344 + 369));

        // Back to the first size, everything is where it was drawn.
        app.window.resize(1016, 531);
        QTRY_COMPARE(locations->size(), QSize(976, 344));
        // A page not on show is laid out when it shows.
        app.window.selectTabViewItemWithIdentifier(QStringLiteral("4"));
        QTRY_COMPARE(table->geometry(), tableAt);
        QCOMPARE(deleteButton->geometry(), QRect(838, 436, 166, 32));
        QCOMPARE(outline->geometry(), outlineAt);
        QCOMPARE(preview->geometry(), previewAt);
    }

    // A picture on show is fitted again when the window gives the preview more room.
    void previewFollowsTheWindow()
    {
        const QByteArray root = m_files.path + "/pictures";
        ::mkdir(root.constData(), 0700);
        QImage picture(900, 900, QImage::Format_RGB32);
        picture.fill(QColor(0x20, 0x80, 0x60));
        QVERIFY(picture.save(QString::fromUtf8(root + "/a.png")));
        QVERIFY(picture.save(QString::fromUtf8(root + "/b.png")));

        AppHarness app;
        QVERIFY(app.delegate.launch());
        showActive(app);
        app.delegate.buttonScanFoldersClicked();
        app.delegate.locations()->addFolderPaths({root});
        QTest::mouseClick(app.w<QAbstractButton>("findDuplicateExact"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(app.page(), QStringLiteral("4"), Long);
        QTRY_VERIFY(app.delegate.informationWindow()->isVisible());
        press(Qt::Key_Return);
        QTRY_VERIFY(app.delegate.informationWindow()->isHidden());

        auto* table = app.w<QTableView>("resultTable");
        QTRY_VERIFY(table->model()->rowCount() == 2);
        const QRect row = table->visualRect(table->model()->index(0, 0));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, row.center());
        auto* preview = app.w<QLabel>("imView");
        auto shownWidth = [preview] {
            const QPixmap pixmap = preview->pixmap();
            return pixmap.isNull() ? 0 : qRound(pixmap.width() / pixmap.devicePixelRatio());
        };
        // The picture fills the preview's smaller side at the first size...
        const auto side = [preview] { return qMin(preview->width(), preview->height()); };
        QTRY_VERIFY(shownWidth() >= side() - 4);
        const int before = shownWidth();

        // ...and again once the window has grown, without selecting anything.
        app.window.resize(1400, 900);
        QTRY_VERIFY(side() > before + 100);
        QTRY_VERIFY(shownWidth() >= side() - 4);
        QVERIFY(shownWidth() <= preview->width());
    }

    // Size and place come back at the next start.
    void windowRemembersItsSize()
    {
        {
            AppHarness app;
            QVERIFY(app.delegate.launch());
            showActive(app);
            app.window.resize(1300, 800);
            QTRY_COMPARE(app.window.size(), QSize(1300, 800));
            QVERIFY(app.window.close());
        }
        QVERIFY(QSettings().contains(QStringLiteral("MainWindow/geometry")));
        AppHarness again;
        QVERIFY(again.delegate.launch());
        showActive(again);
        QTRY_COMPARE(again.window.size(), QSize(1300, 800));
    }

    // Return answers every panel with its default button; Escape takes the
    // safe way out where there is one.
    void returnAnswersEachPanel()
    {
        AppHarness app;
        scanToResults(app);
        InformationWindow* information = app.delegate.informationWindow();
        QVERIFY(information->button()->hasFocus());
        QCOMPARE(information->button()->text(), QStringLiteral("Review"));
        press(Qt::Key_Return);
        QTRY_VERIFY(information->isHidden());
        QCOMPARE(app.page(), QStringLiteral("4"));

        // Delete with nothing marked says so; Enter (keypad) closes it.
        QTest::mouseClick(app.w<QAbstractButton>("finishButton"), Qt::LeftButton);
        QTRY_VERIFY(information->isVisible());
        QCOMPARE(information->line(0)->text(), QStringLiteral("Please select any file to delete."));
        press(Qt::Key_Enter);
        QTRY_VERIFY(information->isHidden());

        // The exception question: Return means Ok, and the marked files join the list.
        QTest::mouseClick(app.w<QAbstractButton>("markAll"), Qt::LeftButton);
        const qsizetype before = app.delegate.exceptions().exceptionArrayData().size();
        QTest::mouseClick(app.w<QAbstractButton>("addEceptionBtn"), Qt::LeftButton);
        ExceptionWindow* exceptions = app.delegate.exceptionCommands()->exceptionWindow();
        QTRY_VERIFY(exceptions->isVisible());
        QCOMPARE(exceptions->defaultButton(), exceptions->okButton());
        press(Qt::Key_Return);
        QTRY_VERIFY(exceptions->isHidden());
        QVERIFY(app.delegate.exceptions().exceptionArrayData().size() > before);
        if (information->isVisible()) {
            press(Qt::Key_Return);
            QTRY_VERIFY(information->isHidden());
        }
    }

    void returnAnswersTheScanPanels()
    {
        AppHarness app;
        QVERIFY(app.delegate.launch());
        showActive(app);
        const QString slow = m_files.dir.filePath(QStringLiteral("slow"));
        QVERIFY(TestSupport::writeSlowTree(slow));
        // Held before detection, so the scan is still running at every step.
        app.scan()->setDetectionGate(true);
        app.delegate.buttonScanFoldersClicked();
        app.delegate.locations()->addFolderPaths({QFile::encodeName(slow)});
        QTest::mouseClick(app.w<QAbstractButton>("findDuplicateExact"), Qt::LeftButton);
        QCOMPARE(app.page(), QStringLiteral("5"));

        // Stop asks first; Return gives the default answer, No, and the scan goes on.
        auto* confirmation = app.w<ViewSettingsSaved>("confirmationView");
        QTest::mouseClick(app.w<QAbstractButton>("stopButton"), Qt::LeftButton);
        QTRY_VERIFY(confirmation->isVisible());
        QVERIFY(app.w<QAbstractButton>("cancelNo")->hasFocus());
        press(Qt::Key_Return);
        QTRY_VERIFY(confirmation->isHidden());
        QCOMPARE(app.page(), QStringLiteral("5"));
        QVERIFY(app.scan()->scanning());

        // Escape is No as well.
        QTest::mouseClick(app.w<QAbstractButton>("stopButton"), Qt::LeftButton);
        QTRY_VERIFY(confirmation->isVisible());
        press(Qt::Key_Escape);
        QTRY_VERIFY(confirmation->isHidden());
        QVERIFY(app.scan()->scanning());

        // Closing during the scan shows the notice; Return is its Ok.
        auto* notice = app.w<ViewSettingsSaved>("runningAlert");
        QVERIFY(!app.window.close());
        QTRY_VERIFY(notice->isVisible());
        press(Qt::Key_Return);
        QTRY_VERIFY(notice->isHidden());
        QVERIFY(app.scan()->scanning());

        // Stop for real: Tab to Yes, Return presses the button with the keyboard.
        QTest::mouseClick(app.w<QAbstractButton>("stopButton"), Qt::LeftButton);
        QTRY_VERIFY(confirmation->isVisible());
        app.w<QAbstractButton>("cancelYes")->setFocus(Qt::TabFocusReason);
        app.scan()->setDetectionGate(false);
        press(Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!app.scan()->scanning(), Long);
        QTRY_VERIFY_WITH_TIMEOUT(app.page() != QStringLiteral("5"), Long);
    }

    // The standard widgets take the painted controls' colours, whatever the
    // desktop's scheme: dark text on the light pages, teal selection.
    void standardWidgetsShareOnePalette()
    {
        AppHarness app;
        QVERIFY(app.delegate.launch());
        showActive(app);
        const QPalette palette = QApplication::palette();
        QCOMPARE(palette.color(QPalette::Window), Theme::windowColor());
        QCOMPARE(palette.color(QPalette::Highlight), Theme::accent());
        QCOMPARE(palette.color(QPalette::HighlightedText), QColor(Qt::white));
        QCOMPARE(palette.color(QPalette::Text), Theme::text());
        auto* sort = app.w<QComboBox>("sortPopupBtn");
        QCOMPARE(sort->palette().color(QPalette::Highlight), Theme::accent());
        // The home page: the clean-up line and the painted tiles sit on the
        // home picture; the location page's title is dark on light.
        app.delegate.buttonScanFoldersClicked();
        auto* title = app.w<QLabel>("locationTitle");
        const QImage shot = app.window.grab().toImage();
        const QPoint corner = title->mapTo(&app.window, QPoint(2, 2));
        QCOMPARE(shot.pixelColor(corner), Theme::windowColor());
    }

    // Tab leaves the tables, and the row the keys act on is framed.
    void tabLeavesTablesAndTheFocusedRowShows()
    {
        AppHarness app;
        scanToResults(app);
        press(Qt::Key_Return);
        QTRY_VERIFY(app.delegate.informationWindow()->isHidden());
        auto* outline = app.w<QTreeView>("OView2");
        auto* table = app.w<QTableView>("resultTable");
        QVERIFY(table->model()->rowCount() >= 2);
        table->setFocus(Qt::TabFocusReason);
        QVERIFY(table->hasFocus());
        table->setCurrentIndex(table->model()->index(1, SetFilesModel::NameText));
        auto* frame = table->viewport()->findChild<FocusedRowFrame*>();
        QVERIFY(frame);
        const QRect row = table->visualRect(table->currentIndex());
        QTRY_COMPARE(frame->frameRect().top(), row.top());
        QCOMPARE(frame->frameRect().width(), table->viewport()->width());
        // Down moves the frame with the current row.
        QTest::keyClick(table, Qt::Key_Up);
        QTRY_COMPARE(frame->frameRect().top(), table->visualRect(table->currentIndex()).top());
        QCOMPARE(table->currentIndex().row(), 0);

        QTest::keyClick(table, Qt::Key_Tab);
        QVERIFY(!table->hasFocus());
        QTRY_VERIFY(frame->frameRect().isEmpty());
        outline->setFocus(Qt::TabFocusReason);
        QTest::keyClick(outline, Qt::Key_Tab);
        QVERIFY(!outline->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QVERIFY(outline->hasFocus());
    }
};

QTEST_MAIN(TstWindowFit)
#include "tst_windowfit.moc"
