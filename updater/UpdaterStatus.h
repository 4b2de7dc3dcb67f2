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
    // Failures with a message of their own.
    static inline const QString rightsRefused = QStringLiteral("exception: rights refused");
    static inline const QString rightsUnavailable = QStringLiteral("exception: no way to ask for rights");
    static inline const QString packageManaged = QStringLiteral("exception: package managed");

    static inline const QString noConnectionMessage =
        QStringLiteral("Internet connection unavailable, please check your connection and try again.");
    static inline const QString failureMessage =
        QStringLiteral("Unable to download update right now, please try again later.");
    static inline const QString unableToCheckMessage =
        QStringLiteral("Unable to check for updates right now, please try again later.");
    static inline const QString rightsRefusedMessage = QStringLiteral(
        "The update was not installed: replacing Tidemark needs administrator rights, and they "
        "were not given. Nothing was changed and Tidemark is still running.");
    static inline const QString rightsUnavailableMessage =
        QStringLiteral("The update was not installed: replacing Tidemark needs administrator rights, and "
                       "pkexec, which asks for them, is not installed. Nothing was changed and Tidemark is "
                       "still running.");
    static inline const QString packageManagedMessage =
        QStringLiteral("This copy of Tidemark was installed by a package manager, which also updates it. "
                       "The update was not installed here.");
    static inline const QString underWayMessage = QStringLiteral(
        "An update of Tidemark is already under way. This copy of Tidemark Updater stops here.");
};
