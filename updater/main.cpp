#include "updater/AppDelegate.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // The one argument Tidemark passes ("nothing") is not read.
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quillon"));
    QCoreApplication::setApplicationName(QStringLiteral("Tidemark Updater"));
    QApplication::setQuitOnLastWindowClosed(false);

    Updater::AppDelegate delegate(Updater::AppDelegate::Options{});
    QObject::connect(&delegate, &Updater::AppDelegate::terminateRequested, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QMetaObject::invokeMethod(&delegate, &Updater::AppDelegate::applicationDidFinishLaunching,
                              Qt::QueuedConnection);
    return app.exec();
}
