#include "remote/remotesettings.h"

#include "door/allowlist.h"
#include "remote/remoteserver.h"
#include "storage/settingsstore.h"

#include <QFileInfo>

const SettingsSection<RemoteSettings> &RemoteSettings::section()
{
    using S = RemoteSettings;
    static const SettingsSection<S> section("remote", {{"enabled", &S::enabled},
                                                       {"oscPort", &S::oscPort, 1, 65535},
                                                       {"textPort", &S::textPort, 1, 65535},
                                                       {"address", &S::address},
                                                       {"allowed", &S::allowed},
                                                       {"udp", &S::udp}});
    return section;
}

QString RemoteSettings::windowFile()
{
    return QFileInfo(SettingsStore::forApplication().userFilePath()).path() +
           QLatin1String("/remote.ini");
}

QString RemoteSettings::refusal() const
{
    if (!AllowList::readAddress(address))
        return RemoteServer::tr("%1 is not an address as written: four numbers from 0 to 255, "
                                "such as 192.168.1.20, or an IPv6 address")
            .arg(address);
    if (QString entry; !AllowList::read(allowed, &entry))
        return RemoteServer::tr("%1 is not an address or a subnet as written, such as "
                                "192.168.1.20 or 192.168.1.0/24")
            .arg(entry);
    if (oscPort == textPort)
        return RemoteServer::tr("OSC and text cannot share port %1").arg(oscPort);
    return {};
}
