#include "updater/UpdaterLayout.h"

#include "update/UpdateLock.h"
#include "updater/FileTree.h"

#include <QDir>
#include <QFile>

UpdaterLayout::UpdaterLayout(QByteArray updaterBundle) : m_updaterBundle(std::move(updaterBundle))
{
    while (m_updaterBundle.size() > 1 && m_updaterBundle.endsWith('/')) {
        m_updaterBundle.chop(1);
    }
}

QByteArray UpdaterLayout::bundleOfExecutableDir(const QByteArray& executableDir)
{
    return FileTree::removeLastComponents(executableDir, 2);
}

QByteArray UpdaterLayout::localUrlsPath() const
{
    return FileTree::removeLastComponents(m_updaterBundle, 5) + "/Resources/Urls.plist";
}

QByteArray UpdaterLayout::installedInfoPlist() const
{
    return FileTree::removeLastComponents(localUrlsPath(), 2) + "/Info.plist";
}

QByteArray UpdaterLayout::productFolder() const
{
    return FileTree::removeLastComponents(m_updaterBundle, 7);
}

QByteArray UpdaterLayout::installedApplication() const
{
    return productFolder() + "/Tidemark.app";
}

QByteArray UpdaterLayout::installedUninstaller() const
{
    return productFolder() + "/Uninstaller.app";
}

QByteArray UpdaterLayout::relaunchPath() const
{
    return innerExecutable(installedApplication());
}

QByteArray UpdaterLayout::unpackedFolder(const QByteArray& temporaryFolder)
{
    return temporaryFolder + "/Tidemark";
}

QByteArray UpdaterLayout::newApplication(const QByteArray& temporaryFolder)
{
    return unpackedFolder(temporaryFolder) + "/Tidemark.app";
}

QByteArray UpdaterLayout::newUninstaller(const QByteArray& temporaryFolder)
{
    return unpackedFolder(temporaryFolder) + "/Uninstaller.app";
}

QByteArray UpdaterLayout::newUrlTable(const QByteArray& newApplication)
{
    return newApplication + "/Contents/MacOS/Tidemark.app/Contents/MacOS/Urls.plist";
}

QByteArray UpdaterLayout::innerExecutable(const QByteArray& application)
{
    return application + "/Contents/MacOS/Tidemark.app/Contents/MacOS/Tidemark";
}

QByteArray UpdaterLayout::cachesFolder()
{
    return UpdateLock::userCachesFolder();
}

QByteArray UpdaterLayout::temporaryFolder(const QByteArray& localArchive)
{
    return FileTree::removeLastComponents(localArchive, 1) + "/softwareQuillon";
}

QByteArray UpdaterLayout::readHint(const QByteArray& path)
{
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readLine(4096).trimmed();
}
