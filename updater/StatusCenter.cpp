#include "updater/StatusCenter.h"

void StatusCenter::post(const QString& status)
{
    Q_EMIT notif(status);
}

void StatusCenter::postArchiveArrived()
{
    Q_EMIT archiveArrived();
}
