#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QTemporaryDir>

// A temporary folder removed by byte path, so names that are not UTF-8 go
// too (QTemporaryDir's own removal decodes them and fails).
struct TempRoot
{
    QTemporaryDir dir;
    QByteArray path = QFile::encodeName(dir.path());
    ~TempRoot();
    QByteArray operator/(const QByteArray& rel) const { return path + '/' + rel; }
};

class TestSupport
{
public:
    // Points HOME and the XDG data, config, state and runtime folders into `root`
    // (private folders), so a test never touches the user's own files.
    static bool isolateUserFolders(const QTemporaryDir& root);

    // 3000 files of 64 KiB in ten folders under `root`, alike but for their
    // last byte: a scan long enough to be caught in the middle.
    static bool writeSlowTree(const QString& root);
    // Names in `trash`/files, by bytes (sorted): names that are not UTF-8 are listed too.
    static QByteArrayList trashedNames(const QByteArray& trash);
    // Names in `folder` that do not start with a dot, by bytes, sorted.
    static QByteArrayList namesIn(const QByteArray& folder);
};
