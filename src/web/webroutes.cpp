#include "command/schedulerunner.h"
#include "remote/replyjson.h"
#include "remote/venue.h"
#include "web/following.h"
#include "web/webserver.h"

#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>

namespace {

using Status = QHttpServerResponder::StatusCode;

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

// /api/v1/rooms/<room>/request: the room; "all", the building.
QString roomRequest(const QString &path)
{
    static const QLatin1String head("/api/v1/rooms/"), tail("/request");
    if (!path.startsWith(head) || !path.endsWith(tail) || path.size() <= head.size() + tail.size())
        return {};
    const QString room = path.sliced(head.size(), path.size() - head.size() - tail.size());
    return room.contains(u'/') ? QString() : room;
}

} // namespace

void WebServer::askRoom(const QHttpServerRequest &request, QTcpSocket *socket, const QString &room,
                        const QString &client, bool closing)
{
    // Answered when the room answers: the connection may be gone by then.
    auto responder = std::make_shared<QHttpServerResponder>(makeResponder(request, socket));
    const QPointer<QTcpSocket> connection(socket);
    const auto done = [this, responder, connection, closing](const Venue::Answer &answer) {
        if (!connection)
            return;
        writeAnswer(*responder, Status(answer.status), "application/json",
                    QJsonDocument(answer.result).toJson(QJsonDocument::Compact), closing);
        if (closing)
            connection->disconnectFromHost();
        else
            m_door->keepsUp(connection);
    };
    if (!m_venue)
        return done({404, {{QStringLiteral("error"), QStringLiteral("no venue here")}}});
    // The same budget as a press for this service's own line.
    const bool building = room == QLatin1String("all");
    const QString words = QString::fromUtf8(request.body()).simplified();
    if (!m_path->spend(client, m_venue->cost(room, words)))
        return done({429,
                     {{QStringLiteral("room"), room},
                      {QStringLiteral("outcome"), QStringLiteral("not sent")},
                      {QStringLiteral("reason"), QStringLiteral("not sent: over budget")}}});
    const bool stop = words == QLatin1String("stop") || words == QLatin1String("all stop");
    if (building && words.startsWith(QLatin1String("scene ")))
        m_venue->runScene(words.mid(6), done);
    else if (building && !stop)
        return done({422,
                     {{QStringLiteral("room"), room},
                      {QStringLiteral("outcome"), QStringLiteral("refused")},
                      {QStringLiteral("reason"),
                       QStringLiteral("the whole building stops, or runs a scene of its own")}}});
    else if (building)
        m_venue->stopBuilding(done);
    else
        m_venue->request(room, words, done);
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
    } else if (get && path == QLatin1String("/api/v1/rooms")) {
        if (m_venue)
            answer(Status::Ok, QJsonDocument(m_venue->state()).toJson(QJsonDocument::Compact));
        else
            answer(Status::NotFound, errorJson(QStringLiteral("no venue here: a room's page")));
    } else if ((path == QLatin1String("/api/v1/request") ||
                path == QLatin1String("/api/v1/schedule") || !roomRequest(path).isEmpty()) &&
               post) {
        // A browser says where the page that asks comes from: only this service's own may act.
        const QByteArray origin = request.value("origin");
        if (!origin.isEmpty() && origin != "http://" + host && origin != "https://" + host) {
            answer(Status::Forbidden, errorJson(QStringLiteral("another site's page may not act")));
            return true;
        }
        // A client is its address, whichever way it came in: one budget for it.
        const QString client = Door::client(socket->peerAddress());
        if (const QString room = roomRequest(path); !room.isEmpty()) {
            askRoom(request, socket, room, client, closing);
            return true;
        }
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
        asked.origin = Request::Origin::Client;
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
