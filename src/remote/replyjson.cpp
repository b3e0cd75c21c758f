#include "remote/replyjson.h"

#include "command/commandpath.h"
#include "command/schedulerunner.h"
#include "model/deviceprofile.h"
#include "model/playercommand.h"

#include <QDateTime>
#include <QJsonArray>
#include <QStringList>

namespace ReplyJson {

QString now()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

QJsonObject result(const Reply &reply, int model)
{
    QJsonObject result{{QStringLiteral("time"), now()}};
    const DeviceProfile &profile = DeviceProfiles::profile(model);
    switch (reply.asked.error.isEmpty() ? reply.asked.target : Asked::Target::Player) {
    case Asked::Target::Scene:
        result.insert(QStringLiteral("command"), QStringLiteral("scene ") + reply.asked.scene);
        break;
    case Asked::Target::AllPlayers:
        result.insert(QStringLiteral("command"), QStringLiteral("stop all"));
        result.insert(QStringLiteral("frames"), reply.frames.size());
        break;
    case Asked::Target::Player: {
        QStringList words, frames;
        for (const PlayerCommand &command : reply.asked.commands)
            words << PlayerCommands::words(command, profile);
        for (const CommandFrame &frame : reply.frames)
            frames << QString::fromLatin1(frame.toByteArray().toHex(' '));
        if (!words.isEmpty())
            result.insert(QStringLiteral("command"), words.join(u' '));
        if (reply.asked.error.isEmpty())
            result.insert(QStringLiteral("player"), reply.asked.playerId);
        if (!frames.isEmpty())
            result.insert(QStringLiteral("frame"), frames.join(u' '));
        break;
    }
    }
    result.insert(QStringLiteral("outcome"), reply.outcomeWord());
    if (const QString reason = reply.reasonSaid(); !reason.isEmpty())
        result.insert(QStringLiteral("reason"), reason);
    return result;
}

QJsonObject room(const CommandPath &path, const ScheduleRunner *schedule, bool withStates)
{
    const Installation &installation = path.installation();
    const DeviceProfile &profile = DeviceProfiles::profile(path.model());
    QJsonArray players;
    for (const Installation::Player &player : installation.players()) {
        QJsonObject entry{{QStringLiteral("id"), player.id}, {QStringLiteral("name"), player.name}};
        if (const auto state = path.playerState(player.id); state && withStates) {
            entry.insert(QStringLiteral("command"), state->command);
            if (state->level)
                entry.insert(QStringLiteral("level"), *state->level);
        }
        players.append(entry);
    }
    QJsonArray scenes;
    for (const Installation::Scene &scene : installation.scenes())
        if (!scene.forRooms()) // the building's run from the venue
            scenes.append(scene.name);
    const bool scheduled =
        schedule && (!schedule->schedule().isEmpty() || schedule->schedule().leftOut());
    return {{QStringLiteral("model"), DeviceProfiles::modelNames().value(path.model() - 1)},
            {QStringLiteral("folders"), profile.folderCount},
            {QStringLiteral("volumeMinimum"), profile.volumeMinimum},
            {QStringLiteral("players"), players},
            {QStringLiteral("scenes"), scenes},
            {QStringLiteral("schedule"),
             scheduled ? QJsonValue(ReplyJson::schedule(*schedule, true)) : QJsonValue()}};
}

} // namespace ReplyJson

QJsonObject ReplyJson::schedule(const ScheduleRunner &runner, bool withToday)
{
    const Schedule &schedule = runner.schedule();
    const auto cue = [&schedule](const Schedule::Due &due) {
        return QJsonObject{{QStringLiteral("cue"), schedule.cues().value(due.cue).words},
                           {QStringLiteral("label"), due.label()},
                           {QStringLiteral("at"), due.at.toString(Qt::ISODateWithMs)}};
    };
    const std::optional<Schedule::Due> next = runner.next();
    QJsonObject json{
        {QStringLiteral("next"), next ? QJsonValue(cue(*next)) : QJsonValue()},
        {QStringLiteral("held"), runner.heldToday()},
        {QStringLiteral("skipping"), runner.skipping()},
        {QStringLiteral("leftOut"), schedule.leftOut()},
        {QStringLiteral("closedToday"),
         schedule.closedOn(QDateTime::currentDateTimeUtc().toTimeZone(schedule.zone()).date())}};
    if (withToday) {
        QJsonArray today;
        for (const auto &[due, past] : runner.today()) {
            QJsonObject entry = cue(due);
            entry.insert(QStringLiteral("past"), past);
            entry.insert(QStringLiteral("skipped"), runner.isSkipped(due));
            today.append(entry);
        }
        json.insert(QStringLiteral("today"), today);
    }
    return json;
}
