#include "remote/mqttbridge.h"

#include "command/schedulerunner.h"
#include "remote/mqttrequest.h"
#include "remote/replyjson.h"
#include "remote/venue.h"

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
    // Home Assistant sees the players and scenes there are now, and forgets the others; the
    // building, the room as it is now.
    connect(path, &CommandPath::installationChanged, this, [this] {
        if (m_connected && m_settings.discovery)
            publishDiscovery();
        publishRoom();
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

void MqttBridge::setVenue(Venue *venue)
{
    if (m_venue)
        disconnect(m_venue, nullptr, this, nullptr);
    m_venue = venue;
    // A press at QoS 0: one whose acknowledgement was lost with the connection would otherwise
    // go again once joined, within its deadline, and the room would run it twice. One lost with
    // the connection is answered as not sent.
    if (venue)
        connect(venue, &Venue::publishing, this,
                [this](const QString &rest, const QByteArray &payload) {
                    publish(QString::fromUtf8(m_buildingPrefix) + rest, payload, false, 0);
                });
}

bool MqttBridge::start(const MqttSettings &settings, QString *why)
{
    // The room under another name, or none: the old one is taken away.
    stop(m_ownLine && (!settings.enabled || settings.host.isEmpty() ||
                       settings.prefix + u'/' + settings.lineName() + u'/' != m_topicPrefix ||
                       settings.host != m_settings.host || settings.port != m_settings.port));
    if (!settings.enabled || settings.host.isEmpty())
        return true;
    if (const QString refused = settings.refusal(); !refused.isEmpty()) {
        *why = refused;
        return false;
    }
    m_settings = settings;
    m_topicPrefix = settings.prefix + u'/' + settings.lineName() + u'/';
    m_commandPrefix = m_topicPrefix.toUtf8();
    m_buildingStop = (settings.prefix + QStringLiteral("/all/command")).toUtf8();
    m_buildingPrefix = (settings.prefix + u'/').toUtf8();
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

void MqttBridge::stop(bool takenAway)
{
    if (!m_client)
        return;
    if (m_venue)
        m_venue->setJoined(false);
    // Leaving on purpose: the states still due go out, the broker is told, and the state says so.
    if (m_connected) {
        publishPending();
        // Each player's state too, as an earlier run may have left it.
        for (const Installation::Player &player : m_path->installation().players())
            for (const QString &level : {QString::number(player.id), player.name})
                if (takenAway && !level.isEmpty())
                    m_retained << topic(QString(level).replace(u' ', u'_') +
                                        QStringLiteral("/state"));
        if (takenAway)
            for (const QString &retained : std::exchange(m_retained, {}))
                publish(retained, {}, true, 0); // at once, before the goodbye
        else
            publish(topic(QStringLiteral("status")), "offline", true);
        mosquitto_disconnect(m_client);
        // Everything queued, the goodbye last; a broker that takes no more is left as it is.
        for (int round = 0; round < 100 && mosquitto_want_write(m_client); ++round)
            if (mosquitto_loop_write(m_client, 1) != MOSQ_ERR_SUCCESS)
                break;
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
    if (m_venue)
        m_venue->setJoined(false);
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
    emit note((m_ownLine ? tr("MQTT: joined %1:%2 as %3")
                         : tr("MQTT: joined %1:%2 for the building under %3"))
                  .arg(m_settings.host)
                  .arg(m_settings.port)
                  .arg(m_ownLine ? topic({}).chopped(1) : m_settings.prefix));
    if (m_venue) {
        // Every room as it tells the building; results for the venue's presses.
        for (const char *rest :
             {"+/room", "+/status", "+/link", "+/schedule/next", "+/+/state", "+/+/result"}) {
            const QByteArray pattern = m_buildingPrefix + rest;
            mosquitto_subscribe(m_client, nullptr, pattern.constData(), 1);
        }
        m_venue->setJoined(true);
    }
    // At QoS 0: the session is clean, so a higher one would keep nothing for later, and would
    // have the acknowledgement sent before the frame. With no line, only the building's scenes.
    const QByteArray commands =
        topic(m_ownLine ? QStringLiteral("+/command") : QStringLiteral("scene/command")).toUtf8();
    mosquitto_subscribe(m_client, nullptr, commands.constData(), 0);
    publish(topic(QStringLiteral("status")), "online", true);
    if (!m_ownLine) {
        if (m_settings.discovery)
            publishDiscovery();
        return;
    }
    mosquitto_subscribe(m_client, nullptr, m_buildingStop.constData(), 0);
    m_linkSaid.clear();
    publishLink(m_path->linkState());
    m_scheduleSaid.clear();
    publishSchedule();
    m_roomSaid.clear();
    publishRoom();
    if (m_settings.discovery)
        publishDiscovery();
}

// An unexpected loss shows as an error of the socket's service, which tries again.
void MqttBridge::disconnected(int)
{
    m_connected = false;
}

void MqttBridge::publish(const QString &topic, const QByteArray &payload, bool retain, int qos)
{
    if (!m_client)
        return;
    const QByteArray name = topic.toUtf8();
    if (retain && !payload.isEmpty() && topic.startsWith(m_topicPrefix))
        m_retained.insert(topic);
    mosquitto_publish(m_client, nullptr, name.constData(), int(payload.size()), payload.constData(),
                      qos, retain);
    if (m_write)
        m_write->setEnabled(mosquitto_want_write(m_client));
}
