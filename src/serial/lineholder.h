#pragma once

#include "serial/portwatcher.h"

#include <QObject>
#include <QString>
#include <QTimer>

class SerialLink;

// Holds the line to one port, as the window's auto-connection and the service do: waits for the
// port while it is away, opens it when it comes, notices its loss and opens it again once it is
// back. An adapter with a name of its own (/dev/serial/by-id) is known by it too: back under
// another number, it is the same line. Only that port is ever opened, never another.
class LineHolder : public QObject
{
    Q_OBJECT

public:
    // watcher: the ports present, followed as they come and go; without one, the holder
    // watches them itself, and only while it waits. retryMs: how often a port that could not
    // be opened is tried again besides; 0 for only when the ports change.
    LineHolder(SerialLink *link, PortWatcher *watcher, int retryMs, QObject *parent = nullptr);

    // Waits for the port, opening it at once if it can be: again after a loss, or for the
    // first time. adapter: its own name, if it has one.
    void hold(const QString &port, int baudRate, const QString &adapter, bool again = false);
    // Waits no more; an open line stays open.
    void release();
    bool isWaiting() const { return !m_port.isEmpty(); }
    QString awaitedPort() const { return m_port; }
    // The adapter the open port is, when it has a name of its own and is listed.
    QString adapter() const { return m_adapter; }
    // Tries now, as when the ports change.
    void tryNow();

signals:
    // Opened what it waited for: under its own name, or the same adapter under another.
    void opened(const QString &port, bool again, bool sameAdapter);
    // Could not open it, and why, with the ports there are; said again only when the reason or
    // the ports change.
    void refused(const QString &port, const QString &why, const QStringList &present);
    // The open line went away (hold() it again to wait for it).
    void lost(const QString &port);

private:
    void follow(const QList<PortInfo> &ports);
    void watch(bool watching);

    SerialLink *m_link;
    PortWatcher *m_watcher;
    bool m_ownWatcher;
    QTimer m_retry;
    QString m_port;    // the port waited for; empty while none is
    QString m_adapter; // its adapter's own name
    int m_baudRate = 0;
    bool m_again = false;
    bool m_openListed = false;
    QString m_lastRefusal;
    QStringList m_lastPresent;
};
