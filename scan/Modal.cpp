#include "scan/Modal.h"

void Modal::addExtension(const ExtensionsPtr& extension)
{
    m_extensionsArray.append(extension);
}

void Modal::addExtensionFromArray(const QList<ExtensionsPtr>& extensions)
{
    m_extensionsArray.append(extensions);
}

ExtensionsPtr Modal::getExtensionWithName(const QByteArray& name) const
{
    for (const ExtensionsPtr& e : m_extensionsArray) {
        if (e->name() == name) {
            return e;
        }
    }
    return {};
}

quint64 Modal::extensionCount() const
{
    return static_cast<quint64>(m_extensionsArray.size());
}

void Modal::markAllExtension()
{
    m_totalFilesSelected = 0;
    m_totalFilesSelectedSize = 0;
    for (const ExtensionsPtr& e : std::as_const(m_extensionsArray)) {
        e->markAllSet();
        m_totalFilesSelected += e->totalFilesSelectedInExtension();
        m_totalFilesSelectedSize += e->totalFilesSelectedInExtensionSize();
    }
}

void Modal::unmarkAllExtension()
{
    for (const ExtensionsPtr& e : std::as_const(m_extensionsArray)) {
        e->unmarkAllSet();
        m_totalFilesSelected = 0;
        m_totalFilesSelectedSize = 0;
    }
}

void Modal::changeStateOfExtension(const ExtensionsPtr& extension, const SetPtr& set, const FilePtr& file)
{
    changeExtension(extension, [&] {
        if (file) {
            extension->changeStateOfFile(file, set);
        } else if (set) {
            extension->changeStateOfSet(set);
        } else {
            extension->changeState();
        }
    });
}

void Modal::setMarksInSet(const SetPtr& set, const ExtensionsPtr& extension, const QList<bool>& marks)
{
    changeExtension(extension, [&] { extension->setMarksOfSet(set, marks); });
}

void Modal::calculateTotalFilesAndSize()
{
    m_totalFiles = 0;
    m_totalFilesSize = 0;
    for (const ExtensionsPtr& e : std::as_const(m_extensionsArray)) {
        m_totalFiles += e->totalFilesInExtension();
        m_totalFilesSize += e->totalFilesInExtensionSize();
    }
}

RemovalResult Modal::removeSelectedFilesInSet(const SetPtr& set, const ExtensionsPtr& extension)
{
    return forgetRemovedFilesInSet(set, extension, set->trashSelectedFiles());
}

RemovalResult Modal::forgetRemovedFilesInSet(const SetPtr& set, const ExtensionsPtr& extension,
                                             const QList<FilePtr>& removed)
{
    m_totalFilesSelected -= extension->totalFilesSelectedInExtension();
    m_totalFilesSelectedSize -= extension->totalFilesSelectedInExtensionSize();
    m_totalFiles -= extension->totalFilesInExtension();
    m_totalFilesSize -= extension->totalFilesInExtensionSize();
    const RemovalResult result = extension->forgetRemovedFilesInSet(set, removed);
    m_totalFilesSelected += extension->totalFilesSelectedInExtension();
    m_totalFilesSelectedSize += extension->totalFilesSelectedInExtensionSize();
    m_totalFiles += extension->totalFilesInExtension();
    m_totalFilesSize += extension->totalFilesInExtensionSize();
    return result;
}

QByteArrayList Modal::addSelectedFilesToExceptionInSet(const SetPtr& set, const ExtensionsPtr& extension)
{
    QByteArrayList paths;
    changeExtension(extension, [&] { paths = extension->addSelectedFilesInExtensionToExceptionOfSet(set); });
    return paths;
}

ModalPtr Modal::combine(const QList<ModalPtr>& parts)
{
    ModalPtr root = create();
    for (const ModalPtr& part : parts) {
        if (!part) {
            continue;
        }
        root->addExtensionFromArray(part->extensionsArray());
        root->m_totalFiles += part->totalFiles();
        root->m_totalFilesSize += part->totalFilesSize();
    }
    return root;
}
