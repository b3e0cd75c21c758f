#include "serial/lineholder.h"

#include "serial/seriallink.h"

#include <algorithm>

LineHolder::LineHolder(SerialLink *link, PortWatcher *watcher, int retryMs, QObject *parent)
    : QObject(parent), m_link(link), m_watcher(watcher), m_ownWatcher(!watcher)
{
    m_retry.setInterval(retryMs);
    connect(&m_retry, &QTimer::timeout, this, &LineHolder::tryNow);
    if (m_watcher)
        connect(m_watcher, &PortWatcher::portsChanged, this, &LineHolder::follow);
    // Whoever opened it: whether it is listed, and as which adapter.
    connect(link, &SerialLink::opened, this, [this] {
        const QList<PortInfo> listed = m_watcher ? m_watcher->ports() : QList<PortInfo>();
        const auto info =
            std::find_if(listed.cbegin(), listed.cend(),
                         [this](const PortInfo &port) { return port.name == m_link->portName(); });
        m_openListed = info != listed.cend();
        m_adapter = m_openListed ? info->stableName : QString();
    });
    connect(link, &SerialLink::connectionLost, this, [this] { emit lost(m_link->portName()); });
}

void LineHolder::hold(const QString &port, int baudRate, const QString &adapter, bool again)
{
    m_port = port;
    m_baudRate = baudRate;
    m_adapter = adapter;
    m_again = again;
    m_lastRefusal.clear();
    m_lastPresent.clear();
    // A port just lost is still listed: it is tried once the ports have changed, or at the
    // next retry.
    if (!again) {
        tryNow();
        return;
    }
    if (m_retry.interval() > 0)
        m_retry.start();
    watch(true);
}

void LineHolder::release()
{
    m_port.clear();
    m_retry.stop();
    watch(false);
}

void LineHolder::tryNow()
{
    // Watching for itself, and not yet: the ports there are now.
    follow(m_watcher      ? m_watcher->ports()
           : m_ownWatcher ? PortWatcher::systemPorts()
                          : QList<PortInfo>());
}

// A port came or went. While the line is open, a listed port that leaves the list has gone.
// While it is awaited, it is opened as soon as it is there, under its name or as its adapter.
void LineHolder::follow(const QList<PortInfo> &ports)
{
    const auto listed = [&ports](const QString &name) {
        return std::any_of(ports.cbegin(), ports.cend(),
                           [&name](const PortInfo &port) { return port.name == name; });
    };
    if (m_link->isOpen()) {
        if (m_openListed && !listed(m_link->portName()))
            m_link->dropConnection();
        return;
    }
    if (m_port.isEmpty())
        return;
    QString name = m_port;
    const bool sameName = listed(m_port);
    if (!sameName) {
        const auto adapter =
            std::find_if(ports.cbegin(), ports.cend(), [this](const PortInfo &port) {
                return !m_adapter.isEmpty() && port.stableName == m_adapter;
            });
        if (adapter != ports.cend())
            name = adapter->name;
        else if (m_retry.interval() == 0) // only what is listed, then
            return;
    }
    if (m_link->open(name, m_baudRate)) {
        const QString awaited = std::exchange(m_port, {});
        m_retry.stop();
        watch(false);
        emit opened(name, m_again, name != awaited);
        return;
    }
    QStringList present;
    for (const PortInfo &port : ports)
        present << port.name;
    if (m_link->errorString() != std::exchange(m_lastRefusal, m_link->errorString()) ||
        present != std::exchange(m_lastPresent, present))
        emit refused(name, m_link->errorString(), present);
    if (m_retry.interval() > 0)
        m_retry.start();
    watch(true);
}

// The ports are watched by the holder itself only while it waits: a line at work never wakes
// for them.
void LineHolder::watch(bool watching)
{
    if (!m_ownWatcher || watching == bool(m_watcher))
        return;
    if (!watching) {
        m_watcher->deleteLater();
        m_watcher = nullptr;
        return;
    }
    m_watcher = new PortWatcher(this);
    connect(m_watcher, &PortWatcher::portsChanged, this,
            [this] { QTimer::singleShot(0, this, &LineHolder::tryNow); });
}
