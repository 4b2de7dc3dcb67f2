#pragma once

#include <QByteArray>
#include <QString>

// Who sits at the machine: the user of the active session on seat0 when
// logind reports one, else the user running the program.
class ConsoleUser
{
public:
    // Empty when neither resolves.
    static QString getUserName();
    // The last name getUserName returned, on any thread.
    static QString currentConsoleUser();

    // Home folder of `user` from the passwd database; $HOME for the user
    // running the program. Empty when unknown.
    static QByteArray homeDirectory(const QString& user);

    // Reads logind's state for seat0 under `runtimeRoot` (normally
    // "/run/systemd"); returns the active uid or -1.
    static long activeSeatUid(const QByteArray& runtimeRoot = "/run/systemd");
};
