#pragma once

#include <QObject>
#include <QString>

// The updater's notification centre: the background steps post statuses
// here and the window's controller, connected with a queued connection,
// receives them on its own thread.
class StatusCenter : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Posts "notif" with the given status (a status text or "exception").
    void post(const QString& status);
    // The archive is in memory: the watchdog can stand down.
    void postArchiveArrived();

Q_SIGNALS:
    void notif(const QString& status);
    void archiveArrived();
};
