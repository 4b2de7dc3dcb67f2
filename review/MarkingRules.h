#pragma once

#include "scan/Modal.h"

#include <optional>

// The rules that limit marks and the buttons that follow them. Every change
// goes through the tree's own root operations, which keep the counters.
class MarkingRules
{
public:
    enum class FileClick
    {
        Unmarked,
        Marked,
        // Marking it would leave no file of the set unmarked.
        Refused,
        NoFile
    };

    // Enabled states of the page's buttons; an empty value leaves the button as it is.
    struct ButtonStates
    {
        std::optional<bool> markAll;
        std::optional<bool> unMarkAll;
        std::optional<bool> sendToRecycle;
        std::optional<bool> deletePermanently;
        std::optional<bool> addEceptionBtn;
        std::optional<bool> sortPopupBtn;
    };

    static constexpr const char* RefusalText = "All the files of same set cannot be selected";

    // True when every file of the set but one is marked (unsigned arithmetic:
    // an empty set never qualifies, a one-file set always does).
    static bool allDuplicatesAreSelectedOfSet(const Set& set);
    // One file's box: unmark a marked file, mark an unmarked one unless the
    // set would lose its last unmarked file.
    static FileClick collectionViewCheckButtonCLicked(Modal& modal, const ExtensionsPtr& extension,
                                                      const SetPtr& set, const FilePtr& file);
    // The buttons' states for the tree on screen (exact mode only).
    static ButtonStates enableNecessaryButton(const Modal* modal);
};
