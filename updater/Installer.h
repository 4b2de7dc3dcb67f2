#pragma once

#include "updater/ArchiveUnpacker.h"
#include "updater/UpdaterLayout.h"

#include <QByteArray>
#include <QList>
#include <QString>

class StatusCenter;

// The last stage of an update: stops the running Tidemark, puts the new
// application (and uninstaller, when the archive brings one) in place of
// the installed ones, keeps or replaces the URL table, removes the
// download and starts the new Tidemark. The installed application is
// never touched before its replacement is complete beside it and checked
// file by file against the archive, and any failure puts it back as it
// was. Whether the product folder can be written is known before Tidemark
// is stopped: when it cannot, the installation step runs as its own
// program with administrator rights, and when those are refused nothing is
// stopped or changed. Reports only through the status centre.
class Installer
{
public:
    struct Settings
    {
        // The pauses between steps that let the window show each status.
        int pauseMs = 1000;
        // Prefix that starts a program with administrator rights.
        QList<QByteArray> elevator = {"pkexec"};
        // The updater's own executable, which runs the installation step
        // and the relaunch with those rights. Empty: the one in the product.
        QByteArray helperProgram;
        // Where running copies of Tidemark register themselves.
        QByteArray registryFolder;
        bool relaunch = true;
    };
    // The ends of the installation step when run as a program.
    enum ExitCode
    {
        Installed = 0,
        Failed = 3,
        PackageManaged = 4,
    };

    Installer(UpdaterLayout layout, StatusCenter* center, Settings settings);

    // What the archive holds, which the staged files must match.
    void setEntries(QList<ArchiveUnpacker::Entry> entries) { m_entries = std::move(entries); }
    // The manifest's digest of the archive, handed on to the installation
    // step with rights, which reads the archive again.
    void setDigest(const QString& sha256) { m_digest = sha256; }

    // Installs from the unpacked folder `unzipPath` (archive `zipPath`);
    // true when "Updated successfully" was posted.
    bool afterDownloadZipPath(const QByteArray& zipPath, const QByteArray& unzipPath);
    // Force-quits the first running copy of Tidemark, if any.
    void KillDil();
    // Starts `executable` with administrator rights, else with ours.
    void launchApp(const QByteArray& executable);
    void loadUrlsFile();

    const QString& localAppPlistFileVersion() const { return m_localAppPlistFileVersion; }

    // True when this process can replace the installed application.
    bool canWriteProduct() const;
    // A package manager owns the installed files.
    static bool isPackageManaged(const QByteArray& productFolder);
    static QByteArray packageManagedMarker(const QByteArray& productFolder);

    // The installation step as a program of its own:
    //   --install <archive> <unpacked folder> <product folder> <registry folder> <sha256 or "-">
    // It reads the archive again, checks it and installs; returns an ExitCode.
    static int installStep(const QList<QByteArray>& arguments);
    // Starts <executable> with the given NAME=VALUE settings:
    //   --launch <executable> [NAME=VALUE...]
    // Returns (125) only when it could not be started.
    static int launchStep(const QList<QByteArray>& arguments);

private:
    bool install(const QByteArray& newApplication, const QByteArray& newUninstaller);
    bool installWithRights(const QByteArray& zipPath, const QByteArray& unzipPath);
    void keepOrReplaceUrlTable(const QByteArray& newApplication);
    void finish(const QByteArray& zipPath, const QByteArray& unzipPath);
    void exception();
    void pause() const;
    QByteArray helper() const;

    UpdaterLayout m_layout;
    StatusCenter* m_center;
    Settings m_settings;
    QString m_localAppPlistFileVersion;
    QList<ArchiveUnpacker::Entry> m_entries;
    QString m_digest;
    bool m_urlsLoaded = false;
};
