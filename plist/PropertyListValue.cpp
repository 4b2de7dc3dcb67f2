#include "plist/PropertyListValue.h"

#include "plist/PropertyListFile.h"

#include <cstdlib>

QVariant PropertyListValue::toVariant(plist_t node)
{
    if (!node) {
        return {};
    }
    switch (plist_get_node_type(node)) {
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iter, &key, &value);
            if (!key) {
                break;
            }
            map.insert(QString::fromUtf8(key), toVariant(value));
            std::free(key);
        }
        std::free(iter);
        return map;
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t size = plist_array_get_size(node);
        for (uint32_t i = 0; i < size; ++i) {
            list.append(toVariant(plist_array_get_item(node, i)));
        }
        return list;
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return text ? QString::fromUtf8(text, qsizetype(length)) : QString();
    }
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return bool(value);
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return QVariant::fromValue<quint64>(value);
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return value;
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* data = plist_get_data_ptr(node, &length);
        return QByteArray(data, qsizetype(length));
    }
    default:
        return {};
    }
}

QVariantMap PropertyListValue::dictionaryFromBytes(const QByteArray& bytes, bool* ok)
{
    const PropertyListFile::Root root = PropertyListFile::parse(bytes);
    const bool isDict = root && plist_get_node_type(root.get()) == PLIST_DICT;
    if (ok) {
        *ok = isDict;
    }
    return isDict ? toVariant(root.get()).toMap() : QVariantMap();
}

QVariantMap PropertyListValue::dictionaryFromFile(const QByteArray& path, bool* ok)
{
    const PropertyListFile::Loaded loaded = PropertyListFile::load(path);
    const bool isDict = loaded.root && plist_get_node_type(loaded.root.get()) == PLIST_DICT;
    if (ok) {
        *ok = isDict;
    }
    return isDict ? toVariant(loaded.root.get()).toMap() : QVariantMap();
}
