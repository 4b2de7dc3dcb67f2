#pragma once

#include "scan/Modal.h"

// Result trees as detection leaves them, for tests that start from a tree,
// and the raw byte-path file access those tests use (QFile would mangle names
// that are not UTF-8).
class TreeBuilder
{
public:
    // The set's totals count every file but the first.
    static SetPtr buildSet(const QList<FilePtr>& files);
    static ExtensionsPtr buildExt(const QByteArray& name, const QList<SetPtr>& sets);
    static ModalPtr buildRoot(const QList<ExtensionsPtr>& exts);

    static bool writeBytes(const QByteArray& path, const QByteArray& data);
    static QByteArray readBytes(const QByteArray& path);
    static bool exists(const QByteArray& path);
};
