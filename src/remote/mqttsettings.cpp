#include "remote/mqttsettings.h"

#include "remote/mqttbridge.h"

#include <QFileInfo>
#include <QHostInfo>

const SettingsSection<MqttSettings> &MqttSettings::section()
{
    using S = MqttSettings;
    static const SettingsSection<S> section("mqtt",
                                            {{"enabled", &S::enabled},
                                             {"host", &S::host},
                                             {"port", &S::port, 1, 65535},
                                             {"username", &S::username},
                                             {"password", &S::password, 0, 0, true},
                                             {"clientId", &S::clientId},
                                             {"prefix", &S::prefix},
                                             {"line", &S::line},
                                             {"caFile", &S::caFile},
                                             {"certFile", &S::certFile},
                                             {"keyFile", &S::keyFile},
                                             {"discovery", &S::discovery},
                                             {"discoveryPrefix", &S::discoveryPrefix},
                                             {"timeout", &S::timeout, 1, 600}},
                                            [](MqttSettings &read, const IniFile &file) {
                                                const QString mqtt = QStringLiteral("mqtt");
                                                if (!file.contains(mqtt, QStringLiteral("enabled")))
                                                    read.enabled = !read.host.isEmpty();
                                                if (!file.contains(mqtt, QStringLiteral("port")))
                                                    read.port = read.caFile.isEmpty() ? 1883 : 8883;
                                            });
    return section;
}

QString MqttSettings::lineName() const
{
    return line.isEmpty() ? QHostInfo::localHostName() : line;
}

QString MqttSettings::refusal() const
{
    // A level of a topic: its commands would never come through a wildcard's or a slash's.
    for (const QString &level : {prefix, lineName()})
        if (level.isEmpty() || level.contains(u'+') || level.contains(u'#') || level.contains(u'/'))
            return MqttBridge::
                tr("\"%1\" cannot be a level of a topic: it must not be empty or hold +, # or /")
                    .arg(level);
    if (lineName().compare(QLatin1String("all"), Qt::CaseInsensitive) == 0)
        return MqttBridge::tr("a line cannot be named \"%1\": %2/all/command stops every line "
                              "of the building")
            .arg(lineName(), prefix);
    for (const QString &file : {caFile, certFile, keyFile})
        if (!file.isEmpty() && !QFileInfo(file).isReadable())
            return MqttBridge::tr("%1 cannot be read").arg(file);
    if (certFile.isEmpty() != keyFile.isEmpty())
        return MqttBridge::tr("a client certificate needs its key, and a key its certificate");
    return {};
}
