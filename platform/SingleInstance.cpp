#include "platform/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <unistd.h>

SingleInstance::SingleInstance(QByteArray folder, QObject* parent)
    : QObject(parent), m_registry(std::move(folder))
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::socketName() const
{
    return QString::fromLocal8Bit(m_registry.folder() + "/raise.sock");
}

void SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(socketName());
    if (!m_server->listen(socketName())) {
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            socket->disconnectFromServer();
            Q_EMIT raiseRequested();
        }
    });
}

bool SingleInstance::claim()
{
    if (!m_registry.registerSelf()) {
        return true; // no registry: run rather than refuse to start
    }
    const QList<pid_t> running = m_registry.runningInstances();
    const pid_t self = ::getpid();
    bool selfMustQuit = false;
    for (qsizetype i = 1; i < running.size(); ++i) {
        if (running.at(i) == self) {
            selfMustQuit = true;
        } else {
            InstanceRegistry::terminate(running.at(i));
        }
    }
    if (selfMustQuit) {
        QLocalSocket socket;
        socket.connectToServer(socketName());
        if (socket.waitForConnected(500)) {
            socket.write("raise");
            socket.waitForBytesWritten(500);
        }
        return false;
    }
    listen();
    return true;
}
