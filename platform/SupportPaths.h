#pragma once

#include <QByteArray>
#include <QString>

// Where the program keeps its per-user files.
class SupportPaths
{
public:
    // <home>/.local/share/Quillon/Tidemark for `user`; $XDG_DATA_HOME is
    // honoured when `user` is the one running the program. Empty when the
    // user has no known home.
    static QByteArray appSupportPath(const QString& user);
};
