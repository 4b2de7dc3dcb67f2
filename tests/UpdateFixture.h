#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QVariantMap>

// Real files for the update tests: property lists, installed product
// folders and release archives made with the zip tool.
class UpdateFixture
{
public:
    static QByteArray plistXml(const QVariant& root);
    static bool writeFile(const QByteArray& path, const QByteArray& bytes, bool executable = false);
    static QByteArray readFile(const QByteArray& path);

    // A stand-in executable: each start appends "<label> <args>" to the
    // file named by $TIDEMARK_TEST_MARKER.
    static QByteArray markerScript(const QByteArray& label);

    struct Tree
    {
        QString version = QStringLiteral("1.0");
        QString datVersion = QStringLiteral("1");
        QVariantMap urls; // outer table; DatVersion added
        QByteArray label = "old";
        bool withUninstaller = true;
        bool withApplication = true;
    };
    // P/Tidemark.app (and P/Uninstaller.app) as installed; in `root`
    // "Tidemark/..." that is the same as the archive layout.
    static bool writeProduct(const QByteArray& product, const Tree& tree);
    // The updater bundle inside an installed product.
    static QByteArray updaterBundle(const QByteArray& product);
    static QByteArray relaunchPath(const QByteArray& product);

    // Zips `folder`'s child "Tidemark" into `zip`; false without the tool.
    static bool zipFolder(const QByteArray& folder, const QByteArray& zip);
    // Adds an entry with a "../" name (written by Python's zipfile).
    static bool addEscapingEntry(const QByteArray& zip);

    // Runs a program to its end with $TIDEMARK_TEST_MARKER set; its exit code.
    static int runProgram(const QByteArray& program);

    // One entry of a zip archive written byte by byte, with the host byte of
    // "version made by" and the external attributes as given.
    struct ZipEntry
    {
        QByteArray name;
        QByteArray data;
        quint8 host = 3; // 0 FAT, 2 VMS, 3 Unix, 10 NTFS
        quint32 external = 0;
        bool deflate = false;
        // The uncompressed size written in the headers; -1: the real one.
        qint64 declaredSize = -1;
    };
    static QByteArray zip(const QList<ZipEntry>& entries);
    // The tree under `root` as Unix-made entries named "<prefix>/<path>",
    // folders with a trailing slash, modes in the external attributes.
    static QList<ZipEntry> entriesOf(const QByteArray& root, const QByteArray& prefix);

    // Every item under `root` (without following links): its type, mode and
    // contents, to compare an installed tree byte for byte.
    static QMap<QByteArray, QByteArray> snapshot(const QByteArray& root);
};
