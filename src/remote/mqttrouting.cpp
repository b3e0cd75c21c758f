#include "command/schedulerunner.h"
#include "remote/mqttbridge.h"
#include "remote/mqttrequest.h"
#include "remote/replyjson.h"
#include "remote/venue.h"
#include "serial/lineholder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <mosquitto.h>

namespace {

// Results waiting for the moment states are published; a flood of them goes at once.
constexpr qsizetype MaxPendingResults = 64;

} // namespace

// Commands in, results, states and the schedule out.

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
    // <prefix>/<line>/<player>/command, nothing else; or the building's Stop All, taken as this
    // line's own, by its own rules, and answered on its own result topic.
    const QByteArrayView command("/command");
    const QByteArrayView payload(static_cast<const char *>(message->payload),
                                 qsizetype(message->payloadlen));
    // A scene of the building (a button of Home Assistant's, say): the venue runs it, and its
    // result is said where a line's scene's would be.
    if (m_venue && !message->retain && name == topic(QStringLiteral("scene/command")).toUtf8() &&
        m_venue->hasScene(QString::fromUtf8(payload).trimmed())) {
        m_venue->runScene(
            QString::fromUtf8(payload).trimmed(), [this](const Venue::Answer &answer) {
                publish(topic(QStringLiteral("scene/result")),
                        QJsonDocument(answer.result).toJson(QJsonDocument::Compact), false);
            });
        return;
    }
    const bool building = m_ownLine && name == QByteArrayView(m_buildingStop);
    if (!building && (!m_ownLine || name.size() < m_commandPrefix.size() + command.size() ||
                      !name.startsWith(m_commandPrefix) || !name.endsWith(command))) {
        // What the building's rooms say, for the venue.
        if (m_venue && name.startsWith(m_buildingPrefix) && !name.endsWith(command))
            m_venue->take(QString::fromUtf8(name.sliced(m_buildingPrefix.size())), payload);
        return;
    }
    const QByteArrayView level =
        building ? QByteArrayView("all")
                 : name.sliced(m_commandPrefix.size(),
                               name.size() - m_commandPrefix.size() - command.size());
    if (level.contains('/'))
        return;
    const QString player = QString::fromUtf8(level);
    // A player may be called "schedule": what is not for the schedule is for it.
    if (player == QLatin1String("schedule") && !message->retain && steerSchedule(payload))
        return;
    Request request =
        MqttRequests::parse(player, payload, message->retain, QDateTime::currentDateTimeUtc());
    request.origin = Request::Origin::Client;
    request.source = request.client = QStringLiteral("MQTT ") + m_settings.host;
    const Reply reply = m_path->request(request);
    QJsonObject result = ReplyJson::result(reply, m_path->model());
    if (!request.reference.isEmpty())
        result.insert(QStringLiteral("id"), request.reference);
    // Said with the states, a moment after the frames.
    m_results.append({topic(player + QStringLiteral("/result")),
                      QJsonDocument(result).toJson(QJsonDocument::Compact)});
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
    connect(schedule, &ScheduleRunner::nextChanged, this, &MqttBridge::publishRoom);
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

// Once for each change: the runner's first look at start says what the connection said.
void MqttBridge::publishSchedule()
{
    if (!m_schedule || !m_connected || !m_ownLine)
        return;
    const QByteArray next =
        QJsonDocument(ReplyJson::schedule(*m_schedule, false)).toJson(QJsonDocument::Compact);
    if (std::exchange(m_scheduleSaid, next) != next)
        publish(topic(QStringLiteral("schedule/next")), next, true);
}

// What any client needs to draw this room without reading its files, retained: with its status
// (the last will), its link and each player's state, the room whole.
void MqttBridge::publishRoom()
{
    if (!m_connected || !m_ownLine)
        return;
    const QByteArray room =
        QJsonDocument(ReplyJson::room(*m_path, m_schedule, false)).toJson(QJsonDocument::Compact);
    if (std::exchange(m_roomSaid, room) != room)
        publish(topic(QStringLiteral("room")), room, true);
}

bool MqttBridge::steerSchedule(QByteArrayView payload)
{
    if (!m_schedule || !m_schedule->steer(payload, QStringLiteral("MQTT ") + m_settings.host))
        return false;
    publishSchedule();
    return true;
}

void MqttBridge::follow(LineHolder *holder)
{
    m_holder = holder;
    const auto changed = [this] { publishLink(m_path->linkState()); };
    connect(holder, &LineHolder::refused, this, changed);
    connect(holder, &LineHolder::lost, this, changed);
}

void MqttBridge::publishLink(CommandPath::LinkState state)
{
    if (!m_connected || !m_ownLine)
        return;
    const QByteArray word =
        state == CommandPath::LinkState::Closed && m_holder && m_holder->isWaiting()
            ? QByteArray("waiting")
            : CommandPath::linkWord(state).toUtf8();
    if (std::exchange(m_linkSaid, word) != word)
        publish(topic(QStringLiteral("link")), word, true);
}

// The players never answer: the state says what was sent, not what plays.
void MqttBridge::publishState(int playerId)
{
    const std::optional<CommandPath::PlayerState> state = m_path->playerState(playerId);
    if (!m_connected || !state)
        return;
    QJsonObject json{{QStringLiteral("sent"), state->command},
                     {QStringLiteral("time"), ReplyJson::now()}};
    // Always there, null until a volume is sent, for a template that reads it.
    json.insert(QStringLiteral("level"), state->level ? QJsonValue(*state->level) : QJsonValue());
    // Where it is asked for: under its ID, and under its name when it has one, as its results
    // are under whichever its command came by.
    const QString name = m_path->installation().nameOf(playerId);
    if (!name.isEmpty())
        json.insert(QStringLiteral("name"), name);
    const QByteArray payload = QJsonDocument(json).toJson(QJsonDocument::Compact);
    publish(topic(QString::number(playerId) + QStringLiteral("/state")), payload, true);
    if (!name.isEmpty())
        publish(topic(QString(name).replace(u' ', u'_') + QStringLiteral("/state")), payload,
                true); // a blank written _, as the name is in a command
}
