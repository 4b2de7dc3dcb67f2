#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <ftw.h>
#include <sys/stat.h>

TempRoot::~TempRoot()
{
    ::nftw(
        path.constData(), [](const char* p, const struct stat*, int, FTW*) { return ::remove(p); }, 16,
        FTW_DEPTH | FTW_PHYS);
}

bool TestSupport::isolateUserFolders(const QTemporaryDir& root)
{
    if (!root.isValid()) {
        return false;
    }
    for (const char* var : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "HOME"}) {
        const QString dir = root.filePath(QString::fromLatin1(var).toLower());
        if (!QDir().mkpath(dir)) {
            return false;
        }
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(var, QFile::encodeName(dir));
    }
    return true;
}
