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
    MarkState extensionState() const { return m_extensionState; }

    // The counters follow the group's own operations only.
    quint64 totalFilesInExtension() const { return m_totalFilesInExtension; }
    quint64 totalFilesInExtensionSize() const { return m_totalFilesInExtensionSize; }
    quint64 totalFilesSelectedInExtension() const { return m_totalFilesSelectedInExtension; }
    quint64 totalFilesSelectedInExtensionSize() const { return m_totalFilesSelectedInExtensionSize; }

    // Appends one set; counters are not touched.
    void addSet(const SetPtr& set);
    quint64 nummberOfSets() const;
    // The totals as the sums of the sets' totals (once the sets are added);
    // the selected counters are not touched.
    void calculateTotalFilesAndSize();

    void markAllSet();
    void unmarkAllSet();
    void changeState();
    void changeStateOfSet(const SetPtr& set);
    void changeStateOfFile(const FilePtr& file, const SetPtr& set);
    // The set's Set::setMarks, with the group's counters and state following.
    void setMarksOfSet(const SetPtr& set, const QList<bool>& marks);
    // Also recomputes the selected counters from the sets.
    MarkState determineSelfState();

    RemovalResult removeSelectedFilesInSet(const SetPtr& set);
    RemovalResult forgetRemovedFilesInSet(const SetPtr& set, const QList<FilePtr>& removed);
    QByteArrayList addSelectedFilesInExtensionToExceptionOfSet(const SetPtr& set);

private:
    friend class ResultTreeAccess; // tests: counters no operation reaches

    // One change of one set, with the group's selected counters and state following.
    template <typename Change> void changeSet(const SetPtr& set, Change change)
    {
        const MarkState before = set->setsState();
        m_totalFilesSelectedInExtension -= set->totalFilesSelectedInSet();
        m_totalFilesSelectedInExtensionSize -= set->totalFilesSelectedInSetSize();
        change();
        m_totalFilesSelectedInExtension += set->totalFilesSelectedInSet();
        m_totalFilesSelectedInExtensionSize += set->totalFilesSelectedInSetSize();
        noteSetState(before, set->setsState());
        m_extensionState = stateFromCount();
    }
    void subtractSetCounters(const Set& set);
    void addSetCounters(const Set& set);
    // One set's change, kept in the marked-set count so that a change costs
    // the same however many sets the group holds.
    void noteSetState(MarkState before, MarkState after);
    MarkState stateFromCount();

    quint64 m_markedSets = 0; // sets whose state is not 0
    bool m_markedSetsKnown = true;
    // The list as it was counted: a list edited since no longer matches.
    qsizetype m_countedSize = 0;
    const SetPtr* m_countedData = nullptr;

    QList<SetPtr> m_sets;
    QByteArray m_name;
    MarkState m_extensionState = MarkState::Unmarked;
    quint64 m_totalFilesInExtension = 0;
    quint64 m_totalFilesInExtensionSize = 0;
    quint64 m_totalFilesSelectedInExtension = 0;
    quint64 m_totalFilesSelectedInExtensionSize = 0;
};
