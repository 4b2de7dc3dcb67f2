#pragma once

#include "scan/Extensions.h"

class Modal;
using ModalPtr = std::shared_ptr<Modal>;

// Root of one result tree: extension groups in the order they were added.
class Modal
{
public:
    static ModalPtr create() { return std::make_shared<Modal>(); }
    // A new root over the groups of `parts`, in order (the groups are shared),
    // with their totals summed and nothing selected.
    static ModalPtr combine(const QList<ModalPtr>& parts);

    // Appends; counters are not touched.
    void addExtension(const ExtensionsPtr& extension);
    void addExtensionFromArray(const QList<ExtensionsPtr>& extensions);
    // First group whose name equals `name` exactly, or null.
    ExtensionsPtr getExtensionWithName(const QByteArray& name) const;

    QList<ExtensionsPtr>& extensionsArray() { return m_extensionsArray; }
    const QList<ExtensionsPtr>& extensionsArray() const { return m_extensionsArray; }
    const QList<ExtensionsPtr>& extensions() const { return m_extensionsArray; }
    quint64 extensionCount() const;

    // The counters follow the tree's own operations only.
    quint64 totalFiles() const { return m_totalFiles; }
    quint64 totalFilesSize() const { return m_totalFilesSize; }
    quint64 totalFilesSelected() const { return m_totalFilesSelected; }
    quint64 totalFilesSelectedSize() const { return m_totalFilesSelectedSize; }

    void markAllExtension();
    void unmarkAllExtension();
    // Any mark change from the view goes through here; set and file may be null.
    void changeStateOfExtension(const ExtensionsPtr& extension, const SetPtr& set = {},
                                const FilePtr& file = {});
    // Marks the files of one set by their flags (Set::setMarks), with the
    // group's and the root's selected counters following, as for any change.
    void setMarksInSet(const SetPtr& set, const ExtensionsPtr& extension, const QList<bool>& marks);
    void calculateTotalFilesAndSize();

    RemovalResult removeSelectedFilesInSet(const SetPtr& set, const ExtensionsPtr& extension);
    // The tree's half of a removal whose files were trashed elsewhere
    // (Set::trashSelectedFiles): keeps every counter consistent.
    RemovalResult forgetRemovedFilesInSet(const SetPtr& set, const ExtensionsPtr& extension,
                                          const QList<FilePtr>& removed);
    QByteArrayList addSelectedFilesToExceptionInSet(const SetPtr& set, const ExtensionsPtr& extension);

private:
    friend class ResultTreeAccess; // tests: counters no operation reaches

    // One change of one group, with the root's selected counters following.
    template <typename Change> void changeExtension(const ExtensionsPtr& extension, Change change)
    {
        m_totalFilesSelected -= extension->totalFilesSelectedInExtension();
        m_totalFilesSelectedSize -= extension->totalFilesSelectedInExtensionSize();
        change();
        m_totalFilesSelected += extension->totalFilesSelectedInExtension();
        m_totalFilesSelectedSize += extension->totalFilesSelectedInExtensionSize();
    }

    QList<ExtensionsPtr> m_extensionsArray;
    quint64 m_totalFiles = 0;
    quint64 m_totalFilesSize = 0;
    quint64 m_totalFilesSelected = 0;
    quint64 m_totalFilesSelectedSize = 0;
};
