#include "UpdateTestServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

UpdateTestServer::UpdateTestServer()
{
    m_thread.start();
    m_server = new QTcpServer;
    m_server->moveToThread(&m_thread);
    // The server listens and answers on its own thread.
    QMetaObject::invokeMethod(
        m_server,
        [this] {
            m_server->listen(QHostAddress::LocalHost, 0);
            m_port = m_server->serverPort();
            connect(m_server, &QTcpServer::newConnection, m_server, [this] { accept(); });
        },
        Qt::BlockingQueuedConnection);
}

UpdateTestServer::~UpdateTestServer()
{
    QMetaObject::invokeMethod(
        m_server, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

QString UpdateTestServer::base() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

void UpdateTestServer::setFile(const QByteArray& path, const QByteArray& body)
{
    QMutexLocker lock(&m_mutex);
    m_files.insert(path, body);
}

void UpdateTestServer::setMode(const QByteArray& path, Mode mode)
{
    QMutexLocker lock(&m_mutex);
    m_modes.insert(path, mode);
}

QList<QByteArray> UpdateTestServer::requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

void UpdateTestServer::clear()
{
    QMutexLocker lock(&m_mutex);
    m_files.clear();
    m_modes.clear();
    m_requests.clear();
}

void UpdateTestServer::accept()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
            socket->setProperty("buffer", buffer);
            if (!buffer.contains("\r\n\r\n") || socket->property("answered").toBool()) {
                return;
            }
            socket->setProperty("answered", true);
            const QList<QByteArray> requestLine = buffer.left(buffer.indexOf("\r\n")).split(' ');
            const QByteArray path = requestLine.value(1);
            Mode mode = Mode::Serve;
            {
                QMutexLocker lock(&m_mutex);
                m_requests.append(path);
                mode = m_modes.value(path, Mode::Serve);
            }
            if (mode == Mode::Silent) {
                return;
            }
            if (mode == Mode::Hold) {
                m_held.append({socket, path});
                connect(socket, &QObject::destroyed, m_server, [this, socket] {
                    m_held.removeIf([socket](const auto& held) { return held.first == socket; });
                });
                return;
            }
            if (mode == Mode::Close) {
                socket->abort();
                socket->deleteLater();
                return;
            }
            answer(socket, path);
        });
    }
}

void UpdateTestServer::answer(QTcpSocket* socket, const QByteArray& path)
{
    QByteArray body;
    bool found = false;
    Mode mode = Mode::Serve;
    {
        QMutexLocker lock(&m_mutex);
        found = m_files.contains(path);
        body = m_files.value(path);
        mode = m_modes.value(path, Mode::Serve);
    }
    const QByteArray status = found ? "200 OK" : "404 Not Found";
    const QByteArray head = "HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(body.size()) +
                            "\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n\r\n";
    if (mode == Mode::Stall) {
        // The connection stays open with the rest of the body owed.
        socket->write(head + body.left(body.size() / 2));
        socket->flush();
        return;
    }
    socket->write(head + body);
    socket->disconnectFromHost();
}

void UpdateTestServer::release(const QByteArray& path)
{
    {
        QMutexLocker lock(&m_mutex);
        m_modes.insert(path, Mode::Serve);
    }
    QMetaObject::invokeMethod(
        m_server,
        [this, path] {
            const auto held = m_held;
            for (const auto& [socket, heldPath] : held) {
                if (heldPath == path) {
                    answer(socket, path);
                }
            }
            m_held.removeIf([&path](const auto& item) { return item.second == path; });
        },
        Qt::BlockingQueuedConnection);
}
