#pragma once

#include "platform/UniqueFd.h"

#include <QByteArray>
#include <QList>
#include <sys/types.h>

// Running copies of the program for the current user. Each copy holds an
// exclusive lock on a file of its own in a private folder; a file whose lock
// is not held belongs to a copy that is gone and is ignored.
class InstanceRegistry
{
public:
    // `folder`: where the lock files live; created private (0700) if missing.
    explicit InstanceRegistry(QByteArray folder = defaultFolder());
    ~InstanceRegistry();
    InstanceRegistry(const InstanceRegistry&) = delete;
    InstanceRegistry& operator=(const InstanceRegistry&) = delete;

    // $XDG_RUNTIME_DIR/Tidemark-instances, or /tmp/Tidemark-instances-<uid>.
    static QByteArray defaultFolder();

    // Registers this process; false if the folder could not be used.
    bool registerSelf();
    // Live copies in start order (this one included once registered).
    QList<pid_t> runningInstances() const;
    static bool terminate(pid_t pid);
    static bool forceTerminate(pid_t pid);

    const QByteArray& folder() const { return m_folder; }

private:
    QByteArray m_folder;
    QByteArray m_ownFile;
    UniqueFd m_fd;
};
