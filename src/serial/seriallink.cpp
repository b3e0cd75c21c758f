#include "seriallink.h"

#include "portlock.h"

#include <QDeadlineTimer>
#include <QSerialPort>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <QFile>
#include <QScopeGuard>
#include <QThread>
#include <cerrno>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

// How long a frame may wait for room in the driver's queue before it counts as not sent.
constexpr int WriteTimeoutMs = 100;

#ifdef Q_OS_UNIX
QString busyText(const QString &device, const PortLock::Holder &holder)
{
    if (!holder.staleLock.isEmpty())
        return SerialLink::tr("a stale lock of another user blocks %1: %2")
            .arg(device, holder.staleLock);
    if (holder.pid <= 0)
        return SerialLink::tr("%1 is in use by another program").arg(device);
    if (holder.name.isEmpty())
        return SerialLink::tr("%1 is in use by another program (PID %2)")
            .arg(device)
            .arg(holder.pid);
    return SerialLink::tr("%1 is in use by another program (PID %2, %3)")
        .arg(device)
        .arg(holder.pid)
        .arg(holder.name);
}
#endif

} // namespace

SerialLink::SerialLink(QSerialPort *port, QObject *parent) : QObject(parent), m_port(port)
{
    connect(m_port, &QSerialPort::errorOccurred, this, &SerialLink::handleError);
}

bool SerialLink::isOpen() const
{
    return m_port->isOpen();
}

bool SerialLink::open(const QString &portName, int baudRate)
{
    m_refusal.clear();
    m_stalled = false;
    m_name = portName;
#ifdef Q_OS_UNIX
    const QString device = PortLock::devicePath(portName);
    int probe = -1;
    const auto closeProbe = qScopeGuard([&probe] {
        if (probe >= 0)
            ::close(probe);
    });
    if (const std::optional<PortLock::Holder> holder = PortLock::findHolder(device, &probe)) {
        m_refusal = busyText(device, *holder);
        return false;
    }
#endif
    m_port->setPortName(portName);
    m_port->setBaudRate(baudRate);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port->open(QIODevice::WriteOnly)) {
        m_refusal = openFailure(PortLock::devicePath(portName));
        return false;
    }
#ifdef Q_OS_UNIX
    const int fd = int(m_port->handle());
    // Taken between the look and the open: give it back.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        m_port->close();
        m_refusal = busyText(device, PortLock::Holder());
        return false;
    }
    // A write-only descriptor is never read, but it reports a hang-up as readable.
    m_watch = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_watch, &QSocketNotifier::activated, this, &SerialLink::checkLine);
#endif
    return true;
}

void SerialLink::close()
{
    delete m_watch;
    m_watch = nullptr;
#ifdef Q_OS_UNIX
    // The port puts the line's old settings back as it closes: let the last frames leave at
    // the rate they were sent at first, for half a second at most.
    int queued = 0;
    for (int waited = 0; m_port->isOpen() && waited < 500 &&
                         ioctl(int(m_port->handle()), TIOCOUTQ, &queued) == 0 && queued > 0;
         ++waited)
        QThread::msleep(1);
#endif
    m_port->close();
    m_port->clearError();
}

#ifdef Q_OS_UNIX
void SerialLink::checkLine()
{
    pollfd line{int(m_port->handle()), 0, 0};
    ::poll(&line, 1, 0);
    if (line.revents & (POLLHUP | POLLERR | POLLNVAL))
        dropConnection();
    else // bytes the player sent: nothing here reads them
        tcflush(line.fd, TCIFLUSH);
}
#else
void SerialLink::checkLine() {}
#endif

QString SerialLink::openFailure(const QString &device) const
{
    switch (m_port->error()) {
    case QSerialPort::DeviceNotFoundError:
        return tr("%1: no such device").arg(device);
    case QSerialPort::PermissionError: {
#ifdef Q_OS_UNIX
        // The device refuses this user; its group, when it may write, is the way in.
        struct stat node = {};
        const QByteArray path = QFile::encodeName(device);
        if (::access(path.constData(), W_OK) == 0)
            return busyText(device, PortLock::Holder());
        const group *owners =
            ::stat(path.constData(), &node) == 0 ? getgrgid(node.st_gid) : nullptr;
        if (owners && (node.st_mode & S_IWGRP))
            return tr("%1: permission denied; join the group %2 and log in again")
                .arg(device, QString::fromLocal8Bit(owners->gr_name));
#endif
        return tr("%1: permission denied").arg(device);
    }
    default:
        return device + QLatin1String(": ") + m_port->errorString();
    }
}

bool SerialLink::send(const QByteArray &data)
{
    if (!m_port->isOpen())
        return false;
#ifdef Q_OS_UNIX
    // Straight to the driver: the frame is on its way when this returns, and what the driver
    // did not take is known at once instead of waiting in a buffer of ours. A serial driver
    // reports room only while less than a few hundred bytes wait, so a frame that finds room
    // goes out whole.
    const int fd = int(m_port->handle());
    qsizetype written = 0;
    QDeadlineTimer deadline(m_stalled ? 0 : WriteTimeoutMs);
    while (written < data.size()) {
        pollfd room{fd, POLLOUT, 0};
        const int ready = ::poll(&room, 1, int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            // No room in time. A frame begun is lost as well: the driver keeps its first bytes.
            m_stalled = written == 0;
            return false;
        }
        const ssize_t n = ::write(fd, data.constData() + written, size_t(data.size() - written));
        if (n > 0) {
            written += n;
        } else if (errno == EIO || errno == ENXIO || errno == ENODEV) {
            dropConnection();
            return false;
        } else if ((errno != EAGAIN && errno != EINTR) || deadline.hasExpired()) {
            m_stalled = written == 0;
            return false;
        }
    }
    m_stalled = false;
    return true;
#else
    m_port->clearError();
    m_sending = true;
    bool taken = m_port->write(data) == data.size();
    if (taken) {
        m_port->flush();
        if (m_port->bytesToWrite() > 0 && !m_port->waitForBytesWritten(WriteTimeoutMs)) {
            // The line is stuck: drop the frame rather than let it leave later unannounced.
            m_port->clear(QSerialPort::Output);
            taken = false;
        }
    }
    m_sending = false;
    if (m_port->error() == QSerialPort::ResourceError) {
        dropConnection();
        return false;
    }
    return taken && m_port->error() == QSerialPort::NoError;
#endif
}

QString SerialLink::errorString() const
{
    return m_refusal.isEmpty() ? m_port->errorString() : m_refusal;
}

void SerialLink::handleError(QSerialPort::SerialPortError error)
{
    // The port reports from inside its own write path; closing it there would pull the
    // notifiers from under it, so a loss outside send() is handled once control is back.
    if (error == QSerialPort::ResourceError && !m_sending)
        QMetaObject::invokeMethod(this, &SerialLink::dropConnection, Qt::QueuedConnection);
}

void SerialLink::dropConnection()
{
    if (!m_port->isOpen())
        return;
    close();
    emit connectionLost();
}
