#include "review/MarkingRules.h"

bool MarkingRules::allDuplicatesAreSelectedOfSet(const Set& set)
{
    return set.totalFilesSelectedInSet() == static_cast<quint64>(set.files().size()) - 1;
}

MarkingRules::FileClick MarkingRules::collectionViewCheckButtonCLicked(Modal& modal,
                                                                       const ExtensionsPtr& extension,
                                                                       const SetPtr& set, const FilePtr& file)
{
    if (!extension || !set || !file || !set->files().contains(file)) {
        return FileClick::NoFile;
    }
    if (isMarked(file->state())) {
        modal.changeStateOfExtension(extension, set, file);
        return FileClick::Unmarked;
    }
    if (allDuplicatesAreSelectedOfSet(*set)) {
        return FileClick::Refused;
    }
    modal.changeStateOfExtension(extension, set, file);
    return FileClick::Marked;
}

MarkingRules::ButtonStates MarkingRules::enableNecessaryButton(const Modal* modal)
{
    ButtonStates b;
    if (!modal || modal->extensionCount() == 0) {
        b.markAll = b.unMarkAll = b.sendToRecycle = b.addEceptionBtn = b.sortPopupBtn = false;
        return b;
    }
    const quint64 s = modal->totalFilesSelected();
    const quint64 t = modal->totalFiles();
    if (s == 0) {
        b.markAll = true;
        b.unMarkAll = b.sendToRecycle = b.deletePermanently = b.addEceptionBtn = false;
        b.sortPopupBtn = true;
    } else if (s < t) {
        b.markAll = b.unMarkAll = b.sendToRecycle = b.deletePermanently = b.addEceptionBtn = true;
    } else if (s == t) {
        b.markAll = false;
        b.unMarkAll = b.sendToRecycle = b.deletePermanently = b.addEceptionBtn = true;
    }
    return b;
}
