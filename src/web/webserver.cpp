#include "web/webserver.h"

#include "command/schedulerunner.h"
#include "remote/replyjson.h"
#include "remote/venue.h"
#include "serial/lineholder.h"
#include "web/following.h"

#include <QJsonDocument>
#include <QJsonObject>
#if QT_CONFIG(ssl)
#include <QSslSocket>
#endif
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>

namespace {

// Takes a connection only once the door has let it in, so that the HTTP server never sees one
// that is not to be served; with TLS, only once its handshake is done, which is the first
// message the door times. A socket never handed over is deleted here once it has ended.
class GuardedListener : public QTcpServer
{
public:
    std::function<bool(QTcpSocket *)> vet;
    Door *door = nullptr;
#if QT_CONFIG(ssl)
    std::optional<QSslConfiguration> tls;
#endif

protected:
    void incomingConnection(qintptr descriptor) override
    {
#if QT_CONFIG(ssl)
        auto *socket = tls ? new QSslSocket(this) : new QTcpSocket(this);
#else
        auto *socket = new QTcpSocket(this);
#endif
        if (!socket->setSocketDescriptor(descriptor) || !vet(socket)) {
            socket->abort();
            socket->deleteLater();
            return;
        }
#if QT_CONFIG(ssl)
        if (auto *secure = qobject_cast<QSslSocket *>(socket)) {
            secure->setSslConfiguration(*tls);
            door->heard(secure, true);
            connect(secure, &QSslSocket::encrypted, this, [this, secure] {
                door->heard(secure, false);
                addPendingConnection(secure);
            });
            connect(secure, &QSslSocket::errorOccurred, this, [this, secure] {
                if (!secure->isEncrypted())
                    door->cut(secure, secure->errorString());
            });
            connect(secure, &QAbstractSocket::disconnected, this, [secure] {
                if (!secure->isEncrypted())
                    secure->deleteLater();
            });
            secure->startServerEncryption();
            return;
        }
#endif
        addPendingConnection(socket);
    }
};

} // namespace

WebServer::WebServer(CommandPath *path, QObject *parent)
    : QAbstractHttpServer(parent), m_path(path), m_door(new Door(DoorLimits, this))
{
    // The page lives in this library's resources, which a static library must ask for.
    Q_INIT_RESOURCE(web);
    connect(m_door, &Door::note, this, &WebServer::note);
    // A request not whole in time is told so, if it still speaks HTTP.
    connect(m_door, &Door::cutting, this, [this](QIODevice *connection, Door::Cut why) {
        auto *socket = qobject_cast<QTcpSocket *>(connection);
        const Following *following = Following::of(socket);
#if QT_CONFIG(ssl)
        if (auto *secure = qobject_cast<QSslSocket *>(socket); secure && !secure->isEncrypted())
            return;
#endif
        if (why == Door::Cut::HalfMessage && following && !following->stream.upgraded())
            socket->write("HTTP/1.1 408 Request Timeout\r\nContent-Length: 0\r\n"
                          "Connection: close\r\n\r\n");
    });
    m_stateDue.setSingleShot(true);
    m_stateDue.setInterval(100);
    // Made only for someone listening: a venue's state is every room of the building.
    connect(&m_stateDue, &QTimer::timeout, this, [this] {
        if (!m_events.empty())
            sendEvent(stateJson());
    });
    connect(this, &QAbstractHttpServer::newWebSocketConnection, this, &WebServer::acceptEvents);
    connect(path, &CommandPath::answered, this, [this](const Request &request, const Reply &reply) {
        if (m_events.empty())
            return;
        QJsonObject result = ReplyJson::result(reply, m_path->model());
        result.insert(QStringLiteral("type"), QStringLiteral("result"));
        result.insert(QStringLiteral("source"), request.source);
        sendEvent(QJsonDocument(result).toJson(QJsonDocument::Compact));
        m_stateDue.start();
    });
    connect(path, &CommandPath::installationChanged, &m_stateDue, qOverload<>(&QTimer::start));
    connect(path, &CommandPath::linkStateChanged, &m_stateDue, qOverload<>(&QTimer::start));
}

WebServer::~WebServer()
{
    stop();
}

bool WebServer::start(const WebSettings &settings, const QString &token, QString *why)
{
    stop();
    if (const QString refused = settings.refusal(); !refused.isEmpty()) {
        *why = refused;
        return false;
    }
    m_door->setAllowed(*AllowList::read(settings.allowed));
    auto *listener = new GuardedListener;
    listener->door = m_door;
    if (!settings.certFile.isEmpty()) {
#if QT_CONFIG(ssl)
        listener->tls = tlsConfiguration(settings, why);
        if (!listener->tls) {
            delete listener;
            return false;
        }
#else
        *why = QStringLiteral("certFile and keyFile: this build has no TLS");
        delete listener;
        return false;
#endif
    }
    listener->vet = [this](QTcpSocket *socket) {
        const QString name = QStringLiteral("web ") + Door::client(socket->peerAddress());
        if (!m_door->enter(socket, socket->peerAddress(), name))
            return false;
        new Following(socket);
        // Before the HTTP server's own: what comes is weighed before it is read.
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readGuarded(socket); });
        return true;
    };
    if (!listener->listen(*AllowList::readAddress(settings.address), settings.port)) {
        *why = QStringLiteral("port %1 on %2: %3")
                   .arg(settings.port)
                   .arg(settings.address, listener->errorString());
        delete listener;
        return false;
    }
    listener->setMaxPendingConnections(4);
    bind(listener);
    m_listener = listener;
    m_settings = settings;
    m_token = token;
    m_names.clear();
    return true;
}

void WebServer::stop()
{
    m_events.clear();
    m_upgrading.clear();
    m_door->closeAll();
    if (m_listener) {
        m_listener->close();
        delete m_listener;
        m_listener = nullptr;
    }
}

quint16 WebServer::port() const
{
    return m_listener ? m_listener->serverPort() : 0;
}

void WebServer::follow(ScheduleRunner *schedule)
{
    m_schedule = schedule;
    connect(schedule, &ScheduleRunner::nextChanged, &m_stateDue, qOverload<>(&QTimer::start));
}

void WebServer::follow(Venue *venue)
{
    if (m_venue)
        disconnect(m_venue, nullptr, &m_stateDue, nullptr);
    m_venue = venue;
    if (venue)
        connect(venue, &Venue::changed, &m_stateDue, qOverload<>(&QTimer::start));
}

void WebServer::follow(LineHolder *holder)
{
    m_holder = holder;
    const auto changed = [this] {
        m_stateDue.start();
    };
    connect(holder, &LineHolder::opened, this, changed);
    connect(holder, &LineHolder::refused, this, changed);
    connect(holder, &LineHolder::lost, this, changed);
}
