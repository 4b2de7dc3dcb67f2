#include "update/BundleInfo.h"

#include "plist/PropertyListValue.h"
#include "update/UrlTable.h"

#include <QDir>
#include <QFile>

QString BundleInfo::bundleOfExecutableDir(const QString& executableDir)
{
    const QString dir = QDir::cleanPath(executableDir);
    if (!dir.endsWith(QLatin1String(".app/Contents/MacOS"))) {
        return {};
    }
    return dir.chopped(int(QStringLiteral("/Contents/MacOS").size()));
}

QString BundleInfo::infoPlistPath(const QString& bundlePath)
{
    return QDir::cleanPath(bundlePath) + QStringLiteral("/Contents/Info.plist");
}

QString BundleInfo::value(const QString& infoPlist, const QString& key)
{
    return UrlTable::text(PropertyListValue::dictionaryFromFile(QFile::encodeName(infoPlist)), key);
}
