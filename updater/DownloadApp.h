#pragma once

#include "updater/DownloadJob.h"

#include <QString>
#include <functional>

class BackgroundWork;
class QObject;
class StatusCenter;

// Starts the download job of one update attempt in the background.
class DownloadApp
{
public:
    // Returns at once; the job runs on `work`, which the caller may wait
    // for. `ended` is then called on the thread of `context`.
    static void downloadApp(BackgroundWork& work, const QString& address, const UpdaterLayout& layout,
                            StatusCenter* center, const DownloadJob::Settings& settings, QObject* context,
                            std::function<void()> ended);
};
