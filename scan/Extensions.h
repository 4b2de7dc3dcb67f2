#pragma once

#include "scan/Set.h"

class Extensions;
using ExtensionsPtr = std::shared_ptr<Extensions>;

// One extension group of a result tree. The same object may sit in a
// category tree and in the combined tree at once.
class Extensions
{
public:
    explicit Extensions(QByteArray name = {});
    static ExtensionsPtr initWithName(const QByteArray& name);

    // Whoever adds or drops sets through this list changes which sets are
    // marked: the marked-set count is taken again at the next change.
    QList<SetPtr>& sets() { return m_sets; }
    const QList<SetPtr>& sets() const { return m_sets; }
    const QByteArray& name() const { return m_name; }
    qint64 extensionState() const { return m_extensionState; }
    void setExtensionState(qint64 state) { m_extensionState = state; }

    quint64 totalFilesInExtension() const { return m_totalFilesInExtension; }
    void setTotalFilesInExtension(quint64 v) { m_totalFilesInExtension = v; }
    quint64 totalFilesInExtensionSize() const { return m_totalFilesInExtensionSize; }
    void setTotalFilesInExtensionSize(quint64 v) { m_totalFilesInExtensionSize = v; }
    quint64 totalFilesSelectedInExtension() const { return m_totalFilesSelectedInExtension; }
    void setTotalFilesSelectedInExtension(quint64 v) { m_totalFilesSelectedInExtension = v; }
    quint64 totalFilesSelectedInExtensionSize() const { return m_totalFilesSelectedInExtensionSize; }
    void setTotalFilesSelectedInExtensionSize(quint64 v) { m_totalFilesSelectedInExtensionSize = v; }

    // Appends one set; counters are not touched.
    void addSet(const SetPtr& set);
    quint64 nummberOfSets() const;

    void markAllSet();
    void unmarkAllSet();
    void changeState();
    void changeStateOfSet(const SetPtr& set);
    void changeStateOfFile(const FilePtr& file, const SetPtr& set);
    // Also recomputes the selected counters from the sets.
    qint64 determineSelfState();

    RemovalResult removeSelectedFilesInSet(const SetPtr& set);
    RemovalResult forgetRemovedFilesInSet(const SetPtr& set, const QList<FilePtr>& removed);
    QByteArrayList addSelectedFilesInExtensionToExceptionOfSet(const SetPtr& set);

private:
    void subtractSetCounters(const Set& set);
    void addSetCounters(const Set& set);
    // One set's change, kept in the marked-set count so that a change costs
    // the same however many sets the group holds.
    void noteSetState(qint64 before, qint64 after);
    qint64 stateFromCount();

    quint64 m_markedSets = 0; // sets whose state is not 0
    bool m_markedSetsKnown = true;
    // The list as it was counted: a list edited since no longer matches.
    qsizetype m_countedSize = 0;
    const SetPtr* m_countedData = nullptr;

    QList<SetPtr> m_sets;
    QByteArray m_name;
    qint64 m_extensionState = 0;
    quint64 m_totalFilesInExtension = 0;
    quint64 m_totalFilesInExtensionSize = 0;
    quint64 m_totalFilesSelectedInExtension = 0;
    quint64 m_totalFilesSelectedInExtensionSize = 0;
};
