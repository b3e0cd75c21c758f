#include "serial/portlock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace PortLock {

namespace {

#ifdef Q_OS_UNIX
bool isAlive(long pid)
{
    return pid == long(getpid()) || kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

QString processName(long pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    return comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readLine().trimmed())
                                          : QString();
}

// The PID and program a lock file names: "      4242 minicom user", "4242", or Qt's lines of
// PID, program and host. Nothing when the file holds no PID.
std::optional<Holder> readLockFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray text = file.read(512);
    // Some programs still write the PID as a binary int: four bytes that are not text. A PID of
    // digits is text whatever its length ("123\n" has four bytes too).
    const bool isText = std::all_of(text.cbegin(), text.cend(), [](char c) {
        return (c >= ' ' && c < 0x7f) || c == '\n' || c == '\r' || c == '\t';
    });
    if (text.size() == int(sizeof(int)) && !isText)
        return Holder{long(qFromUnaligned<int>(text.constData())), QString(), QString()};
    const QList<QByteArray> lines = text.split('\n');
    const QList<QByteArray> words = lines.first().simplified().split(' ');
    bool isNumber = false;
    const long pid = words.first().toLong(&isNumber);
    if (!isNumber || pid <= 0)
        return std::nullopt;
    const QByteArray name = words.size() > 1 ? words[1] : lines.value(1).trimmed();
    return Holder{pid, QString::fromLocal8Bit(name), QString()};
}

// The process that holds an flock() on the device, from the kernel's table of locks.
Holder flockHolder(const QString &devicePath)
{
    struct stat device = {};
    QFile locks(QStringLiteral("/proc/locks"));
    if (stat(QFile::encodeName(devicePath).constData(), &device) != 0 ||
        !locks.open(QIODevice::ReadOnly))
        return {};
    const QByteArray inode = QByteArray::number(major(device.st_dev), 16).rightJustified(2, '0') +
                             ':' +
                             QByteArray::number(minor(device.st_dev), 16).rightJustified(2, '0') +
                             ':' + QByteArray::number(qulonglong(device.st_ino));
    for (const QByteArray &line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 5 && fields[1] == "FLOCK" && fields[5] == inode) {
            const long pid = fields[4].toLong();
            return Holder{pid, processName(pid), QString()};
        }
    }
    return {};
}
#endif

} // namespace

QString devicePath(const QString &portName)
{
#ifdef Q_OS_WIN
    return portName;
#else
    // A path is the device it leads to: a link to a port held is that port, and held.
    if (portName.startsWith(QLatin1Char('/')) || portName.startsWith(QLatin1String("./")) ||
        portName.startsWith(QLatin1String("../"))) {
        const QString target = QFileInfo(portName).canonicalFilePath();
        return target.isEmpty() ? portName : target;
    }
    const QString device = QLatin1String("/dev/") + portName;
    // An adapter's stable name, as /dev/serial/by-id has it, stands for the device it leads
    // to now: the locks are those of that device.
    const QFileInfo byId(QLatin1String("/dev/serial/by-id/") + portName);
    if (!QFileInfo::exists(device) && !portName.contains(QLatin1Char('/')) && byId.isSymLink() &&
        byId.exists())
        return byId.canonicalFilePath();
    return device;
#endif
}

QStringList serviceSockets(const QString &portName)
{
    // The port as it was named, not the device it leads to now: an adapter's link under
    // /dev/serial names the same socket whether it is there at start or appears later.
    QString name =
        portName.startsWith(QLatin1Char('.')) ? QFileInfo(portName).absoluteFilePath() : portName;
    name = QLatin1String("tessaryd-") + name.mid(name.startsWith(QLatin1String("/dev/")) ? 5 : 0)
                                            .replace(QLatin1Char('/'), QLatin1Char('_'));
    // A socket's address holds 107 bytes: a long link's name is cut, and told apart by a digest.
    if (name.size() > 72)
        name =
            name.left(48) + QLatin1Char('-') +
            QString::fromLatin1(
                QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
    name += QLatin1String(".sock");
    QStringList paths{QLatin1String("/run/tessaryd/") + name};
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        paths << runtime + QLatin1String("/tessaryd/") + name;
    return paths;
}

QStringList serviceSocketsFor(const QString &portName)
{
    QStringList paths = serviceSockets(portName);
    const auto add = [&paths](const QString &name) {
        for (const QString &path : serviceSockets(name))
            if (!paths.contains(path))
                paths << path;
    };
    const QString device = devicePath(portName);
    add(device);
    // The adapter's lasting names, by which a service may know the same device.
    for (const QString &folder :
         {QStringLiteral("/dev/serial/by-id"), QStringLiteral("/dev/serial/by-path")}) {
        const QFileInfoList links = QDir(folder).entryInfoList(QDir::System | QDir::Files);
        for (const QFileInfo &link : links) {
            if (link.canonicalFilePath() != device)
                continue;
            add(link.filePath());
            if (folder.endsWith(QLatin1String("by-id")))
                add(link.fileName());
        }
    }
    return paths;
}

QString lockFileName(const QString &devicePath)
{
    QString name = devicePath;
    if (name.startsWith(QLatin1String("/dev/")))
        name.remove(0, 5);
    return QLatin1String("LCK..") + name.replace(QLatin1Char('/'), QLatin1Char('_'));
}

std::optional<Holder> findHolder(const QString &devicePath, int *keepOpen,
                                 const QStringList &lockFolders)
{
#ifdef Q_OS_UNIX
    QStringList seen;
    for (const QString &folder : lockFolders) {
        const QString canonical = QFileInfo(folder).canonicalFilePath();
        if (canonical.isEmpty() || seen.contains(canonical))
            continue;
        seen << canonical;
        const QString path = canonical + QLatin1Char('/') + lockFileName(devicePath);
        std::optional<Holder> holder = readLockFile(path);
        if (holder && isAlive(holder->pid)) {
            if (holder->name.isEmpty())
                holder->name = processName(holder->pid);
            return holder;
        }
        // Left by a process that is gone: anyone may clear it, but the folder lets only its
        // owner do so. A file that names no process is left to the port's own locking.
        if (holder && ::unlink(QFile::encodeName(path).constData()) != 0 &&
            (errno == EACCES || errno == EPERM))
            return Holder{0, QString(), path};
    }
    // The device is looked at without taking it: no line setting changes.
    const int probe = ::open(QFile::encodeName(devicePath).constData(),
                             O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (probe < 0)
        return std::nullopt;
    const bool held = flock(probe, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    flock(probe, LOCK_UN);
    if (held || !keepOpen)
        ::close(probe);
    else
        *keepOpen = probe;
    if (held)
        return flockHolder(devicePath);
#else
    Q_UNUSED(devicePath)
    Q_UNUSED(lockFolders)
    Q_UNUSED(keepOpen)
#endif
    return std::nullopt;
}

} // namespace PortLock
