#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <dirent.h>
#include <ftw.h>
#include <sys/stat.h>

TempRoot::~TempRoot()
{
    ::nftw(
        path.constData(), [](const char* p, const struct stat*, int, FTW*) { return ::remove(p); }, 16,
        FTW_DEPTH | FTW_PHYS);
}

bool TestSupport::writeSlowTree(const QString& root)
{
    QByteArray block(64 * 1024, 'q');
    for (int i = 0; i < 3000; ++i) {
        block[block.size() - 1] = char(i % 256);
        const QString folder = QStringLiteral("%1/d%2").arg(root).arg(i % 10);
        QFile file(QStringLiteral("%1/f%2.dat").arg(folder).arg(i));
        if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) || file.write(block) != block.size()) {
            return false;
        }
    }
    return true;
}

bool TestSupport::isolateUserFolders(const QTemporaryDir& root)
{
    if (!root.isValid()) {
        return false;
    }
    for (const char* var :
         {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR", "HOME"}) {
        const QString dir = root.filePath(QString::fromLatin1(var).toLower());
        if (!QDir().mkpath(dir)) {
            return false;
        }
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(var, QFile::encodeName(dir));
    }
    return true;
}

QByteArrayList TestSupport::trashedNames(const QByteArray& trash)
{
    return namesIn(trash + "/files");
}

QByteArrayList TestSupport::namesIn(const QByteArray& folder)
{
    QByteArrayList names;
    if (DIR* dir = ::opendir(folder.constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] != '.') {
                names.append(QByteArray(entry->d_name));
            }
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}
