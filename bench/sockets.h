#pragma once

// What the network measures share: loopback sockets, and the time to a line's first byte.

#include "measure.h"
#include "pseudoterminal.h"

#include <QThread>
#include <arpa/inet.h>
#include <functional>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

inline sockaddr_in loopback(quint16 port)
{
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return to;
}

// A kept TCP connection, without Nagle's wait, from 127.0.0.1 or another loopback address
// (127.0.0.from, a client of its own to the service); -1 when nothing listens.
inline int connectTcp(quint16 port, int from = 1)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in to = loopback(port);
    sockaddr_in here = loopback(0);
    here.sin_addr.s_addr = htonl(INADDR_LOOPBACK + quint32(from) - 1);
    ::bind(fd, reinterpret_cast<const sockaddr *>(&here), sizeof here);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    for (int tries = 0; tries < 50; ++tries) {
        if (::connect(fd, reinterpret_cast<const sockaddr *>(&to), sizeof to) == 0)
            return fd;
        QThread::msleep(100);
    }
    ::close(fd);
    return -1;
}

// Microseconds from the send to the first byte at the line; the rest is read away after.
inline double firstByte(PseudoTerminal &line, const std::function<void()> &send)
{
    const qint64 t0 = nowNs();
    send();
    const QByteArray first = line.read(1, 1000);
    const double us = (nowNs() - t0) / 1e3;
    line.readAll(5);
    return first.isEmpty() ? 1e6 : us;
}
