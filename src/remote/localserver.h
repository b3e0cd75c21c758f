#pragma once

#include "command/commandpath.h"
#include "door/door.h"

#include <QObject>
#include <functional>

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
    // What "schedule" is answered: the installation's schedule as the service runs it, a line
    // each, ended by "OK"; or "ERR 64" and why there is none.
    void setSchedule(std::function<QStringList(QString *why)> listing)
    {
        m_schedule = std::move(listing);
    }
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
    QByteArray answer(const QString &line, const QString &name);

    CommandPath *m_path;
    Door *m_door;
    QLocalServer *m_local = nullptr;
    std::function<QStringList(QString *why)> m_schedule;
};
