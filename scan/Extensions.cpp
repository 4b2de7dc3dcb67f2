#include "scan/Extensions.h"

Extensions::Extensions(QByteArray name) : m_name(std::move(name)) {}

ExtensionsPtr Extensions::initWithName(const QByteArray& name)
{
    return std::make_shared<Extensions>(name);
}

void Extensions::addSet(const SetPtr& set)
{
    const bool known = m_countedSize == m_sets.size() && m_countedData == m_sets.constData();
    m_sets.append(set);
    if (set->setsState() != 0) {
        ++m_markedSets;
    }
    if (known) {
        m_countedSize = m_sets.size();
        m_countedData = m_sets.constData();
    }
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
    m_markedSets = static_cast<quint64>(m_sets.size());
    m_markedSetsKnown = true;
    m_countedSize = m_sets.size();
    m_countedData = m_sets.constData();
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
    m_markedSets = 0;
    m_markedSetsKnown = true;
    m_countedSize = m_sets.size();
    m_countedData = m_sets.constData();
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
    const qint64 before = set->setsState();
    m_totalFilesSelectedInExtension -= set->totalFilesSelectedInSet();
    m_totalFilesSelectedInExtensionSize -= set->totalFilesSelectedInSetSize();
    if (set->setsState() == 0 || set->setsState() == -1) {
        set->markAllFiles();
    } else if (set->setsState() == 1) {
        set->unmarkAllFiles();
    }
    m_totalFilesSelectedInExtension += set->totalFilesSelectedInSet();
    m_totalFilesSelectedInExtensionSize += set->totalFilesSelectedInSetSize();
    noteSetState(before, set->setsState());
    m_extensionState = stateFromCount();
}

void Extensions::changeStateOfFile(const FilePtr& file, const SetPtr& set)
{
    const qint64 before = set->setsState();
    m_totalFilesSelectedInExtension -= set->totalFilesSelectedInSet();
    m_totalFilesSelectedInExtensionSize -= set->totalFilesSelectedInSetSize();
    set->changeStateOfFile(file);
    m_totalFilesSelectedInExtension += set->totalFilesSelectedInSet();
    m_totalFilesSelectedInExtensionSize += set->totalFilesSelectedInSetSize();
    noteSetState(before, set->setsState());
    m_extensionState = stateFromCount();
}

void Extensions::noteSetState(qint64 before, qint64 after)
{
    if (!m_markedSetsKnown || m_countedSize != m_sets.size() || m_countedData != m_sets.constData()) {
        return; // counted afresh by stateFromCount
    }
    if (before == 0 && after != 0) {
        ++m_markedSets;
    } else if (before != 0 && after == 0) {
        --m_markedSets;
    }
}

qint64 Extensions::stateFromCount()
{
    if (!m_markedSetsKnown || m_countedSize != m_sets.size() || m_countedData != m_sets.constData()) {
        // The list was open to edits: the counters are taken from the sets
        // once, as a full recount does.
        return determineSelfState();
    }
    if (m_markedSets == nummberOfSets()) {
        return 1;
    }
    return m_markedSets > 0 ? -1 : 0;
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
    m_markedSets = k;
    m_markedSetsKnown = true;
    m_countedSize = m_sets.size();
    m_countedData = m_sets.constData();
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
    const qint64 before = set->setsState();
    subtractSetCounters(*set);
    const RemovalResult result = set->forgetRemovedFiles(removed);
    addSetCounters(*set);
    noteSetState(before, set->setsState());
    m_extensionState = stateFromCount();
    return result;
}

QByteArrayList Extensions::addSelectedFilesInExtensionToExceptionOfSet(const SetPtr& set)
{
    const qint64 before = set->setsState();
    m_totalFilesSelectedInExtension -= set->totalFilesSelectedInSet();
    m_totalFilesSelectedInExtensionSize -= set->totalFilesSelectedInSetSize();
    QByteArrayList paths = set->addSelectedFilesInSetToException();
    m_totalFilesSelectedInExtension += set->totalFilesSelectedInSet();
    m_totalFilesSelectedInExtensionSize += set->totalFilesSelectedInSetSize();
    noteSetState(before, set->setsState());
    m_extensionState = stateFromCount();
    return paths;
}
