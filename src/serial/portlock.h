#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Who else holds a serial port, as the locks that programs leave tell it: a lock file in the
// system's lock folder (a PID in ASCII, on a line of its own or with the program's name after
// it, as terminal programs and Qt write them), or an flock() on the device itself.
namespace PortLock {

struct Holder
{
    long pid = 0;      // 0 when no lock tells
    QString name;      // the program, when known
    QString staleLock; // set instead when a lock left by a process now gone cannot be removed
};

// The device a port name stands for: "ttyUSB0" is /dev/ttyUSB0; a path stays as it is, and so
// does a name on Windows ("COM3").
QString devicePath(const QString &portName);

// Where the service that holds a port listens for tessary-send: /run/tessaryd, where the
// service can write it, else the user's runtime folder. Named after the port as it was named.
QStringList serviceSockets(const QString &portName);
// Where a service that holds this port may listen, however it named the port: as given, as the
// device it leads to, or as one of the adapter's links under /dev/serial.
QStringList serviceSocketsFor(const QString &portName);

// The lock file that programs use for the device: "LCK.." and its path below /dev, with '_'
// for '/'.
QString lockFileName(const QString &devicePath);

// The process other than this one that holds the device, if any. A lock file whose process is
// gone is removed when it may be; one that may not (another user's) is reported as stale.
// Never removes a lock whose process is alive. When the device is free and keepOpen is given,
// it receives a descriptor of the device to close once the port is open: closing the last one
// would drop the line's DTR just before the port raises it again.
std::optional<Holder> findHolder(const QString &devicePath, int *keepOpen = nullptr,
                                 const QStringList &lockFolders = {QStringLiteral("/run/lock"),
                                                                   QStringLiteral("/var/lock")});

} // namespace PortLock
