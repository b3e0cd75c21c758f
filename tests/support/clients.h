#pragma once

#include <QDeadlineTimer>
#include <QNetworkDatagram>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>
#include <memory>

// Clients on this machine's loopback, whose servers answer from this thread's event loop.
namespace Clients {

using Socket = std::unique_ptr<QTcpSocket>;

// Connected from 127.0.0.N, as another machine of the network would be.
inline Socket connectFrom(int n, quint16 port, QTcpSocket *socket = new QTcpSocket)
{
    Socket client(socket);
    client->bind(QHostAddress(QStringLiteral("127.0.0.%1").arg(n)));
    client->connectToHost(QHostAddress::LocalHost, port);
    for (QDeadlineTimer deadline(2000);
         client->state() == QAbstractSocket::ConnectingState && !deadline.hasExpired();)
        QTest::qWait(1);
    return client;
}

// What it is answered until the server closes it or falls silent, or until a while has passed.
inline QByteArray answered(QTcpSocket &client, int ms = 3000)
{
    QByteArray got;
    for (QDeadlineTimer deadline(ms), quiet(deadline);
         !deadline.hasExpired() && !quiet.hasExpired() &&
         client.state() == QAbstractSocket::ConnectedState;
         QTest::qWait(5))
        if (const QByteArray more = client.readAll(); !more.isEmpty()) {
            got += more;
            quiet.setRemainingTime(100);
        }
    return got + client.readAll();
}

// Bytes sent over TCP from 127.0.0.1, and what came back.
inline QByteArray ask(quint16 port, const QByteArray &bytes, int ms = 3000)
{
    const Socket client = connectFrom(1, port);
    client->write(bytes);
    return answered(*client, ms);
}

// A datagram, and the first one back; nothing within a while.
inline QByteArray askDatagram(quint16 port, const QByteArray &bytes, int ms = 1000)
{
    QUdpSocket client;
    client.bind(QHostAddress::LocalHost);
    client.writeDatagram(bytes, QHostAddress::LocalHost, port);
    for (QDeadlineTimer deadline(ms); !client.hasPendingDatagrams() && !deadline.hasExpired();)
        QTest::qWait(5);
    return client.hasPendingDatagrams() ? client.receiveDatagram().data() : QByteArray();
}

} // namespace Clients
