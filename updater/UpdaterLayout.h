#pragma once

#include <QByteArray>

// Where things are in an installed product folder P, all found from the
// updater's own bundle P/Tidemark.app/Contents/MacOS/Tidemark.app/Contents/
// MacOS/Tidemark Updater.app, so that a product installed anywhere is
// updated in place.
class UpdaterLayout
{
public:
    explicit UpdaterLayout(QByteArray updaterBundle);
    // The updater bundle whose Contents/MacOS folder is `executableDir`.
    static QByteArray bundleOfExecutableDir(const QByteArray& executableDir);

    const QByteArray& updaterBundle() const { return m_updaterBundle; }
    // P/Tidemark.app/Contents/Resources/Urls.plist
    QByteArray localUrlsPath() const;
    // P/Tidemark.app/Contents/Info.plist
    QByteArray installedInfoPlist() const;
    // P
    QByteArray productFolder() const;
    // P/Tidemark.app and P/Uninstaller.app
    QByteArray installedApplication() const;
    QByteArray installedUninstaller() const;
    // P/Tidemark.app/Contents/MacOS/Tidemark.app/Contents/MacOS/Tidemark
    QByteArray relaunchPath() const;

    // Inside the unpacked archive (T the temporary folder).
    static QByteArray unpackedFolder(const QByteArray& temporaryFolder);
    static QByteArray newApplication(const QByteArray& temporaryFolder);
    static QByteArray newUninstaller(const QByteArray& temporaryFolder);
    static QByteArray newUrlTable(const QByteArray& newApplication);
    // The executable of the new application, inside its nested bundle.
    static QByteArray innerExecutable(const QByteArray& application);

    // $XDG_CACHE_HOME, else ~/.cache.
    static QByteArray cachesFolder();
    static QByteArray temporaryFolder(const QByteArray& localArchive);
    // The first line of a small text file (a hint for the user), or empty.
    static QByteArray readHint(const QByteArray& path);

private:
    QByteArray m_updaterBundle;
};
