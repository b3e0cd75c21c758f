#pragma once

#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QStringList>

class QByteArray;

// Drives the one serial port of the program: opens it write-only at 8N1 without flow control,
// writes frames through to the line, and closes it when the device goes away.
class SerialLink : public QObject
{
    Q_OBJECT

public:
    explicit SerialLink(QSerialPort *port, QObject *parent = nullptr);

    // Names of the ports present, in the system's order, as open() takes them.
    static QStringList availablePortNames();
    // Starts listing the ports in the background, so that the next availablePortNames() finds
    // the list ready instead of scanning the system then. Asking the system takes long enough
    // (some 15 ms) to be worth doing while the application starts.
    static void discoverPortsAhead();
    // Replaces the system's list, so tests can offer a pseudo-terminal; nullptr restores it.
    using PortLister = QStringList (*)();
    static void setPortLister(PortLister lister);

    bool isOpen() const;

    // Applies every line setting anew, then opens, unless another program holds the port (a
    // lock file of a live process, or an flock() on the device). While open, the link holds an
    // flock() of its own, so that others see it too. On failure errorString() says why.
    bool open(const QString &portName, int baudRate);
    void close();

    // True when the port took every byte. A frame goes out whole or not at all: it waits for
    // room only while the line moves, and once a frame found none, later ones are given up at
    // once until one goes out again. A vanished device closes the link and emits
    // connectionLost() before this returns.
    bool send(const QByteArray &data);

    QString errorString() const;

signals:
    void connectionLost();

private:
    void handleError(QSerialPort::SerialPortError error);
    void dropConnection();

    QSerialPort *m_port;
    QString m_refusal; // why the last open was refused, when the port itself did not say
    bool m_sending = false;
    bool m_stalled = false;
};
