#include "review/ReferenceMarking.h"

#include "review/MarkingRules.h"

namespace {

// Runs `change` on sets of `extension` with the root's counters kept as the
// root's own operations keep them.
template <typename F> void changeInGroup(Modal& modal, const ExtensionsPtr& extension, F change)
{
    modal.setTotalFilesSelected(modal.totalFilesSelected() - extension->totalFilesSelectedInExtension());
    modal.setTotalFilesSelectedSize(modal.totalFilesSelectedSize() -
                                    extension->totalFilesSelectedInExtensionSize());
    change();
    extension->setExtensionState(extension->determineSelfState());
    modal.setTotalFilesSelected(modal.totalFilesSelected() + extension->totalFilesSelectedInExtension());
    modal.setTotalFilesSelectedSize(modal.totalFilesSelectedSize() +
                                    extension->totalFilesSelectedInExtensionSize());
}

} // namespace

bool ReferenceMarking::isReference(const File& file, const ReferenceRoots& references)
{
    return !references.isEmpty() && references.contains(file.filePath());
}

bool ReferenceMarking::setFullyMarked(const Set& set, const ReferenceRoots& references)
{
    const QList<bool> keep = KeepRule().keepers(set, references);
    bool any = false;
    for (qsizetype i = 0; i < keep.size(); ++i) {
        const bool marked = set.files().at(i)->state() != 0;
        if (!keep.at(i) && !marked) {
            return false;
        }
        any = any || marked;
    }
    return any;
}

ReferenceMarking::FileClick ReferenceMarking::fileBox(Modal& modal, const ExtensionsPtr& extension,
                                                      const SetPtr& set, const FilePtr& file,
                                                      const ReferenceRoots& references)
{
    if (file && file->state() == 0 && isReference(*file, references)) {
        return FileClick::RefusedReference;
    }
    switch (MarkingRules::collectionViewCheckButtonCLicked(modal, extension, set, file)) {
    case MarkingRules::FileClick::Unmarked:
        return FileClick::Unmarked;
    case MarkingRules::FileClick::Marked:
        return FileClick::Marked;
    case MarkingRules::FileClick::Refused:
        return FileClick::RefusedLastCopy;
    case MarkingRules::FileClick::NoFile:
        break;
    }
    return FileClick::NoFile;
}

void ReferenceMarking::setBox(Modal& modal, const ExtensionsPtr& extension, const SetPtr& set,
                              const ReferenceRoots& references)
{
    if (setFullyMarked(*set, references)) {
        changeInGroup(modal, extension, [&] { set->unmarkAllFiles(); });
        return;
    }
    KeepRule().applyToSet(modal, extension, set, references);
}

void ReferenceMarking::groupBox(Modal& modal, const ExtensionsPtr& extension,
                                const ReferenceRoots& references)
{
    bool allMarked = true;
    bool anyMarkable = false;
    for (const SetPtr& set : extension->sets()) {
        const QList<bool> keep = KeepRule().keepers(*set, references);
        if (!keep.contains(false)) {
            continue; // nothing in it may be marked
        }
        anyMarkable = true;
        allMarked = allMarked && setFullyMarked(*set, references);
    }
    if (anyMarkable && allMarked) {
        changeInGroup(modal, extension, [&] {
            for (const SetPtr& set : extension->sets()) {
                set->unmarkAllFiles();
            }
        });
        return;
    }
    KeepRule().applyToExtension(modal, extension, references);
}
