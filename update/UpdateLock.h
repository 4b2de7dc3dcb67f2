#pragma once

#include "platform/UniqueFd.h"

#include <QByteArray>

// One update at a time. An updater holds an exclusive lock on the product
// folder itself (so copies run by different users exclude each other too;
// a lock needs only read access) and on a lock file in the user's caches
// folder (which holds the one download), for the whole download and
// installation. The locks die with the process that holds them.
class UpdateLock
{
public:
    UpdateLock() = default;
    ~UpdateLock();
    UpdateLock(const UpdateLock&) = delete;
    UpdateLock& operator=(const UpdateLock&) = delete;

    // False when another update holds either lock (or the caches folder
    // cannot be used); then nothing is held.
    bool acquire(const QByteArray& productFolder, const QByteArray& cachesFolder);
    void release();
    bool isHeld() const { return m_productFd.isValid() || m_cacheFd.isValid(); }

    // True while some updater holds the lock on `productFolder`.
    static bool updateUnderWay(const QByteArray& productFolder, const QByteArray& cachesFolder);
    static QByteArray lockFile(const QByteArray& cachesFolder);
    // $XDG_CACHE_HOME, else ~/.cache: where the updater keeps its download.
    static QByteArray userCachesFolder();

private:
    UniqueFd m_productFd;
    UniqueFd m_cacheFd;
};
