#include "web/webserver.h"

#include "command/schedulerunner.h"
#include "model/deviceprofile.h"
#include "remote/remoteserver.h"
#include "remote/replyjson.h"
#include "serial/lineholder.h"
#include "storage/safefile.h"

#include <QDir>
#include <QFile>
#include <QHostInfo>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkInterface>
#include <QRandomGenerator>
#include <QSettings>
#if QT_CONFIG(ssl)
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#endif
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrlQuery>
#include <QWebSocket>
#include <functional>

namespace {

using Status = QHttpServerResponder::StatusCode;

// What the server follows of one connection's bytes, kept with the connection itself: it goes
// when the connection goes, whoever deletes it.
class Following : public QObject
{
public:
    explicit Following(QTcpSocket *socket) : QObject(socket) {}

    static Following *of(QObject *socket)
    {
        if (socket)
            for (QObject *child : socket->children())
                if (auto *following = dynamic_cast<Following *>(child))
                    return following;
        return nullptr;
    }

    HttpStream stream;
    int answered = 0;
    int continued = 0; // the request a "100 Continue" went to
};

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

// Headers every answer carries: no framing, no script but the page's own, no referrer (the
// page's address holds the token), nothing kept in a cache.
void writeAnswer(QHttpServerResponder &responder, Status status, const QByteArray &type,
                 const QByteArray &body, bool closing)
{
    responder.writeStatusLine(status);
    if (closing)
        responder.writeHeader("Connection", "close");
    responder.writeHeader("Content-Type", type);
    responder.writeHeader("Content-Length", QByteArray::number(body.size()));
    responder.writeHeader("Content-Security-Policy",
                          "default-src 'none'; script-src 'self'; style-src 'self'; "
                          "img-src 'self'; connect-src 'self'; frame-ancestors 'none'; "
                          "base-uri 'none'; form-action 'none'");
    responder.writeHeader("X-Frame-Options", "DENY");
    responder.writeHeader("X-Content-Type-Options", "nosniff");
    responder.writeHeader("Referrer-Policy", "no-referrer");
    responder.writeHeader("Cache-Control", "no-store");
    responder.writeBody(body);
}

QByteArray errorJson(const QString &why)
{
    return QJsonDocument(QJsonObject{{QStringLiteral("error"), why}})
        .toJson(QJsonDocument::Compact);
}

QByteArray pageFile(const QString &name)
{
    QFile file(QStringLiteral(":/web/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The status that says the outcome: 200 sent or nothing to do, 422 refused, 503 not sent, 429
// over the budget.
Status statusOf(const Reply &reply)
{
    if (reply.reason == Reply::Reason::OverBudget)
        return Status::TooManyRequests;
    switch (reply.outcome) {
    case Reply::Outcome::Sent:
    case Reply::Outcome::NothingToDo:
        return Status::Ok;
    case Reply::Outcome::Refused:
        return Status::UnprocessableEntity;
    case Reply::Outcome::NotSent:
        break;
    }
    return Status::ServiceUnavailable;
}

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
    connect(&m_stateDue, &QTimer::timeout, this, [this] { sendEvent(stateJson()); });
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

#if QT_CONFIG(ssl)
std::optional<QSslConfiguration> WebServer::tlsConfiguration(const WebSettings &settings,
                                                             QString *why)
{
    if (!QSslSocket::supportsSsl()) {
        *why = QStringLiteral("HTTPS: no TLS library on this machine (%1)")
                   .arg(QSslSocket::sslLibraryBuildVersionString());
        return std::nullopt;
    }
    // Read as the files they are, never through a link to a device; a key without a passphrase.
    const std::optional<QByteArray> chain = SafeFile::read(settings.certFile, 1 << 20);
    const QList<QSslCertificate> certificates =
        chain ? QSslCertificate::fromData(*chain, QSsl::Pem) : QList<QSslCertificate>();
    if (certificates.isEmpty()) {
        *why =
            QStringLiteral("certFile %1: no PEM certificate could be read").arg(settings.certFile);
        return std::nullopt;
    }
    const std::optional<QByteArray> keyText = SafeFile::read(settings.keyFile, 1 << 20);
    QSslKey key;
    for (const QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa}) {
        if (keyText && key.isNull())
            key = QSslKey(*keyText, algorithm, QSsl::Pem);
    }
    if (key.isNull()) {
        *why = QStringLiteral("keyFile %1: no PEM private key without a passphrase could be read")
                   .arg(settings.keyFile);
        return std::nullopt;
    }
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificateChain(certificates);
    tls.setPrivateKey(key);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    tls.setProtocol(QSsl::TlsV1_2OrLater);
    return tls;
}
#endif

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

QString WebServer::pageUrl(const WebSettings &settings, const QString &token, quint16 port)
{
    QString host = settings.address;
    // Listening everywhere: the machine's address on the network, which a phone can reach.
    if (host == QLatin1String("0.0.0.0") || host == QLatin1String("::")) {
        host = QHostInfo::localHostName();
        for (const QHostAddress &own : QNetworkInterface::allAddresses())
            if (!own.isLoopback() && own.protocol() == QAbstractSocket::IPv4Protocol) {
                host = own.toString();
                break;
            }
    } else if (host.contains(u':'))
        host = u'[' + host + u']';
    return QStringLiteral("%1://%2:%3/?token=%4")
        .arg(settings.certFile.isEmpty() ? QStringLiteral("http") : QStringLiteral("https"), host)
        .arg(port)
        .arg(token);
}

void WebServer::follow(ScheduleRunner *schedule)
{
    m_schedule = schedule;
    connect(schedule, &ScheduleRunner::nextChanged, &m_stateDue, qOverload<>(&QTimer::start));
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

QString WebServer::newToken()
{
    QByteArray bytes(18, Qt::Uninitialized); // 144 bits
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString WebServer::keptToken(const QString &folder, QString *why)
{
    const QString path = QDir(folder).filePath(QStringLiteral("web-token"));
    // Read only from a regular file of a token's size: never through a link to a device.
    if (const std::optional<QByteArray> kept = SafeFile::read(path, 256)) {
        WebSettings check;
        check.token = QString::fromLatin1(kept->trimmed());
        if (!check.token.isEmpty() && check.refusal().isEmpty())
            return check.token;
    }
    const QString token = newToken();
    QDir().mkpath(folder);
    if (!SafeFile::write(path, (token + u'\n').toLatin1(), why))
        return {};
    // Its owner's alone, as a password is.
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return token;
}

bool WebServer::sameToken(QByteArrayView given, QByteArrayView token)
{
    // Every byte of the token is looked at, whatever was given.
    unsigned difference = given.size() == token.size() ? 0 : 1;
    for (qsizetype i = 0; i < token.size(); ++i)
        difference |= unsigned(uchar(token[i]) ^ uchar(i < given.size() ? given[i] : 0));
    return difference == 0 && !token.isEmpty();
}

bool WebServer::hostNamesUs(QByteArrayView host, const QStringList &names, quint16 port)
{
    QByteArrayView name = host;
    QByteArrayView portText;
    if (host.startsWith('[')) {
        const qsizetype close = host.indexOf(']');
        if (close < 0)
            return false;
        name = host.sliced(1, close - 1);
        if (close + 1 < host.size()) {
            if (host[close + 1] != ':')
                return false;
            portText = host.sliced(close + 2);
        }
    } else if (const qsizetype colon = host.lastIndexOf(':'); colon >= 0) {
        if (host.indexOf(':') != colon)
            return false; // an IPv6 address without brackets
        name = host.first(colon);
        portText = host.sliced(colon + 1);
    }
    if (!portText.isNull() && portText != QByteArray::number(port))
        return false;
    const QString asked = QString::fromLatin1(name).toLower();
    return !asked.isEmpty() && names.contains(asked);
}

QStringList WebServer::ownNames() const
{
    auto *self = const_cast<WebServer *>(this);
    // The machine's addresses change (DHCP): looked up again after a minute.
    if (m_names.isEmpty() || m_namesLookedUp.elapsed() > 60000) {
        QStringList names{QStringLiteral("localhost"), QStringLiteral("127.0.0.1"),
                          QStringLiteral("::1")};
        const QString machine = QHostInfo::localHostName().toLower();
        if (!machine.isEmpty())
            names << machine << machine + QStringLiteral(".local");
        if (!QHostInfo::localDomainName().isEmpty())
            names << machine + u'.' + QHostInfo::localDomainName().toLower();
        for (const QHostAddress &address : QNetworkInterface::allAddresses())
            names << QHostAddress(address.toString().section(u'%', 0, 0)).toString().toLower();
        names << m_settings.address.toLower();
        self->m_names = names;
        self->m_namesLookedUp.start();
    }
    return m_names;
}

void WebServer::readGuarded(QTcpSocket *socket)
{
    Following *following = Following::of(socket);
    if (!following || !socket->isOpen() || following->stream.upgraded())
        return;
    HttpStream &stream = following->stream;
    switch (stream.feed(socket->peek(socket->bytesAvailable()))) {
    case HttpStream::Verdict::Fine:
        break;
    case HttpStream::Verdict::HeadTooLarge:
        return cutOff(socket, 431, QStringLiteral("a request's head over 8 KiB"));
    case HttpStream::Verdict::BodyTooLarge:
        return cutOff(socket, 413, QStringLiteral("a request over 16 KiB"));
    case HttpStream::Verdict::NoLength:
        return cutOff(socket, 411, QStringLiteral("a body without its length"));
    case HttpStream::Verdict::Malformed:
        return cutOff(socket, 400, QStringLiteral("not HTTP"));
    }
    // A WebSocket is refused while it still speaks HTTP: with a status, never switched first.
    if (stream.upgraded()) {
        if (const auto [status, why] = eventsRefusal(stream.lastHead()); status != 0)
            return cutOff(socket, status, QStringLiteral("events refused: ") + why);
        m_upgrading.removeAll(nullptr);
        m_upgrading << socket;
        m_door->heard(socket, false);
        return;
    }
    m_door->heard(socket, stream.midRequest());
    // Asked to go on before the body is sent: once what came before it is answered.
    if (stream.awaitsContinue() && following->continued != stream.requests() + 1) {
        following->continued = stream.requests() + 1;
        QMetaObject::invokeMethod(
            socket,
            [socket, following] {
                if (following->stream.awaitsContinue() &&
                    following->answered == following->stream.requests())
                    socket->write("HTTP/1.1 100 Continue\r\n\r\n");
            },
            Qt::QueuedConnection);
    }
}

std::pair<int, QString> WebServer::eventsRefusal(const HttpStream::Head &head) const
{
    const QUrl url(QString::fromLatin1(head.target));
    if (head.method != "GET" || head.length > 0)
        return {405, QStringLiteral("not with this method")};
    if (!hostNamesUs(head.host, ownNames(), port()))
        return {421, QStringLiteral("not a name of this service")};
    if (url.path() != QLatin1String("/api/v1/events"))
        return {404, QStringLiteral("nothing here")};
    if (!sameToken(QUrlQuery(url).queryItemValue(QStringLiteral("token")).toLatin1(),
                   m_token.toLatin1()))
        return {401, QStringLiteral("no token, or not this one")};
    if (head.origin != "http://" + head.host && head.origin != "https://" + head.host)
        return {403, QStringLiteral("another site's page")};
    const qsizetype coming = std::count_if(m_upgrading.cbegin(), m_upgrading.cend(),
                                           [](const auto &socket) { return !socket.isNull(); });
    if (qsizetype(m_events.size()) + coming >= MaxEventSockets)
        return {503, QStringLiteral("too many listeners")};
    return {0, QString()};
}

void WebServer::cutOff(QTcpSocket *socket, int status, const QString &why)
{
    // The HTTP server never reads it: the bytes are dropped, the answer said, the line closed.
    socket->readAll();
    socket->disconnect(this);
    const char *const texts[][2] = {{"400", "Bad Request"},
                                    {"401", "Unauthorized"},
                                    {"403", "Forbidden"},
                                    {"404", "Not Found"},
                                    {"405", "Method Not Allowed"},
                                    {"411", "Length Required"},
                                    {"413", "Content Too Large"},
                                    {"421", "Misdirected Request"},
                                    {"431", "Request Header Fields Too Large"},
                                    {"503", "Service Unavailable"}};
    for (const auto &[code, text] : texts)
        if (QByteArray::number(status) == code)
            socket->write(QByteArray("HTTP/1.1 ") + code + ' ' + text +
                          "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    m_door->cut(socket, why);
}

bool WebServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    Following *following = Following::of(socket);
    const int asked = following ? ++following->answered : 0;
    // The WebSocket asked for, checked as it came: Qt's to switch now.
    if (following && following->stream.upgraded() && asked == following->stream.requests())
        return true;
    // Connection: close, or HTTP/1.0: the connection ends with this answer.
    const bool closing = following && following->stream.closesAfter() == asked;
    QHttpServerResponder responder = makeResponder(request, socket);
    const auto answer = [&responder, closing, socket,
                         this](Status status, const QByteArray &body,
                               const QByteArray &type = "application/json") {
        writeAnswer(responder, status, type, body, closing);
        if (closing)
            socket->disconnectFromHost();
        else
            m_door->keepsUp(socket);
    };
    const QByteArray host = request.value("host");
    if (!hostNamesUs(host, ownNames(), port())) {
        answer(Status::MisdirectedRequest, errorJson(QStringLiteral("not a name of this service")));
        return true;
    }
    const QString path = request.url().path();
    const bool get = request.method() == QHttpServerRequest::Method::Get;
    const bool post = request.method() == QHttpServerRequest::Method::Post;
    // The page's code and looks hold nothing of the installation: no token for them.
    if (get && (path == QLatin1String("/app.js") || path == QLatin1String("/app.css"))) {
        answer(Status::Ok, pageFile(path.mid(1)),
               path.endsWith(QLatin1String(".js")) ? "text/javascript" : "text/css");
        return true;
    }
    // The token: in the page's address, or as a bearer for API clients.
    QByteArray given = request.query().queryItemValue(QStringLiteral("token")).toLatin1();
    const QByteArray authorization = request.value("authorization");
    if (authorization.size() > 7 &&
        authorization.first(7).compare("bearer ", Qt::CaseInsensitive) == 0)
        given = authorization.sliced(7).trimmed();
    if (!sameToken(given, m_token.toLatin1())) {
        answer(Status::Unauthorized, errorJson(QStringLiteral("no token, or not this one")));
        return true;
    }
    if (get && path == QLatin1String("/")) {
        answer(Status::Ok, pageFile(QStringLiteral("index.html")), "text/html; charset=utf-8");
    } else if (get && path == QLatin1String("/api/v1/state")) {
        answer(Status::Ok, stateJson());
    } else if ((path == QLatin1String("/api/v1/request") ||
                path == QLatin1String("/api/v1/schedule")) &&
               post) {
        // A browser says where the page that asks comes from: only this service's own may act.
        const QByteArray origin = request.value("origin");
        if (!origin.isEmpty() && origin != "http://" + host && origin != "https://" + host) {
            answer(Status::Forbidden, errorJson(QStringLiteral("another site's page may not act")));
            return true;
        }
        // A client is its address, whichever way it came in: one budget for it.
        const QString client = Door::client(socket->peerAddress());
        if (path.endsWith(QLatin1String("schedule"))) {
            if (!m_schedule || m_schedule->schedule().isEmpty()) {
                answer(Status::UnprocessableEntity, errorJson(QStringLiteral("no schedule")));
                return true;
            }
            if (!m_schedule->steer(request.body(), QStringLiteral("web ") + client)) {
                answer(Status::UnprocessableEntity,
                       errorJson(QStringLiteral("hold, resume or skip")));
                return true;
            }
            answer(Status::Ok, QJsonDocument(ReplyJson::schedule(*m_schedule, true))
                                   .toJson(QJsonDocument::Compact));
            return true;
        }
        Request asked;
        asked.source = QStringLiteral("web ") + client;
        asked.client = client;
        asked.words = QString::fromUtf8(request.body()).trimmed();
        const Reply reply = m_path->request(asked);
        answer(statusOf(reply), QJsonDocument(ReplyJson::result(reply, m_path->model()))
                                    .toJson(QJsonDocument::Compact));
    } else if (path == QLatin1String("/") || path.startsWith(QLatin1String("/api/v1/"))) {
        answer(Status::MethodNotAllowed, errorJson(QStringLiteral("not with this method")));
    } else {
        answer(Status::NotFound, errorJson(QStringLiteral("nothing here")));
    }
    return true;
}

void WebServer::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    QHttpServerResponder responder = makeResponder(request, socket);
    writeAnswer(responder, Status::NotFound, "application/json",
                errorJson(QStringLiteral("nothing here")), false);
}

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
    const Installation &installation = m_path->installation();
    const DeviceProfile &profile = DeviceProfiles::profile(m_path->model());
    QJsonArray players;
    for (const Installation::Player &player : installation.players()) {
        QJsonObject entry{{QStringLiteral("id"), player.id}, {QStringLiteral("name"), player.name}};
        if (const auto state = m_path->playerState(player.id)) {
            entry.insert(QStringLiteral("command"), state->command);
            if (state->level)
                entry.insert(QStringLiteral("level"), *state->level);
        }
        players.append(entry);
    }
    QJsonArray scenes;
    for (const Installation::Scene &scene : installation.scenes())
        scenes.append(scene.name);
    const QJsonObject state{
        {QStringLiteral("type"), QStringLiteral("state")},
        {QStringLiteral("line"), line},
        {QStringLiteral("model"), DeviceProfiles::modelNames().value(m_path->model() - 1)},
        {QStringLiteral("folders"), profile.folderCount},
        {QStringLiteral("volumeMinimum"), profile.volumeMinimum},
        {QStringLiteral("players"), players},
        {QStringLiteral("scenes"), scenes},
        {QStringLiteral("schedule"), m_schedule && !m_schedule->schedule().isEmpty()
                                         ? QJsonValue(ReplyJson::schedule(*m_schedule, true))
                                         : QJsonValue()},
        {QStringLiteral("time"), ReplyJson::now()}};
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
