#include "review/ReferenceMarking.h"

#include "review/MarkingRules.h"

bool ReferenceMarking::isReference(const File& file, const ReferenceRoots& references)
{
    return !references.isEmpty() && references.contains(file.filePath());
}

bool ReferenceMarking::setFullyMarked(const Set& set, const ReferenceRoots& references)
{
    const QList<bool> keep = KeepRule().keepers(set, references);
    bool any = false;
    for (qsizetype i = 0; i < keep.size(); ++i) {
        const bool marked = isMarked(set.files().at(i)->state());
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
    if (file && !isMarked(file->state()) && isReference(*file, references)) {
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
        modal.setMarksInSet(set, extension, {});
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
        for (const SetPtr& set : extension->sets()) {
            modal.setMarksInSet(set, extension, {});
        }
        return;
    }
    KeepRule().applyToExtension(modal, extension, references);
}
