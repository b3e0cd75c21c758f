#include "send/servicelink.h"

#include "serial/portlock.h"

#include <QFile>
#include <cstring>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace ServiceLink {

int reach(const QString &port)
{
#ifdef Q_OS_UNIX
    for (const QString &path : PortLock::serviceSocketsFor(port)) {
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        const QByteArray file = QFile::encodeName(path);
        if (size_t(file.size()) >= sizeof address.sun_path)
            continue;
        std::memcpy(address.sun_path, file.constData(), size_t(file.size()));
        const int service = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::connect(service, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0)
            return service;
        ::close(service);
    }
#else
    Q_UNUSED(port)
#endif
    return -1;
}

QByteArray ask(int service, const QString &request)
{
    QByteArray reply;
#ifdef Q_OS_UNIX
    const QByteArray line = request.toUtf8() + '\n';
    if (::write(service, line.constData(), size_t(line.size())) != line.size())
        return {};
    const auto whole = [&reply] {
        const QByteArray last = reply.trimmed().split('\n').last().trimmed();
        return reply.endsWith('\n') && (last == "OK" || last.startsWith("ERR ") || last == "PONG");
    };
    char chunk[256];
    for (pollfd ready{service, POLLIN, 0}; !whole() && ::poll(&ready, 1, ReplyMs) > 0;) {
        const ssize_t n = ::read(service, chunk, sizeof chunk);
        if (n <= 0)
            break;
        reply.append(chunk, n);
    }
#else
    Q_UNUSED(service)
    Q_UNUSED(request)
#endif
    return reply.trimmed();
}

} // namespace ServiceLink
