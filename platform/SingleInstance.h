#pragma once

#include "platform/InstanceRegistry.h"

#include <QObject>

class QLocalServer;

// Keeps one copy of the program running per user. The first copy listens on
// a local socket; a later copy asks it to come to the front and then quits.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(QByteArray folder = InstanceRegistry::defaultFolder(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // Registers this copy. Every live copy after the first in start order is
    // asked to terminate; returns false when this copy is one of them (the
    // first copy has then been asked to raise its window).
    bool claim();

    InstanceRegistry& registry() { return m_registry; }

Q_SIGNALS:
    // Another copy was started: bring the window to the front.
    void raiseRequested();

private:
    QString socketName() const;
    void listen();

    InstanceRegistry m_registry;
    QLocalServer* m_server = nullptr;
};
