#include "update/UpdateManifest.h"

#include "plist/PropertyListValue.h"

UpdateManifest::UpdateManifest(QVariantMap entries) : m_entries(std::move(entries)) {}

bool UpdateManifest::parse(const QByteArray& bytes, UpdateManifest* manifest)
{
    bool ok = false;
    QVariantMap entries = PropertyListValue::dictionaryFromBytes(bytes, &ok);
    if (ok) {
        *manifest = UpdateManifest(std::move(entries));
    }
    return ok;
}

QString UpdateManifest::nextVersion(const QString& running) const
{
    const auto found = m_entries.constFind(running);
    if (running.isEmpty() || found == m_entries.constEnd() || found->typeId() != QMetaType::QString) {
        return {};
    }
    const QString next = found->toString();
    if (next.isEmpty() || next == running) {
        return {};
    }
    return next;
}

QString UpdateManifest::releaseNote(const QString& version) const
{
    const QVariantList notes = m_entries.value(releaseNoteKey).toList();
    if (notes.isEmpty()) {
        return noReleaseNote;
    }
    const QVariant note = notes.first().toMap().value(version);
    if (note.typeId() != QMetaType::QString) {
        return noReleaseNote;
    }
    return note.toString();
}

QString UpdateManifest::sha256(const QString& version) const
{
    const QVariant digest = m_entries.value(digestKey).toMap().value(version);
    if (digest.typeId() != QMetaType::QString) {
        return {};
    }
    return digest.toString().trimmed().toLower();
}

UpdateManifest::Digest UpdateManifest::digest(const QString& version, QString* hex) const
{
    const auto found = m_entries.constFind(digestKey);
    if (found == m_entries.constEnd()) {
        return Digest::None;
    }
    if (found->typeId() != QMetaType::QVariantMap) {
        return Digest::Malformed;
    }
    const QVariant value = found->toMap().value(version);
    if (value.typeId() != QMetaType::QString) {
        return Digest::Malformed;
    }
    const QString text = value.toString().trimmed().toLower();
    if (text.size() != 64) {
        return Digest::Malformed;
    }
    for (const QChar c : text) {
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
              (c >= QLatin1Char('a') && c <= QLatin1Char('f')))) {
            return Digest::Malformed;
        }
    }
    *hex = text;
    return Digest::Valid;
}
