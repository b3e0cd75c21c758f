#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <QThread>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

// A pseudo-terminal pair: the program opens the slave as its serial port, the test reads what
// reached the line at the master. The slave starts at 300 baud, 7E2, with hardware handshake
// and cooked output, so every open must set the line up itself.
class PseudoTerminal
{
public:
    PseudoTerminal()
    {
        char name[256] = {};
        termios other{};
        cfmakeraw(&other);
        other.c_cflag = (other.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB | CRTSCTS;
        other.c_oflag |= OPOST | ONLCR;
        cfsetspeed(&other, B300);
        if (openpty(&master, &slave, name, &other, nullptr) != 0)
            qFatal("no pseudo-terminal");
        fcntl(master, F_SETFL, O_NONBLOCK);
        // Programs the test starts must not keep the line alive when the test unplugs it.
        fcntl(master, F_SETFD, FD_CLOEXEC);
        fcntl(slave, F_SETFD, FD_CLOEXEC);
        slavePath = QString::fromLocal8Bit(name);
    }
    ~PseudoTerminal()
    {
        closeMaster();
        ::close(slave);
    }
    // Waits up to timeoutMs for count bytes, as long as a loaded machine may take; returns what
    // arrived.
    QByteArray read(int count, int timeoutMs = 5000) const
    {
        QByteArray data(count, '\0');
        qsizetype got = 0;
        QDeadlineTimer deadline(timeoutMs);
        for (pollfd fd{master, POLLIN, 0};
             got < count && poll(&fd, 1, deadline.remainingTime()) > 0;)
            got += qMax<ssize_t>(0, ::read(master, data.data() + got, size_t(count - got)));
        return data.left(got);
    }
    // Everything that arrives within quietMs of the last byte.
    QByteArray readAll(int quietMs = 50) const
    {
        QByteArray data;
        for (QByteArray more; !(more = read(256, quietMs)).isEmpty();)
            data += more;
        return data;
    }
    // Fills the line's queue from a second writer, as a stalled line would, until five rounds
    // in a row find no room (the kernel moves bytes on a moment after they are written).
    qsizetype fillQueue() const
    {
        const int writer = ::open(qPrintable(slavePath), O_WRONLY | O_NONBLOCK | O_NOCTTY);
        qsizetype queued = 0;
        for (int quiet = 0; quiet < 5; QThread::msleep(30)) {
            const qsizetype before = queued;
            for (ssize_t n; (n = ::write(writer, "0123456789abcdef", 16)) > 0;)
                queued += n;
            quiet = queued > before ? 0 : quiet + 1;
        }
        ::close(writer);
        return queued;
    }
    // Unplugs the line: the slave side reports a hang-up from then on.
    void closeMaster()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    termios slaveSettings() const
    {
        termios settings{};
        tcgetattr(slave, &settings);
        return settings;
    }

    int master = -1;
    int slave = -1;
    QString slavePath;
};
