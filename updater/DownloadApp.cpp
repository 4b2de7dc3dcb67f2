#include "updater/DownloadApp.h"

#include "update/UpdateAddress.h"

#include <QThread>

QThread* DownloadApp::downloadApp(const QString& address, const UpdaterLayout& layout, StatusCenter* center,
                                  const DownloadJob::Settings& settings)
{
    const QString escaped = UpdateAddress::escapeSpaces(address);
    QThread* thread = QThread::create([escaped, layout, center, settings] {
        DownloadJob job(escaped, layout, center, settings);
        job.run();
    });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
    return thread;
}
