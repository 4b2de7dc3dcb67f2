#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

// The URL table (Urls.plist) that ships inside the bundle: a dictionary of
// strings telling where updates are published and where support lives.
class UrlTable
{
public:
    static inline const QString folderLocationKey = QStringLiteral("FolderLocation");
    static inline const QString folderNameKey = QStringLiteral("FolderName");
    static inline const QString datVersionKey = QStringLiteral("DatVersion");
    static inline const QString supportKey = QStringLiteral("Support");

    // The table at `path`, or an empty map when it cannot be read.
    static QVariantMap load(const QByteArray& path);
    // A string value, or a null QString when the key is missing or not text.
    static QString text(const QVariantMap& table, const QString& key);
};
