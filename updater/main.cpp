#include "updater/AppDelegate.h"
#include "updater/Installer.h"

#include <QApplication>
#include <cstring>

int main(int argc, char** argv)
{
    // Two steps that the updater runs as itself with administrator rights;
    // their arguments are taken by position, never parsed from a string.
    if (argc >= 2 && (std::strcmp(argv[1], "--install") == 0 || std::strcmp(argv[1], "--launch") == 0)) {
        QList<QByteArray> arguments;
        for (int i = 2; i < argc; ++i) {
            arguments.append(QByteArray(argv[i]));
        }
        return std::strcmp(argv[1], "--install") == 0 ? Installer::installStep(arguments)
                                                      : Installer::launchStep(arguments);
    }
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
