#pragma once

#include <QByteArray>
#include <QString>

// One scan location: a folder, volume or single file the user picked.
// Collection reads name, state and folder; the location page shows all five.
struct LocationEntry
{
    LocationEntry() = default;
    LocationEntry(QByteArray name, bool state, bool folder, QString image = {}, QString size = {})
        : name(std::move(name)), state(state), folder(folder), image(std::move(image)), size(std::move(size))
    {
    }

    QByteArray name;     // absolute path; identifies the entry (exact bytes)
    bool state = false;  // marked: part of the next scan
    bool folder = false; // folder or volume (walked); otherwise a single file
    QString image;       // icon resource name for default entries, else empty
    QString size;        // size text for a file entry, else empty

    // A reference location: its files are the copies to keep, never marked.
    bool reference = false;
};
