#include "updater/ArchiveVerifier.h"

#include "updater/ByteProcess.h"

#include <QCryptographicHash>

bool ArchiveVerifier::entryIsSafe(const QByteArray& name)
{
    if (name.isEmpty() || name.startsWith('/') || name.startsWith('\\')) {
        return false;
    }
    // Archives made on other systems may separate with backslashes.
    QByteArray normalised = name;
    normalised.replace('\\', '/');
    if (normalised.size() >= 2 && normalised.at(1) == ':') {
        return false; // a drive letter
    }
    for (const QByteArray& component : normalised.split('/')) {
        if (component == "..") {
            return false;
        }
    }
    return true;
}

ArchiveVerifier::Verdict ArchiveVerifier::check(const QByteArray& archive, const QByteArray& bytes,
                                                const QString& expectedSha256)
{
    if (!expectedSha256.isNull()) {
        const QByteArray actual = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
        if (QString::fromLatin1(actual) != expectedSha256) {
            return Verdict::DigestMismatch;
        }
    }
    const ByteProcess::Result test = ByteProcess::run({"unzip", "-tq", archive});
    if (!test.exited || test.exitCode != 0) {
        return Verdict::Damaged;
    }
    // One name per line. A name holding a line break splits in two here,
    // which can only make the check stricter.
    const ByteProcess::Result names = ByteProcess::run({"unzip", "-Z1", archive}, true);
    if (!names.exited || names.exitCode != 0) {
        return Verdict::Damaged;
    }
    bool hasApplication = false;
    for (const QByteArray& name : names.output.split('\n')) {
        if (name.isEmpty()) {
            continue;
        }
        if (!entryIsSafe(name)) {
            return Verdict::UnsafeEntry;
        }
        if (name.startsWith("Tidemark/Tidemark.app/")) {
            hasApplication = true;
        }
    }
    // A link entry would let a later entry be written through it, out of the
    // folder; our releases hold none, so any link is refused. The long
    // listing starts each entry's line with its mode.
    const ByteProcess::Result modes = ByteProcess::run({"unzip", "-Z", "-s", archive}, true);
    if (!modes.exited || modes.exitCode != 0) {
        return Verdict::Damaged;
    }
    for (const QByteArray& line : modes.output.split('\n')) {
        if (line.startsWith('l')) {
            return Verdict::UnsafeEntry;
        }
    }
    return hasApplication ? Verdict::Sound : Verdict::NoApplication;
}
