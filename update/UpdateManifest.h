#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

// The update manifest (Update.plist) published on the update server: for
// each released version the version it is to move to, release notes and,
// optionally, the SHA-256 digest of each version's archive.
class UpdateManifest
{
public:
    static inline const QString releaseNoteKey = QStringLiteral("ReleaseNote");
    static inline const QString digestKey = QStringLiteral("SHA256");
    static inline const QString noReleaseNote = QStringLiteral("Not Specified");

    UpdateManifest() = default;
    explicit UpdateManifest(QVariantMap entries);
    // Null when the bytes are not a property-list dictionary.
    static bool parse(const QByteArray& bytes, UpdateManifest* manifest);

    // The version a copy at `running` moves to: null when the manifest has no
    // entry for it or the entry names `running` itself. Versions are compared
    // as exact strings, never as numbers, so an older version is offered too.
    QString nextVersion(const QString& running) const;
    // The note for `version`, or "Not Specified".
    QString releaseNote(const QString& version) const;
    // Lower-case hex digest of `version`'s archive, or null when none is given.
    QString sha256(const QString& version) const;

    enum class Digest
    {
        None,      // no "SHA256" key: nothing to check against
        Valid,     // 64 hex digits for the version
        Malformed, // the key is there but gives no usable digest
    };
    // The digest for `version` in lower case into `hex` when Valid. A key
    // that is not a dictionary, has no text for the version or holds
    // anything but 64 hex digits is Malformed: a failure, never a skipped check.
    Digest digest(const QString& version, QString* hex) const;

    const QVariantMap& entries() const { return m_entries; }

private:
    QVariantMap m_entries;
};
