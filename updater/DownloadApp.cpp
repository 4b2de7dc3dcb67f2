#include "updater/DownloadApp.h"

#include "platform/BackgroundWork.h"
#include "update/UpdateAddress.h"

#include <QMetaObject>

void DownloadApp::downloadApp(BackgroundWork& work, const QString& address, const UpdaterLayout& layout,
                              StatusCenter* center, const DownloadJob::Settings& settings, QObject* context,
                              std::function<void()> ended)
{
    const QString escaped = UpdateAddress::escapeSpaces(address);
    work.start([escaped, layout, center, settings, context, ended] {
        {
            DownloadJob job(escaped, layout, center, settings);
            job.run();
        }
        // The caller waits for `work` before it goes, so `context` is alive here.
        QMetaObject::invokeMethod(context, ended, Qt::QueuedConnection);
    });
}
