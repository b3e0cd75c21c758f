#include "command/schedulerunner.h"
#include "model/deviceprofile.h"
#include "remote/replyjson.h"
#include "remote/venue.h"
#include "serial/lineholder.h"
#include "web/webserver.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QWebSocket>

void WebServer::acceptEvents()
{
    while (hasPendingWebSocketConnections()) {
        std::unique_ptr<QWebSocket> socket = nextPendingWebSocketConnection();
        // The connection it came by, checked before it was switched.
        m_upgrading.removeAll(nullptr);
        const auto came =
            std::find_if(m_upgrading.cbegin(), m_upgrading.cend(),
                         [&socket](const QPointer<QTcpSocket> &connection) {
                             return connection->peerPort() == socket->peerPort() &&
                                    connection->peerAddress() == socket->peerAddress();
                         });
        if (came == m_upgrading.cend()) {
            socket->abort();
            socket.release()->deleteLater();
            continue;
        }
        const QPointer<QTcpSocket> connection = *came;
        m_upgrading.removeAll(connection);
        m_door->listens(connection);
        // Nothing is taken from a listener: what it sends is dropped, a little at a time.
        socket->setMaxAllowedIncomingMessageSize(1024);
        socket->setMaxAllowedIncomingFrameSize(1024);
        QWebSocket *raw = socket.get();
        connect(raw, &QWebSocket::disconnected, this, [this, raw] {
            // Let go once its own signal is done with it.
            QMetaObject::invokeMethod(
                this,
                [this, raw] {
                    m_events.erase(std::remove_if(m_events.begin(), m_events.end(),
                                                  [raw](const EventSocket &events) {
                                                      return events.socket.get() == raw;
                                                  }),
                                   m_events.end());
                },
                Qt::QueuedConnection);
        });
        m_events.push_back({std::move(socket), connection});
        raw->sendTextMessage(QString::fromUtf8(stateJson()));
        m_door->keepsUp(connection);
    }
}

QByteArray WebServer::stateJson() const
{
    // The path knows whether the line is open; the holder of the line, whether it waits for it.
    const CommandPath::LinkState link = m_path->linkState();
    const QString line = link == CommandPath::LinkState::Closed && m_holder && m_holder->isWaiting()
                             ? QStringLiteral("waiting")
                             : CommandPath::linkWord(link);
    QJsonObject state = ReplyJson::room(*m_path, m_schedule, true);
    state.insert(QStringLiteral("type"), QStringLiteral("state"));
    state.insert(QStringLiteral("line"), line);
    state.insert(QStringLiteral("time"), ReplyJson::now());
    if (m_venue)
        state.insert(QStringLiteral("venue"), m_venue->state());
    return QJsonDocument(state).toJson(QJsonDocument::Compact);
}

void WebServer::sendEvent(const QByteArray &json)
{
    const QString text = QString::fromUtf8(json);
    // Weighed after all are sent: one cut off leaves the list as it goes.
    QList<QPointer<QTcpSocket>> sentBy;
    for (EventSocket &events : m_events) {
        events.socket->sendTextMessage(text);
        sentBy << events.connection;
    }
    for (const QPointer<QTcpSocket> &connection : sentBy)
        if (connection)
            m_door->keepsUp(connection);
}
