#include "serial/seriallink.h"

#include "serial/portlock.h"

#include <QDeadlineTimer>
#include <QSerialPort>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <QFile>
#include <QScopeGuard>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <memory>
#include <mutex>
#include <poll.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#endif

namespace {

// How long a frame may wait for room in the driver's queue before it counts as not sent.
constexpr int WriteTimeoutMs = 100;
// Closing waits for the line to be empty: as long as the bytes left take to go out, with room
// for what a UART's FIFO or a USB adapter holds besides, and this margin.
constexpr int DrainMarginMs = 200;
constexpr int ChipBufferBytes = 512;
// The groups that systems make for the users of serial ports.
const QStringList SerialGroups{QStringLiteral("dialout"), QStringLiteral("uucp"),
                               QStringLiteral("serial"), QStringLiteral("lock")};

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

SerialLink::SerialLink(QSerialPort *port, QObject *parent) : LineOut(parent), m_port(port)
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
    m_holder.reset();
    m_stalled = false;
    m_name = portName;
#ifdef Q_OS_UNIX
    const QString device = PortLock::devicePath(portName);
    int probe = -1;
    const auto closeProbe = qScopeGuard([&probe] {
        if (probe >= 0)
            ::close(probe);
    });
    m_holder = PortLock::findHolder(device, &probe);
    if (m_holder) {
        m_refusal = busyText(device, *m_holder);
        return false;
    }
#endif
    m_port->setPortName(PortLock::devicePath(portName));
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
    m_announced = true;
    emit opened();
    return true;
}

void SerialLink::close()
{
    closeQuietly();
    if (std::exchange(m_announced, false))
        emit closed();
}

void SerialLink::closeQuietly()
{
    delete m_watch;
    m_watch = nullptr;
#ifdef Q_OS_UNIX
    if (m_port->isOpen())
        drain(int(m_port->handle()), int(m_port->baudRate()));
#endif
    m_port->close();
    m_port->clearError();
}

#ifdef Q_OS_UNIX
// The port puts the line's old settings back as it closes, at once: the last frames must have
// left at the rate they were sent at, out of the driver's queue and out of the chip's own FIFO
// or the adapter's buffer, which the queue's count leaves out. tcdrain() waits for the
// transmitter to be empty. It runs on a thread of its own, so that a line that does not move (a
// wedged adapter) costs a bounded wait: what it still holds is then thrown away, never sent late.
void SerialLink::drain(int fd, int baudRate)
{
    int queued = 0;
    if (::ioctl(fd, TIOCOUTQ, &queued) != 0)
        return; // the device is gone
    // As long as the bytes waiting would take at the rate, with room for a chip's buffer.
    const qint64 bound =
        DrainMarginMs + (qint64(queued) + ChipBufferBytes) * 10 * 1000 / qMax(baudRate, 1);
    struct Drain
    {
        std::mutex lock;
        std::condition_variable done;
        bool finished = false;
    };
    const auto drain = std::make_shared<Drain>();
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return;
    // The thread takes no signal: one would cut its wait short.
    sigset_t all, before;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &before);
    std::thread([drain, copy] {
        ::tcdrain(copy);
        ::close(copy);
        const std::lock_guard<std::mutex> lock(drain->lock);
        drain->finished = true;
        drain->done.notify_all();
    }).detach();
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    std::unique_lock<std::mutex> lock(drain->lock);
    const auto finished = [&drain] {
        return drain->finished;
    };
    if (drain->done.wait_for(lock, std::chrono::milliseconds(bound), finished))
        return;
    ::tcflush(fd, TCOFLUSH);
    // A drain still waiting holds a copy of the descriptor: the lock goes now all the same.
    if (!drain->done.wait_for(lock, std::chrono::milliseconds(DrainMarginMs), finished))
        ::flock(fd, LOCK_UN);
}
#endif

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
        const QString name = owners ? QString::fromLocal8Bit(owners->gr_name) : QString();
        // Only a group that is there for users of serial ports is one to join: not root, nor
        // tty, whose members could write to every terminal.
        if ((node.st_mode & S_IWGRP) && SerialGroups.contains(name))
            return tr("%1: permission denied; join the group %2 and log in again")
                .arg(device, name);
#endif
        return tr("%1: permission denied; an administrator must grant you access").arg(device);
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
    // A pseudo-terminal, and some adapters' drivers, hand the bytes on from a kernel worker,
    // which would wait while this thread goes on to form the reply and the log: it goes first.
    sched_yield();
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
    closeQuietly();
    m_announced = false;
    emit connectionLost();
}
