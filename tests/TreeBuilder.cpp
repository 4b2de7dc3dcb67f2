#include "TreeBuilder.h"

#include <QFile>
#include <fcntl.h>
#include <sys/stat.h>

SetPtr TreeBuilder::buildSet(const QList<FilePtr>& files)
{
    return Set::fromFiles(files);
}

ExtensionsPtr TreeBuilder::buildExt(const QByteArray& name, const QList<SetPtr>& sets)
{
    ExtensionsPtr ext = Extensions::initWithName(name);
    for (const SetPtr& s : sets) {
        ext->addSet(s);
    }
    ext->calculateTotalFilesAndSize();
    return ext;
}

ModalPtr TreeBuilder::buildRoot(const QList<ExtensionsPtr>& exts)
{
    ModalPtr root = Modal::create();
    root->addExtensionFromArray(exts);
    root->calculateTotalFilesAndSize();
    return root;
}

bool TreeBuilder::writeBytes(const QByteArray& path, const QByteArray& data)
{
    QFile f;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return fd >= 0 && f.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle) &&
           f.write(data) == data.size();
}

QByteArray TreeBuilder::readBytes(const QByteArray& path)
{
    QFile f;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    return fd >= 0 && f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle) ? f.readAll()
                                                                                    : QByteArray();
}

bool TreeBuilder::exists(const QByteArray& path)
{
    struct stat st = {};
    return ::lstat(path.constData(), &st) == 0;
}
