#include "remote/portholder.h"

#include <QDir>
#include <QFile>
#include <QSet>

namespace PortHolder {

QString of(quint16 port, bool udp)
{
#ifdef Q_OS_LINUX
    QSet<QByteArray> inodes;
    for (const char *table : {"tcp", "tcp6", "udp", "udp6"}) {
        if (QByteArray(table).startsWith("udp") != udp)
            continue;
        QFile file(QStringLiteral("/proc/net/") + QLatin1String(table));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        file.readLine();
        for (QByteArray row; !(row = file.readLine()).isEmpty();) {
            const QList<QByteArray> fields = row.simplified().split(' ');
            // local address:port, then the state (0A: listening; any for UDP) and the inode
            if (fields.size() > 9 && fields[1].split(':').value(1).toUInt(nullptr, 16) == port &&
                (udp || fields[3] == "0A"))
                inodes.insert("socket:[" + fields[9] + ']');
        }
    }
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        if (inodes.isEmpty())
            break;
        if (pid.toInt() <= 0)
            continue;
        const QString fds = QStringLiteral("/proc/") + pid + QStringLiteral("/fd");
        for (const QString &fd : QDir(fds).entryList(QDir::System | QDir::Files))
            if (inodes.contains(
                    QFile::symLinkTarget(fds + u'/' + fd).section(u'/', -1).toLatin1())) {
                QFile comm(QStringLiteral("/proc/") + pid + QStringLiteral("/comm"));
                comm.open(QIODevice::ReadOnly);
                return QStringLiteral("PID %1, %2")
                    .arg(pid, QString::fromLocal8Bit(comm.readLine().trimmed()));
            }
    }
#else
    Q_UNUSED(port)
    Q_UNUSED(udp)
#endif
    return {};
}

} // namespace PortHolder
