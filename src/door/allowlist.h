#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The clients a way in takes: this machine always, and the addresses and subnets the user listed
// ("192.168.1.20", "192.168.1.0/24", "fd00::/8"). An empty list is this machine only.
class AllowList
{
public:
    // The entries as written; nothing, with the entry at fault, when one is not an address or a
    // subnet as written.
    static std::optional<AllowList> read(const QStringList &entries, QString *fault = nullptr);
    // An address as written: four numbers 0 to 255 without leading zeros, or an IPv6 address;
    // never the octal, hexadecimal or short forms the system would also take.
    static std::optional<QHostAddress> readAddress(const QString &text);
    // An IPv4 address as itself, even when it came mapped into IPv6.
    static QHostAddress plain(const QHostAddress &address);

    bool admits(const QHostAddress &address) const;
    // "this machine only", or the entries as written.
    QString describe() const;
    QStringList entries() const { return m_written; }

private:
    bool isThisMachine(const QHostAddress &address) const;

    QStringList m_written;
    QList<std::pair<QHostAddress, int>> m_subnets; // a single address has -1 bits
    // The machine's own addresses change (DHCP): looked up again now and then.
    mutable QList<QHostAddress> m_own;
    mutable QElapsedTimer m_ownLookedUp;
};
