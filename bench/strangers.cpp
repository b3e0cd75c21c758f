// What a stranger on the network can make tessaryd hold, and what it costs everyone else: the
// service's resident memory, a kept client's cue to the line and a new client's (connected
// for it, from an address of its own) while clients never read their answers or pongs, trickle
// half lines from many addresses, announce bodies they never end or take every connection they
// may, against the same service left alone.

#include "measures.h"
#include "sockets.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <fcntl.h>
#include <poll.h>

namespace {

// The service's resident memory now, in MiB.
double residentMiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

enum Port : quint16 { Osc = 47821, Text, Web };

// A stranger's connections to the text port or the page, fed from this thread between two cues.
struct Stranger
{
    const char *name;
    Port port;
    int connections;
    int addresses;      // spread over 127.0.0.2 and on
    QByteArray opening; // sent once, as it connects
    QByteArray each;    // what every connection sends, again and again, reading nothing back
};

// The time from a new client's cue to the line: connected for it, from an address no stranger
// uses; a second when it is not let in.
double newClientsCue(PseudoTerminal &line)
{
    const int fd = connectTcp(Text, 200);
    const double us = firstByte(line, [fd] { (void)!::send(fd, "5 play\n", 7, MSG_NOSIGNAL); });
    ::close(fd);
    return us;
}

// What arrives on a connection within ms, until it holds what is awaited.
QByteArray answer(int fd, const QByteArray &awaited, int ms)
{
    QByteArray got;
    char more[4096];
    for (const qint64 until = nowNs() + qint64(ms) * 1'000'000;
         !got.contains(awaited) && nowNs() < until;) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, 20) > 0) {
            const ssize_t read = ::recv(fd, more, sizeof more, 0);
            if (read <= 0)
                break;
            got.append(more, read);
        }
    }
    return got;
}

// How many of its places a visitor's address has after ten visits of a browser that opens the
// page's events, takes the first state and leaves: each place asked for the state at once.
int placesAfterVisits(const QByteArray &events, const QByteArray &state)
{
    for (int visit = 0; visit < 10; ++visit) {
        const int fd = connectTcp(Web);
        (void)!::send(fd, events.constData(), size_t(events.size()), MSG_NOSIGNAL);
        answer(fd, "\"type\":\"state\"", 1000);
        (void)!::send(fd, "\x88\x80\0\0\0\0", 6, MSG_NOSIGNAL); // a masked close, as it goes
        ::close(fd);
    }
    QThread::msleep(1200);
    std::vector<int> places;
    int answered = 0;
    for (int i = 0; i < 8; ++i) {
        places.push_back(connectTcp(Web));
        (void)!::send(places.back(), state.constData(), size_t(state.size()), MSG_NOSIGNAL);
        answered += answer(places.back(), "HTTP/1.1 200", 1000).startsWith("HTTP/1.1 200");
    }
    for (const int fd : places)
        ::close(fd);
    return answered;
}

} // namespace

void strangers(int runs)
{
    QTextStream out(stdout);
    QTemporaryDir folder;
    PseudoTerminal line;
    const QByteArray token = "bench-token-of-the-strangers-0";
    QFile config(folder.filePath(QStringLiteral("tessaryd.conf")));
    config.open(QIODevice::WriteOnly);
    config.setPermissions(QFile::ReadOwner | QFile::WriteOwner); // it holds the page's token
    config.write(QStringLiteral("[line]\nport=%1\nmodel=Lumetto\nbaud=19200\n[remote]\n"
                                "enabled=true\noscPort=%2\ntextPort=%3\n[web]\nenabled=true\n"
                                "port=%4\ntoken=%5\n")
                     .arg(line.slavePath)
                     .arg(Osc)
                     .arg(Text)
                     .arg(Web)
                     .arg(QLatin1String(token))
                     .toUtf8());
    config.close();
    QProcess service;
    service.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    service.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/tessaryd"),
                  {QStringLiteral("--config"), config.fileName(), QStringLiteral("--socket"),
                   folder.filePath(QStringLiteral("tessaryd.sock"))});
    const int cues = connectTcp(Text);
    if (cues < 0) {
        out << "strangers: the service did not start; skipped" << Qt::endl;
        return;
    }
    const QByteArray host = "Host: 127.0.0.1:" + QByteArray::number(Web) + "\r\n";
    // Masked pings of 125 bytes, each answered with a pong the stranger never reads.
    const QByteArray events = "GET /api/v1/events?token=" + token + " HTTP/1.1\r\n" + host +
                              "Origin: http://127.0.0.1:" + QByteArray::number(Web) + "\r\n";
    const QByteArray pings = QByteArray("\x89\xfd\0\0\0\0", 6) + QByteArray(125, 'p');
    const QByteArray handshake =
        "Upgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-"
        "Version: 13\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n";
    out << "strangers, a page visited ten times: "
        << placesAfterVisits(events + handshake, "GET /api/v1/state HTTP/1.1\r\n" + host +
                                                     "Authorization: Bearer " + token + "\r\n\r\n")
        << " of 8 places left to its visitor" << Qt::endl;
    const Stranger kinds[] = {
        {"alone", Text, 0, 1, {}, {}},
        {"a client that reads nothing", Text, 1, 1, {}, QByteArray("x\n").repeated(4096)},
        {"four connections trickling", Text, 4, 1, {}, "5"},
        {"connections beyond the caps", Text, 40, 1, {}, "5 play"},
        {"64 connections trickling from 16 addresses", Text, 64, 16, {}, "5"},
        {"a WebSocket pinging, reading nothing", Web, 1, 1, events + handshake,
         pings.repeated(500)},
        {"an Upgrade header, then a body of 1 GB announced", Web, 4, 4,
         events + "Upgrade: websocket\r\n\r\nPOST /api/v1/request HTTP/1.1\r\n" + host +
             "Authorization: Bearer " + token + "\r\nContent-Length: 1000000000\r\n\r\n",
         QByteArray(64 * 1024, 'x')},
    };
    const qint64 pid = service.processId();
    for (const Stranger &kind : kinds) {
        std::vector<int> held;
        for (int i = 0; i < kind.connections; ++i) {
            const int fd = connectTcp(kind.port, 2 + i % kind.addresses);
            if (fd >= 0) {
                // As little as the system allows unread on the stranger's side.
                const int small = 1;
                ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
                ::fcntl(fd, F_SETFL, O_NONBLOCK);
                (void)!::send(fd, kind.opening.constData(), size_t(kind.opening.size()),
                              MSG_NOSIGNAL);
            }
            held.push_back(fd);
        }
        Figures memory, cue, newcomer;
        for (int round = 0; round < runs * 10; ++round) {
            // 50 ms of the stranger's doing, then a cue of another client's.
            for (const qint64 until = nowNs() + 50'000'000; nowNs() < until;) {
                for (const int fd : held)
                    (void)!::send(fd, kind.each.constData(), size_t(kind.each.size()),
                                  MSG_NOSIGNAL);
                QThread::msleep(kind.each.size() > 1 ? 1 : 20);
            }
            cue.values << firstByte(line, [cues] { (void)!::write(cues, "5 play\n", 7); });
            char answer[64];
            (void)!::recv(cues, answer, sizeof answer, MSG_DONTWAIT);
            newcomer.values << newClientsCue(line);
            memory.values << residentMiB(pid);
        }
        for (const int fd : held)
            ::close(fd);
        out << "strangers, " << kind.name << ": resident " << QString::number(memory.max(), 'f', 1)
            << " MiB at most (median " << QString::number(memory.median(), 'f', 1)
            << "); another client's cue median " << QString::number(cue.median(), 'f', 0)
            << " us, max " << QString::number(cue.max(), 'f', 0) << " us; a new client's median "
            << QString::number(newcomer.median(), 'f', 0) << " us, max "
            << QString::number(newcomer.max(), 'f', 0) << " us" << Qt::endl;
        QThread::msleep(200);
    }
    ::close(cues);
    service.terminate();
    service.waitForFinished();
}
