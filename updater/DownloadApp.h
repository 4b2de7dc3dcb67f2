#pragma once

#include "updater/DownloadJob.h"

#include <QString>

class QThread;
class StatusCenter;

// Starts the download job of one update attempt in the background.
class DownloadApp
{
public:
    // Returns at once with the job's thread, already started and deleting
    // itself when done; the caller may wait for it.
    static QThread* downloadApp(const QString& address, const UpdaterLayout& layout, StatusCenter* center,
                                const DownloadJob::Settings& settings);
};
