#include "app/AppDelegate.h"
#include "ui/MainWindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // The pictures are compiled into a static library; register them.
    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quillon"));
    QCoreApplication::setApplicationName(QStringLiteral("Tidemark"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TIDEMARK_VERSION));
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
