#pragma once

#include <QCoreApplication>
#include <QTcpServer>
#include <QUdpSocket>

// The first of count ports in a row that nothing on this machine holds now, over UDP and TCP,
// from a place of this process's own so that tests side by side look in different places: tests
// started together have neighbouring process IDs, so each ID has twenty ports to itself (a
// test's are found free before it listens on them, and a neighbour's search must not find them
// free too).
inline quint16 freePorts(int count)
{
    const auto free = [count](quint16 first) {
        for (quint16 port = first; port < first + count; ++port) {
            QUdpSocket udp;
            QTcpServer tcp;
            if (!udp.bind(QHostAddress::LocalHost, port) ||
                !tcp.listen(QHostAddress::LocalHost, port))
                return false;
        }
        return true;
    };
    quint16 first = quint16(20000 + QCoreApplication::applicationPid() % 1000 * 20);
    while (!free(first))
        first = quint16(first + count);
    return first;
}
