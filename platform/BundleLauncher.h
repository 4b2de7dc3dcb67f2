#pragma once

#include <QString>
#include <QStringList>

// Starts an application bundle (a folder X.app with Contents/MacOS/X) as a
// detached process, arguments passed as they are, no shell.
class BundleLauncher
{
public:
    static QString executableOf(const QString& bundlePath);
    // `pid`, when given, gets the started process's id.
    static bool launchApp(const QString& bundlePath, const QStringList& arguments, qint64* pid = nullptr);
};
