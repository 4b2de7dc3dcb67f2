#include "review/ExceptionList.h"

#include "platform/FileBuffer.h"
#include "platform/PathText.h"
#include "plist/PropertyListFile.h"
#include "scan/Modal.h"

#include <algorithm>

namespace {

// A path goes into the file as text when an XML reader gives back exactly
// the same bytes: valid UTF-8 without control characters (XML forbids most
// of them and normalises carriage returns). Anything else is stored as raw
// data so it round-trips byte for byte.
bool storableAsString(const QByteArray& path)
{
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return false;
        }
    }
    return PathText::isValidUtf8(path);
}

plist_t nodeForPath(const QByteArray& path)
{
    if (storableAsString(path)) {
        return plist_new_string(path.constData());
    }
    return plist_new_data(path.constData(), uint64_t(path.size()));
}

// The path held by an array entry; false for entries of other types and
// for text or data holding a NUL byte, which no path can contain. The
// pointer accessors are used because libplist's copying string getter
// asserts on an embedded NUL.
bool pathFromNode(plist_t node, QByteArray* path)
{
    const plist_type type = plist_get_node_type(node);
    const char* bytes = nullptr;
    uint64_t length = 0;
    if (type == PLIST_STRING) {
        bytes = plist_get_string_ptr(node, &length);
    } else if (type == PLIST_DATA) {
        bytes = plist_get_data_ptr(node, &length);
    } else {
        return false;
    }
    *path = QByteArray(bytes, bytes ? qsizetype(length) : 0);
    return !path->contains('\0');
}

bool isXmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Undoes XML's character escapes; false for anything this reader does not
// know (the general reader then decides).
bool unescapeXml(QByteArrayView text, QByteArray* out)
{
    if (!text.contains('&')) {
        *out = text.toByteArray();
        return true;
    }
    out->clear();
    out->reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c != '&') {
            out->append(c);
            continue;
        }
        const qsizetype semicolon = text.indexOf(';', i);
        if (semicolon < 0) {
            return false;
        }
        const QByteArrayView name = text.sliced(i + 1, semicolon - i - 1);
        if (name == "amp") {
            out->append('&');
        } else if (name == "lt") {
            out->append('<');
        } else if (name == "gt") {
            out->append('>');
        } else if (name == "quot") {
            out->append('"');
        } else if (name == "apos") {
            out->append('\'');
        } else {
            return false;
        }
        i = semicolon;
    }
    return true;
}

// A fast reader for the one shape this program writes: an XML array of
// <string> and <data> entries, nothing else. A list of a million paths
// loads in a fraction of the general reader's time. Anything it does not
// expect makes it give up, and the general reader reads the file instead.
bool readOwnArray(const QByteArray& bytes, QByteArrayList* paths, QSet<QByteArray>* index)
{
    const QByteArrayView all(bytes);
    // Each entry takes two tags: room for all of them up front, so neither
    // the list nor the set grows (and rehashes) a million times over.
    const qsizetype expected = qsizetype(std::count(bytes.cbegin(), bytes.cend(), '<') / 2);
    paths->reserve(expected);
    qsizetype at = all.indexOf("<plist");
    if (at < 0) {
        return false;
    }
    at = all.indexOf('>', at);
    if (at < 0) {
        return false;
    }
    ++at;
    auto skipSpace = [&] {
        while (at < all.size() && isXmlSpace(all.at(at))) {
            ++at;
        }
    };
    auto take = [&](QByteArrayView word) {
        if (all.sliced(at).startsWith(word)) {
            at += word.size();
            return true;
        }
        return false;
    };
    skipSpace();
    if (take("<array/>")) {
        skipSpace();
    } else {
        if (!take("<array>")) {
            return false;
        }
        QByteArray path;
        for (;;) {
            skipSpace();
            if (take("</array>")) {
                break;
            }
            if (take("<string/>") || take("<data/>")) {
                paths->append(QByteArray());
                index->insert(QByteArray());
                continue;
            }
            const bool isString = take("<string>");
            if (!isString && !take("<data>")) {
                return false;
            }
            const QByteArrayView close = isString ? QByteArrayView("</string>") : QByteArrayView("</data>");
            // The entry ends at the next '<', which must open its closing tag:
            // comments and CDATA are left to the general reader.
            const qsizetype end = all.indexOf('<', at);
            if (end < 0 || !all.sliced(end).startsWith(close)) {
                return false;
            }
            const QByteArrayView inside = all.sliced(at, end - at);
            // The file holds no NUL (checked by the caller), so only decoded
            // data can hold one.
            if (isString) {
                if (!unescapeXml(inside, &path)) {
                    return false;
                }
            } else {
                path = QByteArray::fromBase64(inside.toByteArray());
            }
            at = end + close.size();
            if (isString || !path.contains('\0')) {
                paths->append(std::move(path));
            }
        }
        skipSpace();
    }
    if (!take("</plist>")) {
        return false;
    }
    skipSpace();
    return at == all.size();
}

} // namespace

void ExceptionList::load(const QByteArray& folder)
{
    m_filePath = folder.endsWith('/') ? folder + "exception.plist" : folder + "/exception.plist";
    m_paths.clear();
    m_index.clear();
    m_loadFailed = false;

    FileBuffer file;
    const PropertyListFile::Status status = PropertyListFile::readFile(m_filePath, &file);
    if (status != PropertyListFile::Status::Ok) {
        m_loadFailed = status != PropertyListFile::Status::Missing;
        return;
    }
    const QByteArray& bytes = file.bytes();
    if (!bytes.startsWith("bplist") && !bytes.contains('\0') && readOwnArray(bytes, &m_paths, &m_index)) {
        m_index.reserve(m_paths.size());
        for (const QByteArray& path : std::as_const(m_paths)) {
            m_index.insert(path);
        }
        return;
    }
    m_paths.clear();
    m_index.clear();
    const PropertyListFile::Root parsed = PropertyListFile::parse(bytes);
    plist_t root = parsed.get();
    if (!root || plist_get_node_type(root) != PLIST_ARRAY) {
        m_loadFailed = true;
        return;
    }
    const uint32_t count = plist_array_get_size(root);
    m_paths.reserve(count);
    m_index.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        QByteArray path;
        if (pathFromNode(plist_array_get_item(root, i), &path)) {
            m_index.insert(path);
            m_paths.append(std::move(path));
        }
    }
}

QByteArray ExceptionList::filePath() const
{
    return m_filePath;
}

const QByteArrayList& ExceptionList::exceptionArrayData() const
{
    return m_paths;
}

const QSet<QByteArray>& ExceptionList::pathSet() const
{
    return m_index;
}

bool ExceptionList::contains(const QByteArray& path) const
{
    return m_index.contains(path);
}

bool ExceptionList::isEmpty() const
{
    return m_paths.isEmpty();
}

qsizetype ExceptionList::addPaths(const QByteArrayList& paths)
{
    if (paths.isEmpty()) {
        return 0;
    }
    // The loaded file may itself hold repeats; they go with this addition too.
    QByteArrayList merged;
    QSet<QByteArray> seen;
    merged.reserve(m_paths.size() + paths.size());
    const QByteArrayList* sources[] = {&m_paths, &paths};
    for (const QByteArrayList* source : sources) {
        for (const QByteArray& path : *source) {
            if (!seen.contains(path)) {
                seen.insert(path);
                merged.append(path);
            }
        }
    }
    m_paths = std::move(merged);
    m_index = std::move(seen);
    write();
    return paths.size();
}

void ExceptionList::removeAll()
{
    m_paths.clear();
    m_index.clear();
    write();
}

bool ExceptionList::lastWriteSucceeded() const
{
    return m_lastWriteSucceeded;
}

void ExceptionList::write()
{
    if (m_loadFailed) {
        // The file on disk may hold the user's list; only a clean load makes
        // it ours to replace.
        m_lastWriteSucceeded = false;
        return;
    }
    PropertyListFile::Root array(plist_new_array());
    for (const QByteArray& path : std::as_const(m_paths)) {
        plist_array_append_item(array.get(), nodeForPath(path));
    }
    m_lastWriteSucceeded = PropertyListFile::saveXml(m_filePath, array.get());
}

QByteArrayList ExceptionList::takeMarkedFiles(Modal& modal)
{
    QByteArrayList paths;
    // Copies of the lists: the moves below change the sets, not these lists,
    // but iterating copies keeps that independent of the tree's internals.
    const QList<ExtensionsPtr> groups = modal.extensionsArray();
    for (const ExtensionsPtr& group : groups) {
        if (group->extensionState() == 0) {
            continue;
        }
        const QList<SetPtr> sets = group->sets();
        for (const SetPtr& set : sets) {
            if (set->setsState() == 0) {
                continue;
            }
            paths += modal.addSelectedFilesToExceptionInSet(set, group);
        }
    }
    return paths;
}
