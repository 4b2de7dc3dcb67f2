// Pictures of every page for the README and for looking at the window:
//   shoot_window OUTDIR [WIDTHxHEIGHT]
// Run under a real X server (xvfb-run); QT_SCALE_FACTOR=2 gives the 2x set.
// Not a test: it asserts nothing and is not run by ctest.
#include "AppHarness.h"
#include "TestSupport.h"
#include "TreeBuilder.h"
#include "app/LocationPageController.h"
#include "app/ReviewController.h"
#include "review/ResultOutlineModel.h"
#include "review/SetFilesModel.h"
#include "scan/ScanSession.h"
#include "ui/InformationWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLinearGradient>
#include <QPainter>
#include <QProgressBar>
#include <QTableView>
#include <QTest>
#include <QTreeView>

namespace {

QImage landscape(int w, int h, QColor sky, QColor sea, int seed)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, sky.lighter(130));
    g.setColorAt(0.55, sky);
    g.setColorAt(0.56, sea);
    g.setColorAt(1, sea.darker(160));
    p.fillRect(image.rect(), g);
    p.setBrush(QColor(255, 220, 120));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(w * (0.2 + 0.15 * (seed % 4)), h * 0.3), h * 0.09, h * 0.09);
    p.setBrush(QColor(40, 70, 60));
    QPolygonF hill;
    hill << QPointF(0, h * 0.56) << QPointF(w * 0.3, h * (0.35 + 0.03 * seed)) << QPointF(w * 0.6, h * 0.56);
    p.drawPolygon(hill);
    return image;
}

void save(const QImage& image, const QByteArray& path, const char* format)
{
    QDir().mkpath(QFile::decodeName(path.left(path.lastIndexOf('/'))));
    image.save(QFile::decodeName(path), format, 90);
}

void writeSample(const QByteArray& root)
{
    const struct
    {
        const char* name;
        QColor sky, sea;
    } pictures[] = {{"harbour.jpg", QColor(110, 170, 220), QColor(20, 90, 130)},
                    {"dunes.jpg", QColor(240, 180, 120), QColor(180, 130, 80)},
                    {"fjord.png", QColor(150, 190, 210), QColor(30, 70, 90)}};
    int seed = 0;
    for (const auto& picture : pictures) {
        const QImage image = landscape(1200, 800, picture.sky, picture.sea, seed++);
        const char* format = QByteArray(picture.name).endsWith("png") ? "PNG" : "JPG";
        save(image, root + "/Pictures/2023/" + picture.name, format);
        save(image, root + "/Backup/Pictures/" + picture.name, format);
        if (seed == 1) {
            save(image, root + "/Downloads/" + picture.name, format);
        }
    }
    QImage icon(24, 24, QImage::Format_ARGB32);
    icon.fill(QColor(0, 155, 178));
    save(icon, root + "/Projects/site/icon.png", "PNG");
    save(icon, root + "/Projects/site-old/icon.png", "PNG");
    for (const char* doc : {"/Documents/report-2023.pdf", "/Backup/Documents/report-2023.pdf",
                            "/Documents/notes.txt", "/Desktop/notes.txt"}) {
        TreeBuilder::writeBytes(root + doc, QByteArray(QByteArray(doc).endsWith("pdf") ? 250000 : 4000,
                                                       QByteArray(doc).endsWith("pdf") ? 'p' : 'n'));
    }
    for (const char* song : {"/Music/tide.mp3", "/Backup/Music/tide.mp3"}) {
        TreeBuilder::writeBytes(root + song, QByteArray(3200000, 'm'));
    }
}

} // namespace

namespace {

void shootAll(const QString& out, const QSize& size)
{
    QTemporaryDir home;
    TestSupport::isolateUserFolders(home);
    const QByteArray root = QFile::encodeName(home.filePath(QStringLiteral("ann")));
    writeSample(root);
    const QString slow = home.filePath(QStringLiteral("ann/Archive"));
    TestSupport::writeSlowTree(slow);

    AppHarness harness;
    harness.delegate.launch();
    MainWindow& window = harness.window;
    window.show();
    window.resize(size);
    if (!QTest::qWaitForWindowExposed(&window)) {
        return;
    }
    auto shoot = [&](const char* name) {
        QTest::qWait(300); // let pictures and spinners settle before the grab
        window.grab().save(out + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"));
    };
    shoot("home");

    harness.delegate.buttonScanFoldersClicked();
    for (const char* folder : {"/Pictures", "/Backup", "/Documents", "/Music", "/Projects", "/Downloads",
                               "/Desktop", "/Archive"}) {
        harness.delegate.locations()->addFolderPaths({root + folder});
    }
    shoot("locations");
    // The list's notice over the table: a folder listed twice.
    harness.delegate.locations()->addFolderPaths({root + "/Pictures"});
    QTRY_VERIFY(harness.w<QWidget>("runningAlert")->isVisible());
    shoot("locations-notice");
    QTest::mouseClick(harness.w<QAbstractButton>("runningAlertOk"), Qt::LeftButton);

    // Held before detection: the stop question and the close guard's notice
    // over the scan page, each answered so the scan goes on.
    harness.scan()->setDetectionGate(true);
    QTest::mouseClick(harness.w<QAbstractButton>("findDuplicateExact"), Qt::LeftButton);
    QTRY_COMPARE(harness.page(), QStringLiteral("5"));
    QTest::mouseClick(harness.w<QAbstractButton>("stopButton"), Qt::LeftButton);
    QTRY_VERIFY(harness.w<QWidget>("confirmationView")->isVisible());
    shoot("stop-question");
    QTest::mouseClick(harness.w<QAbstractButton>("cancelNo"), Qt::LeftButton);
    window.close();
    QTRY_VERIFY(harness.w<QWidget>("runningAlert")->isVisible());
    shoot("close-notice");
    QTest::mouseClick(harness.w<QAbstractButton>("runningAlertOk"), Qt::LeftButton);
    harness.scan()->setDetectionGate(false);
    QTRY_VERIFY_WITH_TIMEOUT(harness.w<QProgressBar>("similarIndicator")->value() > 0, 60000);
    shoot("scanning");

    QTRY_COMPARE_WITH_TIMEOUT(harness.page(), QStringLiteral("4"), 300000);
    QTRY_VERIFY(harness.delegate.informationWindow()->isVisible());
    shoot("summary");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(harness.delegate.informationWindow()->isHidden());
    // The Images category: its summary, then its sets.
    QTest::mouseClick(harness.w<QAbstractButton>("imageButton"), Qt::LeftButton);
    QTRY_VERIFY(harness.delegate.informationWindow()->isVisible());
    shoot("images-summary");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(harness.delegate.informationWindow()->isHidden());

    // The pictures' first set, its second file marked.
    auto* outline = harness.w<QTreeView>("OView2");
    ResultOutlineModel* model = harness.delegate.review()->outlineModel();
    for (int group = 0; group < model->rowCount(); ++group) {
        const QModelIndex ext = model->index(group, ResultOutlineModel::Name);
        if (ext.data().toString() == QStringLiteral("jpg")) {
            outline->expand(ext);
            const QRect row = outline->visualRect(model->index(0, ResultOutlineModel::Name, ext));
            QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, row.center());
        }
    }
    SetFilesModel* files = harness.delegate.review()->filesModel();
    if (files->rowCount() > 1) {
        files->setData(files->index(1, SetFilesModel::ButtonCell), Qt::Checked, Qt::CheckStateRole);
    }
    harness.w<QTableView>("resultTable")->setFocus();
    shoot("results");

    for (int group = 0; group < model->rowCount(); ++group) {
        const QModelIndex ext = model->index(group, ResultOutlineModel::Name);
        if (ext.data().toString() == QStringLiteral("png")) {
            outline->expand(ext);
            for (int set = 0; set < model->rowCount(ext); ++set) {
                const QRect row = outline->visualRect(model->index(set, ResultOutlineModel::Name, ext));
                QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, row.center());
                if (files->rowCount() && files->index(0, SetFilesModel::NameText).data().toString() ==
                                             QStringLiteral("icon.png")) {
                    shoot("results-icon");
                    break;
                }
            }
        }
    }

    QTest::mouseClick(harness.w<QAbstractButton>("addEceptionBtn"), Qt::LeftButton);
    shoot("exception-question");
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    QCoreApplication::setOrganizationName(QStringLiteral("Quillon"));
    QCoreApplication::setApplicationName(QStringLiteral("Tidemark"));
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc < 2) {
        qWarning("usage: shoot_window OUTDIR [WIDTHxHEIGHT]");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    QSize size(1016, 531);
    if (argc > 2) {
        const QStringList parts = QString::fromLatin1(argv[2]).split(QLatin1Char('x'));
        size = QSize(parts.value(0).toInt(), parts.value(1).toInt());
    }
    shootAll(out, size);
    return 0;
}
