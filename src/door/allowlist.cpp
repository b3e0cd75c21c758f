#include "door/allowlist.h"

#include <QNetworkInterface>
#include <QRegularExpression>

namespace {

constexpr qint64 OwnAddressesMs = 10 * 1000;

} // namespace

std::optional<QHostAddress> AllowList::readAddress(const QString &text)
{
    static const QRegularExpression ipv4(QStringLiteral(
        "^((25[0-5]|2[0-4]\\d|1\\d\\d|[1-9]?\\d)\\.){3}(25[0-5]|2[0-4]\\d|1\\d\\d|[1-9]?\\d)$"));
    const QHostAddress read(text);
    if (read.isNull() ||
        (read.protocol() == QAbstractSocket::IPv4Protocol && !ipv4.match(text).hasMatch()))
        return std::nullopt;
    return read;
}

QHostAddress AllowList::plain(const QHostAddress &address)
{
    bool isIPv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIPv4);
    return isIPv4 ? QHostAddress(ipv4) : address;
}

std::optional<AllowList> AllowList::read(const QStringList &entries, QString *fault)
{
    AllowList list;
    for (const QString &written : entries) {
        const QString entry = written.trimmed();
        const std::optional<QHostAddress> address = readAddress(entry.section(u'/', 0, 0));
        const bool isSubnet = entry.contains(u'/');
        bool isNumber = false;
        const int bits = isSubnet ? entry.section(u'/', 1).toInt(&isNumber) : -1;
        const int most = address && address->protocol() == QAbstractSocket::IPv6Protocol ? 128 : 32;
        if (!address || (isSubnet && (!isNumber || bits < 0 || bits > most))) {
            if (fault)
                *fault = entry;
            return std::nullopt;
        }
        list.m_written << entry;
        list.m_subnets << std::pair{isSubnet ? *address : plain(*address), bits};
    }
    return list;
}

bool AllowList::isThisMachine(const QHostAddress &address) const
{
    if (address.isLoopback())
        return true;
    if (!m_ownLookedUp.isValid() || m_ownLookedUp.hasExpired(OwnAddressesMs)) {
        QList<QHostAddress> own;
        for (const QHostAddress &address : QNetworkInterface::allAddresses())
            own << plain(address);
        m_own = own;
        m_ownLookedUp.start();
    }
    return m_own.contains(address);
}

bool AllowList::admits(const QHostAddress &address) const
{
    const QHostAddress from = plain(address);
    if (isThisMachine(from))
        return true;
    return std::any_of(m_subnets.cbegin(), m_subnets.cend(), [&from](const auto &entry) {
        return entry.second < 0 ? from.isEqual(entry.first, QHostAddress::StrictConversion)
                                : from.isInSubnet(entry.first, entry.second);
    });
}

QString AllowList::describe() const
{
    return m_written.isEmpty() ? QStringLiteral("this machine only")
                               : m_written.join(QLatin1String(", "));
}
