#pragma once

#include "serial/lineout.h"
#include "serial/portlock.h"

#include <QObject>
#include <QSerialPort>
#include <QString>
#include <optional>

class QByteArray;
class QSocketNotifier;

// Drives the one serial port of the program: opens it write-only at 8N1 without flow control,
// writes frames through to the line, and closes it when the device goes away.
class SerialLink : public LineOut
{
    Q_OBJECT

public:
    explicit SerialLink(QSerialPort *port, QObject *parent = nullptr);

    bool isOpen() const override;
    // The name the port was opened by, as the list shows it.
    QString portName() const { return m_name; }

    // Applies every line setting anew, then opens, unless another program holds the port (a
    // lock file of a live process, or an flock() on the device). While open, the link holds an
    // flock() of its own, so that others see it too, and watches the device: when it goes away
    // (an adapter pulled), the link closes and says so at once. On failure errorString() says
    // why, in the user's language, with what fixes a refused permission.
    bool open(const QString &portName, int baudRate);
    void close();

    // True when the port took every byte. A frame goes out whole or not at all: it waits for
    // room only while the line moves, and once a frame found none, later ones are given up at
    // once until one goes out again. A vanished device closes the link and emits
    // connectionLost() before this returns.
    bool send(const QByteArray &data) override;
    int baudRate() const override { return int(m_port->baudRate()); }

    QString errorString() const;
    // Who held the port when the last open was refused for that; nothing otherwise.
    std::optional<PortLock::Holder> holder() const { return m_holder; }

public slots:
    // The device went away: closes the port, and emits connectionLost() if it was open.
    void dropConnection();

private:
    void handleError(QSerialPort::SerialPortError error);
    static void drain(int fd, int baudRate);
    void closeQuietly();
    void checkLine();
    QString openFailure(const QString &device) const;

    QSerialPort *m_port;
    QString m_name;
    QSocketNotifier *m_watch = nullptr;
    QString m_refusal; // why the last open failed, in the program's own words
    std::optional<PortLock::Holder> m_holder;
    bool m_sending = false;
    bool m_stalled = false;
    bool m_announced = false; // opened() was said, and neither closed() nor a loss since
};
