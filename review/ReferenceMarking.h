#pragma once

#include "review/KeepRule.h"

// The review's check boxes when the scan had reference locations: a file
// inside one is never marked. The file box refuses it; the set and group
// boxes mark like Mark All (every set keeps its reference copies, or its
// first file when it has none) and unmark what they marked.
class ReferenceMarking
{
public:
    enum class FileClick
    {
        Unmarked,
        Marked,
        RefusedLastCopy, // marking it would leave no file of the set unmarked
        RefusedReference,
        NoFile
    };

    // What the file box says when it refuses a reference copy.
    static constexpr const char* RefusalText = "Files in a reference folder are kept: they cannot be marked";

    static bool isReference(const File& file, const ReferenceRoots& references);
    // True when every file of the set that may be marked is, and there is one.
    static bool setFullyMarked(const Set& set, const ReferenceRoots& references);

    static FileClick fileBox(Modal& modal, const ExtensionsPtr& extension, const SetPtr& set,
                             const FilePtr& file, const ReferenceRoots& references);
    static void setBox(Modal& modal, const ExtensionsPtr& extension, const SetPtr& set,
                       const ReferenceRoots& references);
    static void groupBox(Modal& modal, const ExtensionsPtr& extension, const ReferenceRoots& references);
};
