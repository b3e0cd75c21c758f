#pragma once

#include "storage/settingssection.h"

#include <QString>

// Joining an MQTT broker: off until a broker is set.
struct MqttSettings
{
    bool enabled = false;
    QString host;
    quint16 port = 1883;
    QString clientId; // default: tessary-<line>
    QString username;
    QString password; // never logged, never printed
    QString caFile;   // TLS when set
    QString certFile; // a client certificate, with its key
    QString keyFile;
    QString prefix = QStringLiteral("tessary");
    QString line; // this line's name; default: the host name
    bool discovery = false;
    QString discoveryPrefix = QStringLiteral("homeassistant");
    int timeout = 10; // seconds a broker has to answer before it is tried again

    // The section [mqtt], each of its keys; on when a host is given, and on 8883 with TLS,
    // unless said otherwise.
    static const SettingsSection<MqttSettings> &section();
    QString lineName() const;
    // Why they cannot be used as written (a level of a topic that is none, a TLS file that
    // cannot be read); empty when they can.
    QString refusal() const;

    bool operator==(const MqttSettings &other) const { return section().same(*this, other); }
};
