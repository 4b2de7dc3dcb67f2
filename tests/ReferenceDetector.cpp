#include "ReferenceDetector.h"

#include "scan/FileCategories.h"
#include "scan/FileCompare.h"
#include "scan/ScanControl.h"

ReferenceDetector::ReferenceDetector(ScanControl& control) : m_control(control) {}

SetPtr ReferenceDetector::setOfFileDetailsFrom(const QList<FilePtr>& group)
{
    return Set::fromFiles(group);
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
        if (!extension) {
            extension = Extensions::initWithName(name);
            result->addExtension(extension);
        }
        extension->addSet(setOfFileDetailsFrom(group));
    }
    for (const ExtensionsPtr& extension : result->extensionsArray()) {
        extension->calculateTotalFilesAndSize();
    }
    result->calculateTotalFilesAndSize();
    return result;
}
