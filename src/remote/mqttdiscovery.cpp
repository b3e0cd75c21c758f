#include "command/schedulerunner.h"
#include "remote/mqttbridge.h"
#include "remote/mqttrequest.h"
#include "remote/replyjson.h"
#include "remote/venue.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <mosquitto.h>

// Each player of the installation as a device of Home Assistant: four buttons, the folder and
// the volume as numbers, and the link as a binary sensor.
void MqttBridge::publishDiscovery()
{
    const QString line = m_settings.lineName();
    const QString node = QStringLiteral("tessary_") + QString(line).replace(u'/', u'_');
    const DeviceProfile &profile = DeviceProfiles::profile(m_path->model());
    const QString model = DeviceProfiles::modelNames().value(m_path->model() - 1);
    const QString status = topic(QStringLiteral("status"));
    m_discovered.clear();
    const auto config = [&](const QString &component, const QString &object, QJsonObject body) {
        body.insert(QStringLiteral("availability_topic"), status);
        body.insert(QStringLiteral("unique_id"), node + u'_' + object);
        const QString where = m_settings.discoveryPrefix + u'/' + component + u'/' + node + u'/' +
                              object + QStringLiteral("/config");
        m_discovered.insert(where);
        publish(where, QJsonDocument(body).toJson(QJsonDocument::Compact), true);
    };
    // The line's device: its link, Stop All and each scene.
    const QJsonObject lineDevice{{QStringLiteral("identifiers"), QJsonArray{node}},
                                 {QStringLiteral("name"), QStringLiteral("Tessary ") + line},
                                 {QStringLiteral("manufacturer"), QStringLiteral("Corvane")}};
    // A venue with no line: the building's scenes alone.
    if (m_ownLine)
        config(QStringLiteral("button"), QStringLiteral("stop_all"),
               {{QStringLiteral("name"), QStringLiteral("Stop All")},
                {QStringLiteral("command_topic"), topic(QStringLiteral("all/command"))},
                {QStringLiteral("payload_press"), QStringLiteral("stop")},
                {QStringLiteral("device"), lineDevice}});
    // A venue's own scenes across rooms are its to run; another service's are left to it.
    for (const Installation::Scene &scene : m_path->installation().scenes())
        if (scene.forRooms() ? !m_venue.isNull() : m_ownLine)
            config(QStringLiteral("button"),
                   QStringLiteral("scene_") +
                       QString::fromLatin1(Installation::key(scene.name).toUtf8().toHex()),
                   {{QStringLiteral("name"), QStringLiteral("Scene ") + scene.name},
                    {QStringLiteral("command_topic"), topic(QStringLiteral("scene/command"))},
                    {QStringLiteral("payload_press"), scene.name},
                    {QStringLiteral("device"), lineDevice}});
    // What it published before and no longer does is found among what the broker kept.
    const QByteArray kept =
        (m_settings.discoveryPrefix + QStringLiteral("/+/") + node + QStringLiteral("/+/config"))
            .toUtf8();
    mosquitto_subscribe(m_client, nullptr, kept.constData(), 1);
    if (!m_ownLine)
        return;
    // The line is a device of its own, and its players are reached through it.
    config(QStringLiteral("binary_sensor"), QStringLiteral("link"),
           {{QStringLiteral("name"), QStringLiteral("Serial line")},
            {QStringLiteral("state_topic"), topic(QStringLiteral("link"))},
            {QStringLiteral("value_template"),
             QStringLiteral("{{ 'ON' if value == 'open' else 'OFF' }}")},
            {QStringLiteral("device_class"), QStringLiteral("connectivity")},
            {QStringLiteral("device"), lineDevice}});
    for (const Installation::Player &player : m_path->installation().players()) {
        const QString id = QString::number(player.id);
        const QString command = topic(id + QStringLiteral("/command"));
        const QJsonObject device{{QStringLiteral("identifiers"), QJsonArray{node + u'_' + id}},
                                 {QStringLiteral("name"), player.name},
                                 {QStringLiteral("manufacturer"), QStringLiteral("Corvane")},
                                 {QStringLiteral("model"), model},
                                 {QStringLiteral("via_device"), node}};
        for (const char *word : {"play", "stop", "next", "previous"}) {
            const QString name = QLatin1String(word);
            config(QStringLiteral("button"), id + u'_' + name,
                   {{QStringLiteral("name"), name.left(1).toUpper() + name.mid(1)},
                    {QStringLiteral("command_topic"), command},
                    {QStringLiteral("payload_press"), name},
                    {QStringLiteral("device"), device}});
        }
        config(QStringLiteral("number"), id + QStringLiteral("_folder"),
               {{QStringLiteral("name"), QStringLiteral("Folder")},
                {QStringLiteral("command_topic"), command},
                {QStringLiteral("command_template"), QStringLiteral("folder {{ value | int }}")},
                {QStringLiteral("min"), 0},
                {QStringLiteral("max"), profile.folderCount - 1},
                {QStringLiteral("mode"), QStringLiteral("box")},
                {QStringLiteral("device"), device}});
        config(QStringLiteral("number"), id + QStringLiteral("_volume"),
               {{QStringLiteral("name"), QStringLiteral("Volume")},
                {QStringLiteral("command_topic"), command},
                {QStringLiteral("command_template"), QStringLiteral("volume {{ value | int }}")},
                {QStringLiteral("state_topic"), topic(id + QStringLiteral("/state"))},
                {QStringLiteral("value_template"), QStringLiteral("{{ value_json.level }}")},
                {QStringLiteral("min"), profile.volumeMinimum},
                {QStringLiteral("max"), DeviceProfiles::VolumeMaximum},
                {QStringLiteral("unit_of_measurement"), QStringLiteral("dB")},
                {QStringLiteral("device"), device}});
    }
}
