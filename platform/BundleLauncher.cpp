#include "platform/BundleLauncher.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

QString BundleLauncher::executableOf(const QString& bundlePath)
{
    const QString name = QFileInfo(QDir::cleanPath(bundlePath)).completeBaseName();
    return QDir::cleanPath(bundlePath) + QStringLiteral("/Contents/MacOS/") + name;
}

bool BundleLauncher::launchApp(const QString& bundlePath, const QStringList& arguments, qint64* pid)
{
    const QString program = executableOf(bundlePath);
    if (!QFileInfo(program).isExecutable()) {
        return false;
    }
    return QProcess::startDetached(program, arguments, QString(), pid);
}
