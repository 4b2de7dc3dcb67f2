#pragma once

#include <QString>

// The texts of the status line, in the order a successful run shows them,
// and the word that stands for a failure.
struct UpdaterStatus
{
    static inline const QString preparing = QStringLiteral("Preparing to download App...");
    static inline const QString pleaseWait = QStringLiteral("Please wait...");
    static inline const QString downloading = QStringLiteral("Downloading update...");
    static inline const QString downloaded = QStringLiteral("Downloading Completed...");
    static inline const QString checkingIntegrity = QStringLiteral("Checking integrity of update file...");
    static inline const QString applying = QStringLiteral("Applying update...");
    static inline const QString updated = QStringLiteral("Updated successfully");
    static inline const QString exception = QStringLiteral("exception");

    static inline const QString noConnectionMessage =
        QStringLiteral("Internet connection unavailable, please check your connection and try again.");
    static inline const QString failureMessage =
        QStringLiteral("Unable to download update right now, please try again later.");
};
