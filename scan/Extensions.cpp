#include "scan/Extensions.h"

Extensions::Extensions(QByteArray name) : m_name(std::move(name)) {}

ExtensionsPtr Extensions::initWithName(const QByteArray& name)
{
    return std::make_shared<Extensions>(name);
}

void Extensions::addSet(const SetPtr& set)
{
    m_sets.append(set);
}

quint64 Extensions::nummberOfSets() const
{
    return static_cast<quint64>(m_sets.size());
}

void Extensions::markAllSet()
{
    m_totalFilesSelectedInExtension = 0;
    m_totalFilesSelectedInExtensionSize = 0;
    for (const SetPtr& set : std::as_const(m_sets)) {
        set->markAllFiles();
        set->setSetsState(1);
        m_totalFilesSelectedInExtension += set->totalFilesSelectedInSet();
        m_totalFilesSelectedInExtensionSize += set->totalFilesSelectedInSetSize();
    }
    m_extensionState = 1;
}

void Extensions::unmarkAllSet()
{
    for (const SetPtr& set : std::as_const(m_sets)) {
        set->unmarkAllFiles();
        set->setSetsState(0);
        m_totalFilesSelectedInExtension = 0;
        m_totalFilesSelectedInExtensionSize = 0;
    }
    m_extensionState = 0;
}

void Extensions::changeState()
{
    if (m_extensionState == 0 || m_extensionState == -1) {
        markAllSet();
    } else if (m_extensionState == 1) {
        unmarkAllSet();
    }
}

void Extensions::changeStateOfSet(const SetPtr& set)
{
    if (set->setsState() == 0 || set->setsState() == -1) {
        set->markAllFiles();
    } else if (set->setsState() == 1) {
        set->unmarkAllFiles();
    }
    m_extensionState = determineSelfState();
}

void Extensions::changeStateOfFile(const FilePtr& file, const SetPtr& set)
{
    set->changeStateOfFile(file);
    m_extensionState = determineSelfState();
}

qint64 Extensions::determineSelfState()
{
    m_totalFilesSelectedInExtension = 0;
    m_totalFilesSelectedInExtensionSize = 0;
    quint64 marked = 0;
    quint64 partly = 0;
    for (const SetPtr& set : std::as_const(m_sets)) {
        if (set->setsState() == 1) {
            ++marked;
        } else if (set->setsState() == -1) {
            ++partly;
        }
        m_totalFilesSelectedInExtension += set->totalFilesSelectedInSet();
        m_totalFilesSelectedInExtensionSize += set->totalFilesSelectedInSetSize();
    }
    const quint64 k = marked + partly;
    if (k == nummberOfSets()) {
        return 1;
    }
    return k > 0 ? -1 : 0;
}

void Extensions::subtractSetCounters(const Set& set)
{
    m_totalFilesSelectedInExtension -= set.totalFilesSelectedInSet();
    m_totalFilesSelectedInExtensionSize -= set.totalFilesSelectedInSetSize();
    m_totalFilesInExtension -= set.totalFilesInSet();
    m_totalFilesInExtensionSize -= set.totalFilesInSetSize();
}

void Extensions::addSetCounters(const Set& set)
{
    m_totalFilesSelectedInExtension += set.totalFilesSelectedInSet();
    m_totalFilesSelectedInExtensionSize += set.totalFilesSelectedInSetSize();
    m_totalFilesInExtension += set.totalFilesInSet();
    m_totalFilesInExtensionSize += set.totalFilesInSetSize();
}

RemovalResult Extensions::removeSelectedFilesInSet(const SetPtr& set)
{
    return forgetRemovedFilesInSet(set, set->trashSelectedFiles());
}

RemovalResult Extensions::forgetRemovedFilesInSet(const SetPtr& set, const QList<FilePtr>& removed)
{
    subtractSetCounters(*set);
    const RemovalResult result = set->forgetRemovedFiles(removed);
    addSetCounters(*set);
    m_extensionState = determineSelfState();
    return result;
}

QByteArrayList Extensions::addSelectedFilesInExtensionToExceptionOfSet(const SetPtr& set)
{
    m_totalFilesSelectedInExtension -= set->totalFilesSelectedInSet();
    m_totalFilesSelectedInExtensionSize -= set->totalFilesSelectedInSetSize();
    QByteArrayList paths = set->addSelectedFilesInSetToException();
    m_totalFilesSelectedInExtension += set->totalFilesSelectedInSet();
    m_totalFilesSelectedInExtensionSize += set->totalFilesSelectedInSetSize();
    m_extensionState = determineSelfState();
    return paths;
}
