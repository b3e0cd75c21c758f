#include "seriallink.h"

#include <QSerialPort>
#include <QSerialPortInfo>

namespace {

// How long a frame may wait for room in the driver's queue before it counts as not sent.
constexpr int WriteTimeoutMs = 100;

SerialLink::PortLister portLister = nullptr;

} // namespace

SerialLink::SerialLink(QSerialPort *port, QObject *parent) : QObject(parent), m_port(port)
{
    connect(m_port, &QSerialPort::errorOccurred, this, &SerialLink::handleError);
}

void SerialLink::setPortLister(PortLister lister)
{
    portLister = lister;
}

QStringList SerialLink::availablePortNames()
{
    if (portLister)
        return portLister();
    QStringList names;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        names << info.portName();
    return names;
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
