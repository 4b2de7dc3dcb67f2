#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// How the update addresses are formed from the URL table: parts joined as
// path components with one slash between two of them, and every space sent
// as "%20" (nothing else is escaped).
class UpdateAddress
{
public:
    static inline const QString manifestName = QStringLiteral("Update.plist");
    static inline const QString archiveName = QStringLiteral("Tidemark.zip");

    static QString joinComponents(const QStringList& parts);
    static QString escapeSpaces(const QString& text);
    // "L/N/Update.plist", spaces escaped.
    static QString manifestAddress(const QString& folderLocation, const QString& folderName);
    // "L/N/V", the server folder of version V, not escaped.
    static QString versionFolder(const QString& folderLocation, const QString& folderName, const QString& version);
    // The version folder's "Tidemark.zip", spaces escaped.
    static QString archiveAddress(const QString& versionFolder);
    // The file name the archive gets locally: the address's last component
    // with "%20" turned back into spaces; "Tidemark.zip" when that would not
    // be a plain file name.
    static QString localArchiveName(const QString& archiveAddress);
    // The address as a URL; invalid when it is not a well-formed absolute
    // address (nothing is escaped on its behalf).
    static QUrl toUrl(const QString& address);
};
