#pragma once

#include "updater/UpdaterLayout.h"

#include <QByteArray>
#include <QList>
#include <QString>

class StatusCenter;

// The last stage of an update: stops the running Tidemark, puts the new
// application (and uninstaller, when the archive brings one) in place of
// the installed ones, keeps or replaces the URL table, removes the
// download and starts the new Tidemark. The installed application is
// never removed before its replacement is complete beside it, and any
// failure puts it back as it was. Reports only through the status centre.
class Installer
{
public:
    struct Settings
    {
        // The pauses between steps that let the window show each status.
        int pauseMs = 1000;
        // Prefix that starts a program with administrator rights; when it is
        // missing, refused or cancelled the program starts with ours.
        QList<QByteArray> elevator = {"pkexec"};
        // Where running copies of Tidemark register themselves.
        QByteArray registryFolder;
        bool relaunch = true;
    };

    Installer(UpdaterLayout layout, StatusCenter* center, Settings settings);

    // Installs from the unpacked folder `unzipPath` (archive `zipPath`);
    // true when "Updated successfully" was posted.
    bool afterDownloadZipPath(const QByteArray& zipPath, const QByteArray& unzipPath);
    // Force-quits the first running copy of Tidemark, if any.
    void KillDil();
    // Starts `executable` with administrator rights, else with ours.
    void launchApp(const QByteArray& executable);
    void loadUrlsFile();

    const QString& localAppPlistFileVersion() const { return m_localAppPlistFileVersion; }

private:
    bool install(const QByteArray& newApplication, const QByteArray& newUninstaller);
    void keepOrReplaceUrlTable(const QByteArray& newApplication);
    void exception();
    void pause() const;

    UpdaterLayout m_layout;
    StatusCenter* m_center;
    Settings m_settings;
    QString m_localAppPlistFileVersion;
    bool m_urlsLoaded = false;
};
