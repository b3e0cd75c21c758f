#include "remote/localserver.h"

#include "remote/remoterequest.h"
#include "remote/remoteserver.h"
#include "remote/textprotocol.h"

#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr qint64 ReadChunk = 4096; // read from one connection at a turn of the event loop

} // namespace

// The users of this machine: the same terms as remote control's, all from one address.
LocalServer::LocalServer(CommandPath *path, QObject *parent)
    : QObject(parent), m_path(path),
      m_door(new Door({RemoteServer::DoorLimits.connections, RemoteServer::DoorLimits.connections,
                       RemoteServer::DoorLimits.idleMs, RemoteServer::DoorLimits.maxUnread},
                      this))
{
    connect(m_door, &Door::note, this, &LocalServer::note);
}

QByteArray LocalServer::answer(const QString &line, const QString &name)
{
    if (line.compare(QLatin1String("schedule"), Qt::CaseInsensitive) != 0)
        return TextProtocol::serve(*m_path, line, name, name);
    QString why = QStringLiteral("no schedule");
    const QStringList listing = m_schedule ? m_schedule(&why) : QStringList();
    if (listing.isEmpty())
        return "ERR 64 " + why.toUtf8() + "\r\n";
    return listing.join(QLatin1String("\r\n")).toUtf8() + "\r\nOK\r\n";
}

LocalServer::~LocalServer()
{
    close();
}

void LocalServer::close()
{
    m_door->closeAll();
    if (m_local) {
        const QString path = m_local->fullServerName();
        delete m_local;
        m_local = nullptr;
        // Its own socket only.
        QLocalServer::removeServer(path);
    }
}

qint64 LocalServer::servedAt(const QString &path)
{
    QLocalSocket probe;
    probe.connectToServer(path);
    if (!probe.waitForConnected(500))
        return 0;
#ifdef Q_OS_LINUX
    ucred peer = {};
    socklen_t length = sizeof peer;
    if (::getsockopt(int(probe.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0)
        return peer.pid;
#endif
    return -1;
}

// Open to the users who may use the port, and to no one else: the device's group, once it is
// known (the device may appear after the service started); the owner alone until then.
void LocalServer::share(const QString &groupName)
{
    if (!m_local)
        return;
#ifdef Q_OS_UNIX
    const QByteArray file = QFile::encodeName(m_local->fullServerName());
    const struct group *owners =
        groupName.isEmpty() ? nullptr : getgrnam(groupName.toLocal8Bit().constData());
    struct stat made = {};
    const bool theirs =
        owners && ::stat(file.constData(), &made) == 0 && made.st_gid == owners->gr_gid;
    if (!owners || (!theirs && ::chown(file.constData(), uid_t(-1), owners->gr_gid) != 0) ||
        ::chmod(file.constData(), 0660) != 0)
        ::chmod(file.constData(), 0600);
#else
    Q_UNUSED(groupName)
#endif
}

bool LocalServer::listen(const QString &path, const QString &groupName, QString *why)
{
    delete m_local;
    m_local = nullptr;
    // Only a socket left by a service that is gone is taken over: never a live one, never a file
    // that is not a socket.
    const QFileInfo there(path);
    if (there.exists() || there.isSymLink()) {
#ifdef Q_OS_UNIX
        struct stat found = {};
        if (::lstat(QFile::encodeName(path).constData(), &found) != 0 || !S_ISSOCK(found.st_mode)) {
            *why = tr("%1: not a socket, left as it is").arg(path);
            return false;
        }
#endif
        if (servedAt(path) != 0) {
            *why = tr("%1: served by another program already").arg(path);
            return false;
        }
        QLocalServer::removeServer(path);
    }
    m_local = new QLocalServer(this);
    if (!m_local->listen(path)) {
        *why = path + QLatin1String(": ") + m_local->errorString();
        return false;
    }
    share(groupName);
    // The same terms as over TCP: so many at once, a half line for 10 s, a silent one for 15
    // minutes, answers it does not read.
    connect(m_local, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_local->nextPendingConnection()) {
            const QString name = QStringLiteral("tessary-send");
            if (!m_door->enter(socket, QHostAddress(QHostAddress::LocalHost), name)) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            socket->setReadBufferSize(ReadChunk);
            auto *line = new QByteArray;
            connect(socket, &QObject::destroyed, [line] { delete line; });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket, line, name] {
                *line += socket->readAll();
                for (qsizetype end; (end = line->indexOf('\n')) >= 0;) {
                    const QByteArray request = line->left(end);
                    line->remove(0, end + 1);
                    socket->write(answer(QString::fromUtf8(request).trimmed(), name));
                }
                if (line->size() > RemoteRequests::MaxLine) {
                    m_door->cut(
                        socket,
                        tr("a line of more than %1 characters").arg(RemoteRequests::MaxLine));
                    return;
                }
                m_door->heard(socket, !line->isEmpty());
                m_door->keepsUp(socket);
            });
        }
    });
    return true;
}
