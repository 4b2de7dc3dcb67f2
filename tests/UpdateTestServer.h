#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThread>

class QTcpServer;
class QTcpSocket;

// A small HTTP server on 127.0.0.1 running on a thread of its own, so the
// code under test may wait for it from any thread. Paths are matched as
// they arrive on the request line, escapes included.
class UpdateTestServer : public QObject
{
    Q_OBJECT
public:
    enum class Mode
    {
        Serve,  // 200 with the body, or 404 when none is set
        Close,  // the connection is closed without an answer
        Silent, // the request is never answered
        Stall,  // headers and half the body, then nothing more
        Hold,   // answered in full only once release() is called
    };

    UpdateTestServer();
    ~UpdateTestServer() override;

    QString base() const; // "http://127.0.0.1:<port>"
    void setFile(const QByteArray& path, const QByteArray& body);
    void setMode(const QByteArray& path, Mode mode);
    QList<QByteArray> requests() const;
    // Answers the requests held for `path` and serves it from now on.
    void release(const QByteArray& path);
    void clear();

private:
    void accept();
    void answer(QTcpSocket* socket, const QByteArray& path);

    QThread m_thread;
    QTcpServer* m_server = nullptr;
    quint16 m_port = 0;
    mutable QMutex m_mutex;
    QHash<QByteArray, QByteArray> m_files;
    QHash<QByteArray, Mode> m_modes;
    QList<QByteArray> m_requests;
    // Touched on the server's thread only.
    QList<QPair<QTcpSocket*, QByteArray>> m_held;
};
