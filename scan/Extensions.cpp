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
    if (set->setsState() != MarkState::Unmarked) {
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

void Extensions::calculateTotalFilesAndSize()
{
    m_totalFilesInExtension = 0;
    m_totalFilesInExtensionSize = 0;
    for (const SetPtr& set : std::as_const(m_sets)) {
        m_totalFilesInExtension += set->totalFilesInSet();
        m_totalFilesInExtensionSize += set->totalFilesInSetSize();
    }
}

void Extensions::markAllSet()
{
    m_totalFilesSelectedInExtension = 0;
    m_totalFilesSelectedInExtensionSize = 0;
    for (const SetPtr& set : std::as_const(m_sets)) {
        set->markAllFiles(); // leaves the set marked
        m_totalFilesSelectedInExtension += set->totalFilesSelectedInSet();
        m_totalFilesSelectedInExtensionSize += set->totalFilesSelectedInSetSize();
    }
    m_markedSets = static_cast<quint64>(m_sets.size());
    m_markedSetsKnown = true;
    m_countedSize = m_sets.size();
    m_countedData = m_sets.constData();
    m_extensionState = MarkState::Marked;
}

void Extensions::unmarkAllSet()
{
    for (const SetPtr& set : std::as_const(m_sets)) {
        set->unmarkAllFiles(); // leaves the set unmarked
        m_totalFilesSelectedInExtension = 0;
        m_totalFilesSelectedInExtensionSize = 0;
    }
    m_markedSets = 0;
    m_markedSetsKnown = true;
    m_countedSize = m_sets.size();
    m_countedData = m_sets.constData();
    m_extensionState = MarkState::Unmarked;
}

void Extensions::changeState()
{
    if (m_extensionState == MarkState::Unmarked || m_extensionState == MarkState::Mixed) {
        markAllSet();
    } else if (m_extensionState == MarkState::Marked) {
        unmarkAllSet();
    }
}

void Extensions::changeStateOfSet(const SetPtr& set)
{
    changeSet(set, [&] {
        if (set->setsState() == MarkState::Unmarked || set->setsState() == MarkState::Mixed) {
            set->markAllFiles();
        } else if (set->setsState() == MarkState::Marked) {
            set->unmarkAllFiles();
        }
    });
}

void Extensions::changeStateOfFile(const FilePtr& file, const SetPtr& set)
{
    changeSet(set, [&] { set->changeStateOfFile(file); });
}

void Extensions::setMarksOfSet(const SetPtr& set, const QList<bool>& marks)
{
    changeSet(set, [&] { set->setMarks(marks); });
}

void Extensions::noteSetState(MarkState before, MarkState after)
{
    if (!m_markedSetsKnown || m_countedSize != m_sets.size() || m_countedData != m_sets.constData()) {
        return; // counted afresh by stateFromCount
    }
    if (before == MarkState::Unmarked && after != MarkState::Unmarked) {
        ++m_markedSets;
    } else if (before != MarkState::Unmarked && after == MarkState::Unmarked) {
        --m_markedSets;
    }
}

MarkState Extensions::stateFromCount()
{
    if (!m_markedSetsKnown || m_countedSize != m_sets.size() || m_countedData != m_sets.constData()) {
        // The list was open to edits: the counters are taken from the sets
        // once, as a full recount does.
        return determineSelfState();
    }
    if (m_markedSets == nummberOfSets()) {
        return MarkState::Marked;
    }
    return m_markedSets > 0 ? MarkState::Mixed : MarkState::Unmarked;
}

MarkState Extensions::determineSelfState()
{
    m_totalFilesSelectedInExtension = 0;
    m_totalFilesSelectedInExtensionSize = 0;
    quint64 marked = 0;
    quint64 partly = 0;
    for (const SetPtr& set : std::as_const(m_sets)) {
        if (set->setsState() == MarkState::Marked) {
            ++marked;
        } else if (set->setsState() == MarkState::Mixed) {
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
        return MarkState::Marked;
    }
    return k > 0 ? MarkState::Mixed : MarkState::Unmarked;
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
    const MarkState before = set->setsState();
    subtractSetCounters(*set);
    const RemovalResult result = set->forgetRemovedFiles(removed);
    addSetCounters(*set);
    noteSetState(before, set->setsState());
    m_extensionState = stateFromCount();
    return result;
}

QByteArrayList Extensions::addSelectedFilesInExtensionToExceptionOfSet(const SetPtr& set)
{
    QByteArrayList paths;
    changeSet(set, [&] { paths = set->addSelectedFilesInSetToException(); });
    return paths;
}
