#pragma once

#include "update/UpdateManifest.h"

#include <QString>
#include <QVariantMap>
#include <atomic>
#include <functional>

// The manifest check both programs run: with a connection and a URL table,
// fetch L/N/Update.plist and look the running version up in it.
class UpdateCheck
{
public:
    struct Settings
    {
        int timeoutMs = 30000;
        // Defaults to the routing-table test.
        std::function<bool()> connectionTest;
        const std::atomic_bool* cancel = nullptr;
    };
    struct Result
    {
        // The version to move to; null when there is none or anything failed.
        QString version;
        // "L/N/V" for that version.
        QString versionFolder;
        // A manifest was fetched and read: only then may a null version
        // be called up to date.
        bool manifestRead = false;
        UpdateManifest manifest;
    };

    static Result run(const QVariantMap& urlTable, const QString& runningVersion, const Settings& settings);
    static bool connectionAvailable(const Settings& settings);
};
