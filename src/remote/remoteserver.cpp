#include "remote/remoteserver.h"

#include "remote/oscreplies.h"
#include "remote/portholder.h"
#include "remote/remoterequest.h"
#include "remote/textprotocol.h"
#include "serial/seriallink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkDatagram>
#include <QSet>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// So many datagrams are read in one go: a flood never holds the event loop for long.
constexpr int DatagramsPerTurn = 256;
constexpr qint64 ReadChunk = 4096; // read from one connection at a turn of the event loop
constexpr int MaxClients = 1024;
// Link news go to the clients heard from in the last minute.
constexpr qint64 RecentMs = 60 * 1000;

} // namespace

RemoteServer::RemoteServer(CommandPath *path, QObject *parent)
    : QObject(parent), m_path(path), m_door(new Door(DoorLimits, this))
{
    connect(path, &CommandPath::linkStateChanged, this, &RemoteServer::tellLink);
    connect(m_door, &Door::note, this, &RemoteServer::note);
}

RemoteServer::~RemoteServer()
{
    stop();
}

QString RemoteServer::refusal(QAbstractSocket::SocketError error, const QString &reason,
                              quint16 port, const QString &address, bool udp)
{
    const QString holder =
        error == QAbstractSocket::AddressInUseError ? PortHolder::of(port, udp) : QString();
    return error == QAbstractSocket::AddressInUseError && !holder.isEmpty()
               ? tr("port %1 on %2 is in use by another program (%3)")
                     .arg(port)
                     .arg(address, holder)
           : error == QAbstractSocket::AddressInUseError
               ? tr("port %1 on %2 is in use").arg(port).arg(address)
           : error == QAbstractSocket::SocketAddressNotAvailableError
               ? tr("%1 is not an address of this machine").arg(address)
               : tr("port %1 on %2: %3").arg(port).arg(address, reason);
}

bool RemoteServer::start(const RemoteSettings &settings, QString *why)
{
    stop();
    *why = settings.refusal();
    if (!why->isEmpty())
        return false;
    m_door->setAllowed(*AllowList::read(settings.allowed));
    // "::" is every network, IPv4 and IPv6 alike.
    const QHostAddress address = settings.address == QLatin1String("::")
                                     ? QHostAddress(QHostAddress::Any)
                                     : *AllowList::readAddress(settings.address);
    m_settings = settings;
    for (const bool osc : {true, false}) {
        const quint16 port = osc ? settings.oscPort : settings.textPort;
        // UDP may be left off, where datagrams from forged addresses are a worry.
        auto *udp = settings.udp ? new QUdpSocket(this) : nullptr;
        auto *tcp = new QTcpServer(this);
        m_sockets << tcp;
        if (udp)
            m_sockets.prepend(udp);
        if ((udp && !udp->bind(address, port)) || !tcp->listen(address, port)) {
            // The socket's own reason where it is not the usual one: an address this machine does
            // not have, or a port kept for the administrator.
            const bool udpBound = !udp || udp->state() == QAbstractSocket::BoundState;
            const QAbstractSocket::SocketError error = udpBound ? tcp->serverError() : udp->error();
            const QString reason = udpBound ? tcp->errorString() : udp->errorString();
            stop();
            *why = refusal(error, reason, port, settings.address, !udpBound);
            return false;
        }
        if (udp)
            connect(udp, &QUdpSocket::readyRead, this,
                    [this, udp, osc] { readDatagrams(udp, osc); });
        // One connection at a time, each looked at before the next is taken; should one still
        // find no descriptor left, the server tries again a moment later.
        tcp->setMaxPendingConnections(1);
        connect(tcp, &QTcpServer::newConnection, this,
                [this, tcp, osc] { acceptConnection(tcp, osc); });
        connect(tcp, &QTcpServer::acceptError, this, [this, tcp] {
            m_door->sayNearLimit();
            QTimer::singleShot(1000, tcp, &QTcpServer::resumeAccepting);
        });
    }
    return true;
}

void RemoteServer::stop()
{
    m_door->closeAll();
    qDeleteAll(m_sockets);
    m_sockets.clear();
    m_connections.clear();
    m_clients.clear();
}

QString RemoteServer::description() const
{
    return tr("OSC on port %1, text on port %2, on %3")
        .arg(m_settings.oscPort)
        .arg(m_settings.textPort)
        .arg(m_settings.address);
}

RemoteServer::Client &RemoteServer::client(const QHostAddress &address)
{
    const QHostAddress key = AllowList::plain(address);
    auto found = m_clients.find(key);
    if (found != m_clients.end())
        return *found;
    // The table stays small: clients long silent make room.
    if (m_clients.size() >= MaxClients) {
        for (auto it = m_clients.begin(); it != m_clients.end();)
            it = it->seen.hasExpired(RecentMs) ? m_clients.erase(it) : std::next(it);
        if (m_clients.size() >= MaxClients)
            m_clients.erase(m_clients.begin());
    }
    Client &fresh = m_clients[key];
    fresh.seen.start();
    return fresh;
}

QString RemoteServer::sourceName(bool osc, const QHostAddress &address)
{
    Client &from = client(address);
    QString &name = osc ? from.oscName : from.textName;
    if (name.isEmpty())
        name = (osc ? QStringLiteral("OSC ") : QStringLiteral("text ")) + clientKey(address);
    return name;
}

// Whose budget it is: the client's address, as it reads.
QString RemoteServer::clientKey(const QHostAddress &address)
{
    Client &from = client(address);
    if (from.key.isEmpty())
        from.key = Door::client(address);
    return from.key;
}

QList<QByteArray> RemoteServer::answerPacket(const QByteArray &packet, const QHostAddress &from)
{
    const Osc::Parsed parsed = Osc::parse(packet);
    const QString source = sourceName(true, from);
    if (!parsed.error.isEmpty()) {
        Request request;
        request.source = source;
        request.words = QStringLiteral("a packet");
        request.refused = parsed.error;
        m_path->request(request);
        return {OscReplies::refusal(parsed.error)};
    }
    QList<QByteArray> replies;
    for (const Osc::Message &message : parsed.messages) {
        Request request = RemoteRequests::fromOsc(message);
        request.source = source;
        request.origin = Request::Origin::Client;
        request.client = clientKey(from);
        replies << OscReplies::answer(message.address, m_path->request(request));
    }
    return replies;
}

// Lines end with CR, LF or CR LF; the last one of a datagram needs no end.
QByteArray RemoteServer::answerLines(QByteArray &buffer, const QHostAddress &from, bool complete)
{
    QByteArray replies;
    const QString source = sourceName(false, from);
    const auto lineEnd = [&buffer, complete] {
        const qsizetype lf = buffer.indexOf('\n');
        const qsizetype cr = buffer.indexOf('\r');
        const qsizetype end = lf < 0 ? cr : cr < 0 ? lf : qMin(lf, cr);
        return end < 0 && complete ? buffer.size() : end;
    };
    for (qsizetype end; !buffer.isEmpty() && (end = lineEnd()) >= 0;) {
        const QByteArray line = buffer.left(end);
        buffer.remove(0, end + 1);
        if (line.trimmed().isEmpty())
            continue;
        replies += TextProtocol::serve(*m_path, QString::fromUtf8(line), source, clientKey(from));
    }
    return replies;
}

void RemoteServer::readDatagrams(QUdpSocket *socket, bool osc)
{
    int turn = 0;
    // Read straight into one buffer, a byte larger than the largest packet, so that a larger one
    // shows as such: one call for each datagram, none to ask its size first.
    m_datagram.resize(Osc::MaxPacket + 1);
    for (; turn < DatagramsPerTurn; ++turn) {
        QHostAddress from;
        quint16 port = 0;
        const qint64 size =
            socket->readDatagram(m_datagram.data(), m_datagram.size(), &from, &port);
        if (size < 0)
            break;
        const QByteArray data(m_datagram.constData(), size);
        if (!m_door->admits(from, sourceName(osc, from)))
            continue;
        Client &known = client(from);
        known.seen.start();
        // One datagram answers one, never much larger than it: a forged sender's address gains
        // nothing by it.
        const qsizetype most = qMax<qsizetype>(2 * data.size(), 512);
        if (osc) {
            known.oscPort = port;
            QByteArray answer;
            QList<QByteArray> replies = answerPacket(data, from);
            if (replies.size() == 1)
                answer = replies.first();
            else if (!replies.isEmpty())
                answer = Osc::bundle(replies);
            if (answer.size() > most)
                answer = Osc::encode({"/tessary/ack",
                                      {QStringLiteral("/"),
                                       tr("%1 messages; their answers are longer than they were")
                                           .arg(replies.size())}});
            if (!answer.isEmpty())
                socket->writeDatagram(answer, from, port);
        } else {
            QByteArray lines = data;
            QByteArray replies = answerLines(lines, from, true);
            if (replies.size() > most) {
                const QList<QByteArray> each = replies.split('\n');
                const qsizetype bad =
                    std::find_if(each.cbegin(), each.cend(),
                                 [](const QByteArray &reply) { return reply.startsWith("ERR"); }) -
                    each.cbegin();
                replies = (bad < each.size() ? each[bad].trimmed() : QByteArray("OK")) + "; " +
                          QByteArray::number(each.size() - 2) +
                          " more lines answered alike or not\r\n";
                replies = replies.left(most);
            }
            if (!replies.isEmpty())
                socket->writeDatagram(replies, from, port);
        }
    }
    // What is left is read at the next turn of the event loop.
    if (turn == DatagramsPerTurn && socket->hasPendingDatagrams())
        QMetaObject::invokeMethod(
            this, [this, socket, osc] { readDatagrams(socket, osc); }, Qt::QueuedConnection);
}

void RemoteServer::acceptConnection(QTcpServer *server, bool osc)
{
    while (QTcpSocket *socket = server->nextPendingConnection()) {
        const QHostAddress from = socket->peerAddress();
        if (!m_door->enter(socket, from, sourceName(osc, from))) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setParent(this);
        // A little at a time: a flood from one client is answered a turn at a time, and the
        // others' cues come in between.
        socket->setReadBufferSize(ReadChunk);
        Connection &connection = m_connections[socket];
        connection.osc = osc;
        if (osc)
            client(from).oscConnection = socket;
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readConnection(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_connections.remove(socket);
            socket->deleteLater();
        });
    }
}

void RemoteServer::readConnection(QAbstractSocket *socket)
{
    const auto found = m_connections.find(socket);
    if (found == m_connections.end())
        return;
    Connection &connection = *found;
    const QHostAddress from = socket->peerAddress();
    client(from).seen.start();
    const QByteArray bytes = socket->readAll();
    if (connection.osc) {
        if (!connection.packets.feed(bytes)) {
            m_door->cut(socket, tr("a packet larger than %1 bytes").arg(Osc::MaxPacket));
            return;
        }
        while (const std::optional<QByteArray> packet = connection.packets.next())
            for (const QByteArray &reply : answerPacket(*packet, from))
                socket->write(connection.packets.frame(reply));
        // At once: a client that has said all it had to (nc -q1) may close before the event
        // loop would have written it.
        socket->flush();
    } else {
        connection.line += bytes;
        socket->write(answerLines(connection.line, from, false));
        socket->flush();
        if (connection.line.size() > RemoteRequests::MaxLine) {
            socket->write("ERR 64 a line of more than " +
                          QByteArray::number(RemoteRequests::MaxLine) + " characters\r\n");
            socket->disconnectFromHost();
        }
    }
    m_door->heard(socket,
                  connection.osc ? connection.packets.waiting() : !connection.line.isEmpty());
    m_door->keepsUp(socket);
}

void RemoteServer::tellLink(CommandPath::LinkState state)
{
    const QByteArray news = Osc::encode({"/tessary/link", {CommandPath::linkWord(state)}});
    auto *udp = m_sockets.isEmpty() ? nullptr : qobject_cast<QUdpSocket *>(m_sockets.first());
    for (auto it = m_clients.cbegin(); it != m_clients.cend(); ++it) {
        if (!it->seen.isValid() || it->seen.hasExpired(RecentMs))
            continue;
        if (it->oscConnection && m_connections.contains(it->oscConnection))
            it->oscConnection->write(m_connections[it->oscConnection].packets.frame(news));
        else if (udp && it->oscPort)
            udp->writeDatagram(news, it.key(), it->oscPort);
    }
}
