#include "update/HttpFetch.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <memory>

HttpFetch::Result HttpFetch::get(const QUrl& url, const Limits& limits)
{
    Result result;
    if (!url.isValid() || url.isRelative()) {
        return result;
    }
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    if (limits.idleMs > 0) {
        request.setTransferTimeout(limits.idleMs);
    }
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    QEventLoop loop;
    bool tooLarge = false;
    bool timedOut = false;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, &loop, [&](qint64 received, qint64 total) {
        if (received > limits.maxBytes || total > limits.maxBytes) {
            tooLarge = true;
            reply->abort();
        }
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    if (limits.totalMs > 0) {
        deadline.start(limits.totalMs);
    }
    // Cancellation is polled: the flag is set from other threads.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (limits.cancel && limits.cancel->load()) {
            reply->abort();
        }
    });
    if (limits.cancel) {
        poll.start(100);
    }
    if (!reply->isFinished()) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (tooLarge || timedOut || reply->error() != QNetworkReply::NoError) {
        return result;
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    result.httpStatus = status.isValid() ? status.toInt() : 0;
    const bool http = url.scheme().startsWith(QLatin1String("http"), Qt::CaseInsensitive);
    if (http && (result.httpStatus < 200 || result.httpStatus > 299)) {
        return result;
    }
    result.body = reply->readAll();
    result.ok = true;
    return result;
}
