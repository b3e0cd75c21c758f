#include "web/following.h"
#include "web/webserver.h"

#include <QTcpSocket>
#include <QUrlQuery>

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
