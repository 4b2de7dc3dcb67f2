#pragma once

#include <QByteArray>
#include <QVariant>
#include <plist/plist.h>

// Property-list trees as Qt values: dictionaries become QVariantMap, arrays
// QVariantList, strings QString, numbers, booleans and data their Qt counterparts;
// dates are not used by our formats and come out empty.
class PropertyListValue
{
public:
    static QVariant toVariant(plist_t node);
    // The dictionary at the top of a property list held in memory; empty when
    // the bytes are not a property list or its top is not a dictionary.
    static QVariantMap dictionaryFromBytes(const QByteArray& bytes, bool* ok = nullptr);
    // The same for a file at a byte path.
    static QVariantMap dictionaryFromFile(const QByteArray& path, bool* ok = nullptr);
};
