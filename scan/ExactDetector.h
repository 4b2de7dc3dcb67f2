#pragma once

#include "scan/CategoryLists.h"
#include "scan/ContentPartitioner.h"
#include "scan/ScanResults.h"

class ScanControl;
class ScanProgress;

// Second stage of a scan: turns each category list into a result tree of
// sets of byte-identical files, the five categories searched at once.
class ExactDetector
{
public:
    ExactDetector(ScanControl& control, ScanProgress& progress);

    // Searches all five lists concurrently, empties them, and appends the
    // five trees' groups to `combined` in the order images, video, audio,
    // documents, others.
    ScanResults exactMethod(CategoryLists& lists, const ModalPtr& combined);

    // One category's search; empties `list`. Sets come in the order of their
    // first file in the list, groups in the order of their first set.
    ModalPtr findDuplicates(QList<FilePtr>& list, ContentPartitioner::Budget budget);
    ModalPtr findDuplicates(QList<FilePtr>& list);

    // A set from two or more identical files, in the given order, unmarked.
    static SetPtr setOfFileDetailsFrom(const QList<FilePtr>& group);

    // Called after each block a search reads (a test seam: see
    // ContentPartitioner::BlockHook). Set before a search starts.
    void setBlockHook(ContentPartitioner::BlockHook hook) { m_hook = std::move(hook); }

private:
    ScanControl& m_control;
    ScanProgress& m_progress;
    ContentPartitioner::BlockHook m_hook;
    // Buffer that finished searches leave to those still reading.
    BufferPool m_spare;
};
