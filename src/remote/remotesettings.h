#pragma once

#include "storage/settingssection.h"

#include <QString>
#include <QStringList>

// Remote control as the user set it up: off until switched on, on this machine only until
// another address is chosen.
struct RemoteSettings
{
    bool enabled = false;
    // Clear of QLab's 53000-53001 and Companion's 8000, 12321, 16759 and 51234.
    quint16 oscPort = 7701;
    quint16 textPort = 7702;
    QString address = QStringLiteral("127.0.0.1");
    QStringList allowed; // addresses and subnets ("192.168.1.0/24"); none: this machine only
    bool udp = true;     // TCP alone where datagrams from forged addresses are a worry

    // The section [remote], each of its keys.
    static const SettingsSection<RemoteSettings> &section();
    // Where the window keeps them, apart from its settings file: remote.ini in the per-user
    // folder.
    static QString windowFile();
    // Why they cannot be used as written (an address in another form, a subnet that is none, one
    // port for both); empty when they can.
    QString refusal() const;

    bool operator==(const RemoteSettings &other) const { return section().same(*this, other); }
};
