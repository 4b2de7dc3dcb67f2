#pragma once

#include <QByteArray>
#include <QUrl>
#include <atomic>

// One synchronous GET: waits in a local event loop of the calling thread
// (which must be a QThread, the main thread included) until the whole body
// has arrived, the time limit passes, the size cap is hit or `cancel` is set.
class HttpFetch
{
public:
    struct Limits
    {
        int totalMs = 30000; // whole transfer; 0 for none
        int idleMs = 0;      // longest silence; 0 for none
        qint64 maxBytes = 16 * 1024 * 1024;
        const std::atomic_bool* cancel = nullptr;
    };
    struct Result
    {
        bool ok = false;
        int httpStatus = 0;
        QByteArray body;
    };

    // ok only for a complete body with a 2xx status (or any non-HTTP scheme
    // that Qt reads, such as file:).
    static Result get(const QUrl& url, const Limits& limits);
};
