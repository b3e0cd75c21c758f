#pragma once

#include "command/commandpath.h"
#include "door/door.h"

#include <QObject>

class QLocalServer;

// tessary-send on this machine, through the service that holds the port: the text protocol on
// a local socket, open to the users who may use the port and to no one else.
class LocalServer : public QObject
{
    Q_OBJECT

public:
    explicit LocalServer(CommandPath *path, QObject *parent = nullptr);
    ~LocalServer() override;

    // Serves at that path, open to the given group (the serial devices' own); false with why
    // when it could not: a file there that is not a socket, a socket another program serves.
    bool listen(const QString &path, const QString &group, QString *why);
    // Open to the group of users who may use the port (the device's group, once it is there).
    void share(const QString &group);
    // Serves no more, and takes its socket away.
    void close();
    bool isListening() const { return m_local != nullptr; }
    // Whether a service answers at that local socket: its PID (-1 when it cannot be told), or 0
    // for none.
    static qint64 servedAt(const QString &path);

signals:
    // A client refused or cut off, in a line for the log.
    void note(const QString &text);

private:
    CommandPath *m_path;
    Door *m_door;
    QLocalServer *m_local = nullptr;
};
