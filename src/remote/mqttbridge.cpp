#include "remote/mqttbridge.h"

#include "command/schedulerunner.h"
#include "remote/mqttrequest.h"
#include "remote/replyjson.h"

#include <QFileInfo>
#include <QHostInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QSocketNotifier>
#include <mosquitto.h>

namespace {

constexpr int KeepAliveSeconds = 30;
constexpr int MaxBackoffMs = 30 * 1000;
constexpr int StateDelayMs = 10;
// Results waiting for that moment; a flood of them goes at once.
constexpr qsizetype MaxPendingResults = 64;

} // namespace

MqttBridge::MqttBridge(CommandPath *path, QObject *parent) : QObject(parent), m_path(path)
{
    static const int initialised = mosquitto_lib_init();
    Q_UNUSED(initialised)
    // The keep-alive: a ping at most every third of its interval, and nothing more while idle.
    m_keepAlive.setInterval(KeepAliveSeconds * 1000 / 3);
    connect(&m_keepAlive, &QTimer::timeout, this, &MqttBridge::service);
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &MqttBridge::connectNow);
    m_connectTimeout.setSingleShot(true);
    connect(&m_connectTimeout, &QTimer::timeout, this,
            [this] { retryLater(tr("the broker did not answer")); });
    connect(path, &CommandPath::linkStateChanged, this, &MqttBridge::publishLink);
    // Home Assistant sees the players and scenes there are now, and forgets the others.
    connect(path, &CommandPath::installationChanged, this, [this] {
        if (m_connected && m_settings.discovery)
            publishDiscovery();
    });
    // Whoever sent it (this broker, the window, a scene, a show controller), the state says so.
    // A moment after the frames, and once for a burst: the state is the last thing sent, and the
    // broker is not woken while the frames are still on their way to the line.
    m_stateTimer.setSingleShot(true);
    m_stateTimer.setInterval(StateDelayMs);
    connect(path, &CommandPath::commandSent, this, [this](const PlayerCommand &command) {
        m_stateDue.insert(command.playerId);
        if (!m_stateTimer.isActive())
            m_stateTimer.start();
    });
    connect(&m_stateTimer, &QTimer::timeout, this, &MqttBridge::publishPending);
}

MqttBridge::~MqttBridge()
{
    stop();
}

bool MqttBridge::start(const MqttSettings &settings, QString *why)
{
    stop();
    if (!settings.enabled || settings.host.isEmpty())
        return true;
    if (const QString refused = settings.refusal(); !refused.isEmpty()) {
        *why = refused;
        return false;
    }
    m_settings = settings;
    m_topicPrefix = settings.prefix + u'/' + settings.lineName() + u'/';
    m_commandPrefix = m_topicPrefix.toUtf8();
    m_discoveryPrefix = (settings.discoveryPrefix + u'/').toUtf8();
    const QByteArray id =
        (settings.clientId.isEmpty() ? QStringLiteral("tessary-") + settings.lineName()
                                     : settings.clientId)
            .toUtf8()
            .left(64);
    // A clean session: what the broker would have kept for us while away is not sent late.
    m_client = mosquitto_new(id.constData(), true, this);
    if (!m_client) {
        *why = tr("the MQTT client could not be made");
        return false;
    }
    // A cue and its acknowledgement are a few bytes each: sent at once, not held back for more.
    mosquitto_int_option(m_client, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_connect_callback_set(m_client, [](mosquitto *, void *self, int code) {
        static_cast<MqttBridge *>(self)->connected(code);
    });
    mosquitto_disconnect_callback_set(m_client, [](mosquitto *, void *self, int code) {
        static_cast<MqttBridge *>(self)->disconnected(code);
    });
    mosquitto_message_callback_set(m_client,
                                   [](mosquitto *, void *self, const mosquitto_message *message) {
                                       static_cast<MqttBridge *>(self)->received(message);
                                   });
    if (!settings.username.isEmpty())
        mosquitto_username_pw_set(
            m_client, settings.username.toUtf8().constData(),
            settings.password.isEmpty() ? nullptr : settings.password.toUtf8().constData());
    if (!settings.caFile.isEmpty()) {
        const int code = mosquitto_tls_set(
            m_client, QFile::encodeName(settings.caFile).constData(), nullptr,
            settings.certFile.isEmpty() ? nullptr
                                        : QFile::encodeName(settings.certFile).constData(),
            settings.keyFile.isEmpty() ? nullptr : QFile::encodeName(settings.keyFile).constData(),
            nullptr);
        if (code != MOSQ_ERR_SUCCESS) {
            *why = tr("TLS: %1").arg(QString::fromUtf8(mosquitto_strerror(code)));
            stop();
            return false;
        }
    }
    const QByteArray will = topic(QStringLiteral("status")).toUtf8();
    mosquitto_will_set(m_client, will.constData(), 7, "offline", 1, true);
    connectNow();
    return true;
}

void MqttBridge::stop()
{
    if (!m_client)
        return;
    // Leaving on purpose: the states still due go out, the broker is told, and the state says so.
    if (m_connected) {
        publishPending();
        publish(topic(QStringLiteral("status")), "offline", true);
        mosquitto_disconnect(m_client);
        mosquitto_loop_write(m_client, 1);
    }
    delete m_read;
    delete m_write;
    m_read = m_write = nullptr;
    m_keepAlive.stop();
    m_retry.stop();
    m_connectTimeout.stop();
    m_connected = false;
    mosquitto_destroy(m_client);
    m_client = nullptr;
}

int MqttBridge::retryWaitMs(int failures)
{
    return qMin(1000 << qBound(0, failures, 5), MaxBackoffMs);
}

QString MqttBridge::topic(const QString &rest) const
{
    return m_topicPrefix + rest;
}

void MqttBridge::connectNow()
{
    delete m_read;
    delete m_write;
    m_read = m_write = nullptr;
    const int code = mosquitto_connect_async(m_client, m_settings.host.toUtf8().constData(),
                                             m_settings.port, KeepAliveSeconds);
    if (code != MOSQ_ERR_SUCCESS && mosquitto_socket(m_client) < 0) {
        retryLater(
            QString::fromUtf8(code == MOSQ_ERR_ERRNO ? strerror(errno) : mosquitto_strerror(code)));
        return;
    }
    m_connectTimeout.start(m_settings.timeout * 1000);
    watchSocket();
}

// Tries again later, each time waiting longer, and says why once while it stays the same. A
// refusal is the reason of its whole round, whatever the socket says after it.
void MqttBridge::retryLater(const QString &reason)
{
    const QString why = m_refusal.isEmpty() ? reason : m_refusal;
    if (m_retry.isActive())
        return;
    m_connected = false;
    m_connectTimeout.stop();
    m_keepAlive.stop();
    delete m_read;
    delete m_write;
    m_read = m_write = nullptr;
    if (m_client)
        mosquitto_disconnect(m_client);
    QString plain = why.trimmed();
    if (plain.endsWith(u'.'))
        plain.chop(1);
    const QString said =
        tr("MQTT %1:%2: %3; trying again").arg(m_settings.host).arg(m_settings.port).arg(plain);
    if (said != std::exchange(m_lastNote, said))
        emit note(said);
    m_retry.start(retryWaitMs(std::exchange(m_failures, qMin(m_failures + 1, 5))));
}

void MqttBridge::watchSocket()
{
    const int fd = mosquitto_socket(m_client);
    if (fd < 0)
        return;
    m_read = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_read, &QSocketNotifier::activated, this, &MqttBridge::service);
    m_write = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    connect(m_write, &QSocketNotifier::activated, this, &MqttBridge::service);
    m_keepAlive.start();
}

// Whatever the socket has for us, what we have for it, and the keep-alive.
void MqttBridge::service()
{
    if (!m_client || mosquitto_socket(m_client) < 0)
        return;
    int code = MOSQ_ERR_SUCCESS;
    if (m_read && sender() != m_write && sender() != &m_keepAlive)
        code = mosquitto_loop_read(m_client, 1);
    if (code == MOSQ_ERR_SUCCESS && m_client && mosquitto_want_write(m_client))
        code = mosquitto_loop_write(m_client, 1);
    if (code == MOSQ_ERR_SUCCESS && m_client)
        code = mosquitto_loop_misc(m_client);
    if (code != MOSQ_ERR_SUCCESS && m_client) {
        retryLater(code == MOSQ_ERR_ERRNO ? QString::fromUtf8(strerror(errno))
                                          : QString::fromUtf8(mosquitto_strerror(code)));
        return;
    }
    if (m_write)
        m_write->setEnabled(m_client && mosquitto_want_write(m_client));
}

void MqttBridge::connected(int code)
{
    m_connectTimeout.stop();
    if (code != 0) {
        // A refused login and the like: said once, tried again later.
        m_refusal = QString::fromUtf8(mosquitto_connack_string(code));
        QMetaObject::invokeMethod(
            this, [this] { retryLater(m_refusal); }, Qt::QueuedConnection);
        return;
    }
    m_refusal.clear();
    m_connected = true;
    m_failures = 0;
    m_lastNote.clear();
    emit note(tr("MQTT: joined %1:%2 as %3")
                  .arg(m_settings.host)
                  .arg(m_settings.port)
                  .arg(topic({}).chopped(1)));
    // At QoS 0: the session is clean, so a higher one would keep nothing for later, and would
    // have the acknowledgement sent before the frame.
    const QByteArray commands = topic(QStringLiteral("+/command")).toUtf8();
    mosquitto_subscribe(m_client, nullptr, commands.constData(), 0);
    publish(topic(QStringLiteral("status")), "online", true);
    publishLink(m_path->linkState());
    publishSchedule();
    if (m_settings.discovery)
        publishDiscovery();
}

// An unexpected loss shows as an error of the socket's service, which tries again.
void MqttBridge::disconnected(int)
{
    m_connected = false;
}

void MqttBridge::received(const mosquitto_message *message)
{
    // A configuration of ours the broker kept from before, for a player or scene no longer
    // there: cleared, so that Home Assistant forgets it.
    const QByteArrayView name(message->topic);
    if (name.startsWith(m_discoveryPrefix)) {
        const QString config = QString::fromUtf8(name);
        if (message->payloadlen > 0 && !m_discovered.contains(config))
            publish(config, {}, true);
        return;
    }
    // <prefix>/<line>/<player>/command, nothing else.
    const QByteArrayView command("/command");
    if (name.size() < m_commandPrefix.size() + command.size() ||
        !name.startsWith(m_commandPrefix) || !name.endsWith(command))
        return;
    const QByteArrayView level =
        name.sliced(m_commandPrefix.size(), name.size() - m_commandPrefix.size() - command.size());
    if (level.contains('/'))
        return;
    const QString player = QString::fromUtf8(level);
    const QByteArrayView payload(static_cast<const char *>(message->payload),
                                 qsizetype(message->payloadlen));
    // A player may be called "schedule": what is not for the schedule is for it.
    if (player == QLatin1String("schedule") && !message->retain && steerSchedule(payload))
        return;
    Request request =
        MqttRequests::parse(player, payload, message->retain, QDateTime::currentDateTimeUtc());
    request.source = request.client = QStringLiteral("MQTT ") + m_settings.host;
    const Reply reply = m_path->request(request);
    // Said with the states, a moment after the frames.
    m_results.append(
        {topic(player + QStringLiteral("/result")),
         QJsonDocument(ReplyJson::result(reply, m_path->model())).toJson(QJsonDocument::Compact)});
    if (m_results.size() >= MaxPendingResults)
        publishPending();
    else if (!m_stateTimer.isActive())
        m_stateTimer.start();
}

void MqttBridge::publishPending()
{
    m_stateTimer.stop();
    for (const auto &[name, payload] : std::exchange(m_results, {}))
        publish(name, payload, false);
    for (const int playerId : std::exchange(m_stateDue, {}))
        publishState(playerId);
}

void MqttBridge::follow(ScheduleRunner *schedule)
{
    m_schedule = schedule;
    connect(schedule, &ScheduleRunner::nextChanged, this, &MqttBridge::publishSchedule);
    // What became of each cue, sent or not, as a player's results say it.
    connect(m_path, &CommandPath::answered, this,
            [this](const Request &request, const Reply &reply) {
                if (request.client != QLatin1String("schedule") || !m_connected)
                    return;
                QJsonObject result = ReplyJson::result(reply, m_path->model());
                result.insert(QStringLiteral("source"), request.source);
                publish(topic(QStringLiteral("schedule/result")),
                        QJsonDocument(result).toJson(QJsonDocument::Compact), false);
            });
}

void MqttBridge::publishSchedule()
{
    if (m_schedule && m_connected)
        publish(
            topic(QStringLiteral("schedule/next")),
            QJsonDocument(ReplyJson::schedule(*m_schedule, false)).toJson(QJsonDocument::Compact),
            true);
}

bool MqttBridge::steerSchedule(QByteArrayView payload)
{
    if (!m_schedule || !m_schedule->steer(payload, QStringLiteral("MQTT ") + m_settings.host))
        return false;
    publishSchedule();
    return true;
}

void MqttBridge::publish(const QString &topic, const QByteArray &payload, bool retain, int qos)
{
    if (!m_client)
        return;
    const QByteArray name = topic.toUtf8();
    mosquitto_publish(m_client, nullptr, name.constData(), int(payload.size()), payload.constData(),
                      qos, retain);
    if (m_write)
        m_write->setEnabled(mosquitto_want_write(m_client));
}

void MqttBridge::publishLink(CommandPath::LinkState state)
{
    if (!m_connected)
        return;
    publish(topic(QStringLiteral("link")), CommandPath::linkWord(state).toUtf8(), true);
}

// The players never answer: the state says what was sent, not what plays.
void MqttBridge::publishState(int playerId)
{
    const std::optional<CommandPath::PlayerState> state = m_path->playerState(playerId);
    if (!m_connected || !state)
        return;
    QJsonObject json{{QStringLiteral("sent"), state->command},
                     {QStringLiteral("time"), ReplyJson::now()}};
    if (state->level)
        json.insert(QStringLiteral("level"), *state->level);
    // Where it is asked for: under its ID, and under its name when it has one, as its results
    // are under whichever its command came by.
    const QString name = m_path->installation().nameOf(playerId);
    if (!name.isEmpty())
        json.insert(QStringLiteral("name"), name);
    const QByteArray payload = QJsonDocument(json).toJson(QJsonDocument::Compact);
    publish(topic(QString::number(playerId) + QStringLiteral("/state")), payload, true);
    if (!name.isEmpty())
        publish(topic(name + QStringLiteral("/state")), payload, true);
}

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
    config(QStringLiteral("button"), QStringLiteral("stop_all"),
           {{QStringLiteral("name"), QStringLiteral("Stop All")},
            {QStringLiteral("command_topic"), topic(QStringLiteral("all/command"))},
            {QStringLiteral("payload_press"), QStringLiteral("stop")},
            {QStringLiteral("device"), lineDevice}});
    for (const Installation::Scene &scene : m_path->installation().scenes())
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
