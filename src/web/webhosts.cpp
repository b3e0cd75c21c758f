#include "web/webserver.h"

#include <QHostInfo>
#include <QNetworkInterface>

bool WebServer::hostNamesUs(QByteArrayView host, const QStringList &names, quint16 port)
{
    QByteArrayView name = host;
    QByteArrayView portText;
    if (host.startsWith('[')) {
        const qsizetype close = host.indexOf(']');
        if (close < 0)
            return false;
        name = host.sliced(1, close - 1);
        if (close + 1 < host.size()) {
            if (host[close + 1] != ':')
                return false;
            portText = host.sliced(close + 2);
        }
    } else if (const qsizetype colon = host.lastIndexOf(':'); colon >= 0) {
        if (host.indexOf(':') != colon)
            return false; // an IPv6 address without brackets
        name = host.first(colon);
        portText = host.sliced(colon + 1);
    }
    if (!portText.isNull() && portText != QByteArray::number(port))
        return false;
    const QString asked = QString::fromLatin1(name).toLower();
    return !asked.isEmpty() && names.contains(asked);
}

QStringList WebServer::ownNames() const
{
    auto *self = const_cast<WebServer *>(this);
    // The machine's addresses change (DHCP): looked up again after a minute.
    if (m_names.isEmpty() || m_namesLookedUp.elapsed() > 60000) {
        QStringList names{QStringLiteral("localhost"), QStringLiteral("127.0.0.1"),
                          QStringLiteral("::1")};
        const QString machine = QHostInfo::localHostName().toLower();
        if (!machine.isEmpty())
            names << machine << machine + QStringLiteral(".local");
        if (!QHostInfo::localDomainName().isEmpty())
            names << machine + u'.' + QHostInfo::localDomainName().toLower();
        for (const QHostAddress &address : QNetworkInterface::allAddresses())
            names << QHostAddress(address.toString().section(u'%', 0, 0)).toString().toLower();
        names << m_settings.address.toLower();
        self->m_names = names;
        self->m_namesLookedUp.start();
    }
    return m_names;
}
