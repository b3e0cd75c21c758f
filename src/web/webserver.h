#pragma once

#include "command/commandpath.h"
#include "door/door.h"
#include "web/httpstream.h"
#include "web/websettings.h"

#include <QAbstractHttpServer>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <optional>
#if QT_CONFIG(ssl)
#include <QSslConfiguration>
#endif
#include <vector>

class LineHolder;
class ScheduleRunner;
class Venue;
class QSettings;
class QTcpServer;
class QWebSocket;

// The page, the HTTP API and the WebSocket of events: one more front end of the request path.
// Every request is checked, in this order: the client against the allowed ones (at the door),
// the Host header against the service's own names and addresses (a rebound DNS name is
// refused), the token (compared in constant time, never logged), and for whatever acts, the
// Origin against the host (no other site can drive the players from a visitor's browser). A
// WebSocket is checked the same way before it is one: one that would be refused is answered
// with its status, never switched. The door holds the connections to their terms; a request
// larger than HttpStream allows is cut off here.
class WebServer : public QAbstractHttpServer
{
    Q_OBJECT

public:
    static constexpr int MaxConnections = 32;
    static constexpr int MaxPerClient = 8;
    static constexpr int MaxEventSockets = 16;
    static constexpr qint64 RequestMs = 10000; // a request whole within this of its first byte
    static constexpr qint64 IdleMs = 60000;
    static constexpr qint64 MaxUnread = 256 * 1024; // answers and events a client left unread
    static constexpr Door::Limits DoorLimits{MaxConnections, MaxPerClient, IdleMs, MaxUnread};

    explicit WebServer(CommandPath *path, QObject *parent = nullptr);
    ~WebServer() override;

    // Listens as the settings say, with this token. False, with why, when it could not.
    bool start(const WebSettings &settings, const QString &token, QString *why);
    void stop();
    bool isListening() const { return m_listener != nullptr; }
    quint16 port() const;
    // The address that opens the page ready to use, token included.
    QString pageUrl() const { return pageUrl(m_settings, m_token, port()); }
    static QString pageUrl(const WebSettings &settings, const QString &token, quint16 port);
    // The holder of the line, whose waiting for the port the page shows as "waiting".
    void follow(LineHolder *holder);
    // The schedule whose cues of today the page shows, and which it may hold or skip.
    void follow(ScheduleRunner *schedule);
    // The building, for a venue's page: every room, and presses for them; none for a room's.
    void follow(Venue *venue);

#if QT_CONFIG(ssl)
    // TLS as the settings' certificate and key make it; nothing, with why, when they cannot.
    static std::optional<QSslConfiguration> tlsConfiguration(const WebSettings &settings,
                                                             QString *why);
#endif
    // A fresh token of 128 bits, URL-safe.
    static QString newToken();
    // The token kept in that folder, made and kept there the first time; empty with why when it
    // could be neither read nor kept.
    static QString keptToken(const QString &folder, QString *why);
    // Equal, in a time that does not tell how much of them is.
    static bool sameToken(QByteArrayView given, QByteArrayView token);
    // Whether a Host header names this service: one of its names or addresses, at its port.
    static bool hostNamesUs(QByteArrayView host, const QStringList &names, quint16 port);

signals:
    // A client refused or cut off, in a line for the log.
    void note(const QString &text);

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    struct EventSocket
    {
        std::unique_ptr<QWebSocket> socket;
        QPointer<QTcpSocket> connection; // what it came by, whose unread the door weighs
    };

    void readGuarded(QTcpSocket *socket);
    void cutOff(QTcpSocket *socket, int status, const QString &why);
    // Why a WebSocket asked for by this head would be refused: its status and why; 0 when not.
    std::pair<int, QString> eventsRefusal(const HttpStream::Head &head) const;
    void acceptEvents();
    QByteArray stateJson() const;
    // A press for a room of the venue, or the building's Stop All: answered when the room
    // answers.
    void askRoom(const QHttpServerRequest &request, QTcpSocket *socket, const QString &room,
                 const QString &client, bool closing);
    void sendEvent(const QByteArray &json);
    QStringList ownNames() const;

    CommandPath *m_path;
    WebSettings m_settings;
    QString m_token;
    Door *m_door;
    QTcpServer *m_listener = nullptr;
    std::vector<EventSocket> m_events;
    QList<QPointer<QTcpSocket>> m_upgrading; // handed to Qt's WebSocket server, not yet taken
    QPointer<LineHolder> m_holder;
    QPointer<ScheduleRunner> m_schedule;
    QPointer<Venue> m_venue;
    QTimer m_stateDue; // the state sent once after a burst of changes
    QStringList m_names;
    QElapsedTimer m_namesLookedUp;
};
