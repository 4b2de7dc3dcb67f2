#include "update/UpdateAddress.h"

QString UpdateAddress::joinComponents(const QStringList& parts)
{
    QString joined;
    for (const QString& part : parts) {
        if (joined.isEmpty()) {
            joined = part;
            continue;
        }
        while (joined.endsWith(QLatin1Char('/'))) {
            joined.chop(1);
        }
        qsizetype start = 0;
        while (start < part.size() && part.at(start) == QLatin1Char('/')) {
            ++start;
        }
        joined += QLatin1Char('/') + part.mid(start);
    }
    return joined;
}

QString UpdateAddress::escapeSpaces(const QString& text)
{
    QString escaped = text;
    return escaped.replace(QLatin1Char(' '), QStringLiteral("%20"));
}

QString UpdateAddress::manifestAddress(const QString& folderLocation, const QString& folderName)
{
    return escapeSpaces(joinComponents({folderLocation, folderName, manifestName}));
}

QString UpdateAddress::versionFolder(const QString& folderLocation, const QString& folderName,
                                     const QString& version)
{
    return joinComponents({folderLocation, folderName, version});
}

QString UpdateAddress::archiveAddress(const QString& versionFolder)
{
    return escapeSpaces(joinComponents({versionFolder, archiveName}));
}

QString UpdateAddress::localArchiveName(const QString& archiveAddress)
{
    QString name = archiveAddress.mid(archiveAddress.lastIndexOf(QLatin1Char('/')) + 1);
    name.replace(QStringLiteral("%20"), QStringLiteral(" "));
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QChar(0))) {
        return archiveName;
    }
    return name;
}

QUrl UpdateAddress::toUrl(const QString& address)
{
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative()) {
        return {};
    }
    return url;
}
