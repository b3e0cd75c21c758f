#include "pseudoterminal.h"

#include <QElapsedTimer>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal()
{
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(name);
}

PseudoTerminal::~PseudoTerminal()
{
    closeMaster();
    if (m_slave >= 0)
        ::close(m_slave);
}

QByteArray PseudoTerminal::read(int count, int timeoutMs)
{
    QByteArray data;
    QElapsedTimer timer;
    timer.start();
    while (m_master >= 0 && data.size() < count) {
        const int left = timeoutMs - int(timer.elapsed());
        if (left < 0)
            break;
        pollfd fd{m_master, POLLIN, 0};
        if (poll(&fd, 1, left) <= 0)
            break;
        char buffer[256];
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        data.append(buffer, int(n));
    }
    return data;
}

QByteArray PseudoTerminal::readAll(int quietMs)
{
    QByteArray data;
    for (;;) {
        const QByteArray more = read(1, quietMs);
        if (more.isEmpty())
            return data;
        data += more;
    }
}

void PseudoTerminal::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

termios PseudoTerminal::slaveSettings() const
{
    termios settings{};
    tcgetattr(m_slave, &settings);
    return settings;
}

bool PseudoTerminal::setSlaveSettings(const termios &settings)
{
    return tcsetattr(m_slave, TCSANOW, &settings) == 0;
}
