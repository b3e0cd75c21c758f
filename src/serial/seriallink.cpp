#include "seriallink.h"

#include <QDeadlineTimer>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <future>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#endif

namespace {

// How long a frame may wait for room in the driver's queue before it counts as not sent.
constexpr int WriteTimeoutMs = 100;

SerialLink::PortLister portLister = nullptr;
std::future<QStringList> portsAhead;

QStringList systemPortNames()
{
    QStringList names;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        names << info.portName();
    return names;
}

} // namespace

SerialLink::SerialLink(QSerialPort *port, QObject *parent) : QObject(parent), m_port(port)
{
    connect(m_port, &QSerialPort::errorOccurred, this, &SerialLink::handleError);
}

void SerialLink::setPortLister(PortLister lister)
{
    portLister = lister;
}

void SerialLink::discoverPortsAhead()
{
    if (!portsAhead.valid())
        portsAhead = std::async(std::launch::async, systemPortNames);
}

QStringList SerialLink::availablePortNames()
{
    if (portLister)
        return portLister();
    if (portsAhead.valid())
        return portsAhead.get();
    return systemPortNames();
}

bool SerialLink::isOpen() const
{
    return m_port->isOpen();
}

bool SerialLink::open(const QString &portName, int baudRate)
{
    m_port->setPortName(portName);
    m_port->setBaudRate(baudRate);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    m_port->open(QIODevice::WriteOnly);
    return m_port->isOpen();
}

void SerialLink::close()
{
    m_port->close();
    m_port->clearError();
}

bool SerialLink::send(const QByteArray &data)
{
    if (!m_port->isOpen())
        return false;
#ifdef Q_OS_UNIX
    // Straight to the driver: the frame is on its way when this returns, and what the driver
    // did not take is known at once instead of waiting in a buffer of ours.
    const int fd = int(m_port->handle());
    qsizetype written = 0;
    QDeadlineTimer deadline(WriteTimeoutMs);
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + written, size_t(data.size() - written));
        if (n > 0) {
            written += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // The queue is full: wait a moment for room, then give the frame up.
            pollfd room{fd, POLLOUT, 0};
            const int wait = int(deadline.remainingTime());
            if (wait <= 0 || ::poll(&room, 1, wait) <= 0)
                return false;
        } else {
            if (errno == EIO || errno == ENXIO || errno == ENODEV)
                dropConnection();
            return false;
        }
    }
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
    return m_port->errorString();
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
    m_port->close();
    emit connectionLost();
}
