#pragma once

#include "scan/Modal.h"
#include "scan/ReferenceRoots.h"

#include <QByteArray>
#include <QList>
#include <optional>

// Which copy of each set stays: in every set, every file is marked but the
// ones to keep. A set that holds files inside a reference location keeps
// exactly those (a set made only of them gets no mark); any other set keeps
// exactly one file, chosen by the rule:
//   First         the file the scan met first (what Mark All keeps);
//   Newest/Oldest the latest/earliest modification date; a file without a
//                 date is chosen only when no file of the set has one;
//   ShortestPath/LongestPath  by the length of the whole path in bytes;
//   InsideFolder  the first file inside the chosen folder, or the first file
//                 of the set when none lies there.
// Ties always go to the file met first, so a rule gives the same marks for
// the same scan every time.
class KeepRule
{
public:
    enum class Kind
    {
        First,
        Newest,
        Oldest,
        ShortestPath,
        LongestPath,
        InsideFolder
    };

    explicit KeepRule(Kind kind = Kind::First, QByteArray folder = {});
    // "first", "newest", "oldest", "shortest-path", "longest-path".
    static std::optional<KeepRule> fromName(const QByteArray& name);
    static QByteArrayList names();

    Kind kind() const { return m_kind; }
    const QByteArray& folder() const { return m_folder; }

    // One flag per file of the set, in its order: true for the files to keep.
    QList<bool> keepers(const Set& set, const ReferenceRoots& references) const;
    // The opposite flags: true for the files the rule marks.
    QList<bool> marks(const Set& set, const ReferenceRoots& references) const;

    // Marks every set of the tree by the rule. Like Mark All, it replaces the
    // marks there were and keeps every counter of the tree consistent; the
    // work is linear in the size of the tree.
    void apply(Modal& modal, const ReferenceRoots& references) const;
    // The same for one group or one set of `modal`.
    void applyToExtension(Modal& modal, const ExtensionsPtr& extension,
                          const ReferenceRoots& references) const;
    void applyToSet(Modal& modal, const ExtensionsPtr& extension, const SetPtr& set,
                    const ReferenceRoots& references) const;

private:
    qsizetype chosen(const Set& set) const;

    Kind m_kind;
    QByteArray m_folder;
};
