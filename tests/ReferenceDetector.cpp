#include "ReferenceDetector.h"

#include "scan/FileCategories.h"
#include "scan/FileCompare.h"
#include "scan/ScanControl.h"

ReferenceDetector::ReferenceDetector(ScanControl& control) : m_control(control) {}

SetPtr ReferenceDetector::setOfFileDetailsFrom(const QList<FilePtr>& group)
{
    SetPtr set = Set::create();
    quint64 p = 0;
    for (const FilePtr& file : group) {
        file->setState(0);
        file->setIndex(p++);
        set->setTotalFilesInSetSize(set->totalFilesInSetSize() + file->fileSize());
        set->addFiles(file);
    }
    set->setTotalFilesInSet(static_cast<quint64>(group.size()) - 1);
    set->setTotalFilesInSetSize(set->totalFilesInSetSize() - group.first()->fileSize());
    return set;
}

ModalPtr ReferenceDetector::findDuplicates(QList<FilePtr>& list)
{
    ModalPtr result = Modal::create();
    while (!list.isEmpty()) {
        const FilePtr reference = list.takeFirst();
        m_control.addProcessed();
        if (!m_control.waitWhilePaused()) {
            break;
        }
        QList<FilePtr> group{reference};
        qsizetype i = 0;
        while (i < list.size()) {
            if (!m_control.waitWhilePaused()) {
                break;
            }
            const FilePtr& candidate = list.at(i);
            if (candidate->fileSize() == reference->fileSize() &&
                FileCompare::contentsEqual(reference->filePath(), candidate->filePath())) {
                group.append(list.takeAt(i));
                m_control.addProcessed();
            } else {
                ++i;
            }
        }
        if (group.size() < 2) {
            continue;
        }
        const QByteArray name = FileCategories::extension(reference->fileName());
        ExtensionsPtr extension = result->getExtensionWithName(name);
        if (extension) {
            result->setTotalFiles(result->totalFiles() - extension->totalFilesInExtension());
            result->setTotalFilesSize(result->totalFilesSize() - extension->totalFilesInExtensionSize());
        } else {
            extension = Extensions::initWithName(name);
            result->addExtension(extension);
        }
        const SetPtr set = setOfFileDetailsFrom(group);
        extension->addSet(set);
        extension->setTotalFilesInExtension(extension->totalFilesInExtension() + set->totalFilesInSet());
        extension->setTotalFilesInExtensionSize(extension->totalFilesInExtensionSize() +
                                                set->totalFilesInSetSize());
        result->setTotalFiles(result->totalFiles() + extension->totalFilesInExtension());
        result->setTotalFilesSize(result->totalFilesSize() + extension->totalFilesInExtensionSize());
    }
    return result;
}
