// Times one scan driven through the main window, from the Scan command to
// the results page, so it can be set beside the command-line front end.
#include "app/AppDelegate.h"
#include "app/LocationPageController.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: tidemark-gui-bench PATH\n");
        return 2;
    }
    // Keep the bench away from the user's own settings and support folder.
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/data")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/config")));
    QCoreApplication::setOrganizationName(QStringLiteral("Quillon"));
    QCoreApplication::setApplicationName(QStringLiteral("Tidemark"));

    MainWindow window;
    AppDelegate delegate(&window, AppDelegate::Options{false, false, false});
    delegate.launch();
    delegate.buttonScanFoldersClicked();
    delegate.locations()->list().clear();
    delegate.locations()->addFolderPaths({QByteArray(argv[1])});

    QElapsedTimer clock;
    QObject::connect(window.findChild<QWidget*>(QStringLiteral("tabViewMain")), SIGNAL(currentChanged(int)),
                     &app, SLOT(quit()));
    QTimer::singleShot(0, [&] {
        clock.start();
        delegate.buttonFindDuplicatesExactClicked();
    });
    // The first page change is to the scan page; wait for the results page.
    while (window.currentPageIdentifier() != QLatin1String("4")) {
        app.exec();
        if (window.currentPageIdentifier() == QLatin1String("1")) {
            std::fprintf(stderr, "scan ended without results\n");
            return 1;
        }
    }
    std::printf("%.3f\n", clock.elapsed() / 1000.0);
    return 0;
}
