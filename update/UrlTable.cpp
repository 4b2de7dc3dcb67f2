#include "update/UrlTable.h"

#include "plist/PropertyListValue.h"

QVariantMap UrlTable::load(const QByteArray& path)
{
    return PropertyListValue::dictionaryFromFile(path);
}

QString UrlTable::text(const QVariantMap& table, const QString& key)
{
    const auto found = table.constFind(key);
    if (found == table.constEnd() || found->typeId() != QMetaType::QString) {
        return {};
    }
    return found->toString();
}
