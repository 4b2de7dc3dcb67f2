#pragma once

#include "scan/Modal.h"

// Puts a result tree into states that no operation of the tree reaches
// (stale or impossible counters, numbers no box shows), so tests can check
// how the tree's arithmetic treats them. Nothing outside the tests uses it.
class ResultTreeAccess
{
public:
    static void setState(File& file, MarkState state) { file.setState(state); }
    static void setSetsState(Set& set, MarkState state) { set.m_setsState = state; }
    static void setTotalFilesSelectedInSet(Set& set, quint64 count) { set.m_totalFilesSelectedInSet = count; }
    static void setExtensionState(Extensions& group, MarkState state) { group.m_extensionState = state; }
    static void setTotalFilesInExtension(Extensions& group, quint64 count)
    {
        group.m_totalFilesInExtension = count;
    }
    static void setTotalFilesSelected(Modal& root, quint64 count) { root.m_totalFilesSelected = count; }
};
