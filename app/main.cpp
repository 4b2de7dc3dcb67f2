#include "app/AppDelegate.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <malloc.h>

int main(int argc, char** argv)
{
    // Scan threads free many small records; fewer malloc arenas keep that
    // memory from staying parked per thread (see the command-line front end).
    mallopt(M_ARENA_MAX, 2);
    // The pictures are compiled into a static library; register them.
    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quillon"));
    QCoreApplication::setApplicationName(QStringLiteral("Tidemark"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TIDEMARK_VERSION));
    // Ties the windows to the installed desktop entry (the Wayland app id).
    QGuiApplication::setDesktopFileName(QStringLiteral("quillon.Tidemark"));
    QApplication::setQuitOnLastWindowClosed(false);

    MainWindow window;
    AppDelegate delegate(&window, AppDelegate::Options{});
    QObject::connect(&delegate, &AppDelegate::terminateRequested, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    if (!delegate.launch()) {
        return 0;
    }
    return app.exec();
}
