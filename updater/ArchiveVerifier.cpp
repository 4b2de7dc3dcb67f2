#include "updater/ArchiveVerifier.h"

#include <QCryptographicHash>

bool ArchiveVerifier::entryIsSafe(const QByteArray& name)
{
    // Stored names may end in a slash (folders); the rest is the unpacker's rule.
    QByteArray trimmed = name;
    while (trimmed.endsWith('/')) {
        trimmed.chop(1);
    }
    return ArchiveUnpacker::nameIsSafe(trimmed);
}

ArchiveVerifier::Verdict ArchiveVerifier::check(const QByteArray& bytes, const QString& expectedSha256,
                                                QList<ArchiveUnpacker::Entry>* entries,
                                                const ArchiveUnpacker::Limits& limits)
{
    if (!expectedSha256.isNull()) {
        const QByteArray actual = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
        if (QString::fromLatin1(actual) != expectedSha256) {
            return Verdict::DigestMismatch;
        }
    }
    switch (ArchiveUnpacker::list(bytes, entries, limits)) {
    case ArchiveUnpacker::Verdict::Sound:
        break;
    case ArchiveUnpacker::Verdict::UnsafeEntry:
        return Verdict::UnsafeEntry;
    case ArchiveUnpacker::Verdict::TooLarge:
        return Verdict::TooLarge;
    default:
        return Verdict::Damaged;
    }
    for (const ArchiveUnpacker::Entry& entry : *entries) {
        if (entry.name.startsWith("Tidemark/Tidemark.app/")) {
            return Verdict::Sound;
        }
    }
    return Verdict::NoApplication;
}
