#pragma once

#include "updater/Installer.h"
#include "updater/UpdaterLayout.h"

#include <QByteArray>
#include <QString>
#include <atomic>

class StatusCenter;

// The download of one update, run start to end on a background thread:
// fetch the archive whole, write it to the caches folder, check it, unpack
// it in process beside it into "softwareQuillon" and hand over to the
// installer.
// Every step reports through the status centre; any failure posts
// "exception".
class DownloadJob
{
public:
    struct Settings
    {
        int pauseMs = 1000;
        // The longest silence of the server before the fetch gives up.
        int idleMs = 120000;
        qint64 maxBytes = qint64(1) << 30;
        // Empty: the user's caches folder.
        QByteArray cachesFolder;
        // Lower-case hex from the manifest, or null.
        QString expectedSha256;
        // The manifest has a "SHA256" key that gives no usable digest: the
        // job fails rather than go unchecked.
        bool digestMalformed = false;
        ArchiveUnpacker::Limits unpackLimits;
        Installer::Settings install;
        const std::atomic_bool* cancel = nullptr;
    };

    DownloadJob(QString archiveAddress, UpdaterLayout layout, StatusCenter* center, Settings settings);

    // True when the update was installed.
    bool run();

    QByteArray localArchivePath() const;

private:
    bool fail();
    void pause() const;

    QString m_address;
    UpdaterLayout m_layout;
    StatusCenter* m_center;
    Settings m_settings;
};
