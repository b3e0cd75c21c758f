#pragma once

#include "command/request.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// What a message on a command topic asks: <prefix>/<line>/<player>/command, the player an ID or a
// name, or "all" (payload "stop") or "scene" (payload the scene's name). The payload is in
// tessary-send's words ("play", "folder 12", "volume -10", "mute") or the same as JSON:
// {"command": "folder", "value": 12}, with "time" (ms since the epoch, or ISO 8601) when the
// sender wants a late command refused, or "deadline" (the same) past which it is not sent, and
// "id", its own name for it, said back with the result.
namespace MqttRequests {

// A payload is a command: anything longer is refused.
inline constexpr qsizetype MaxPayload = 1024;
// A command this old when it arrives is not sent: a cue late by minutes is worse than none.
inline constexpr qint64 MaxAgeMs = 5000;
inline constexpr qsizetype MaxReference = 64;

// player: the topic's player level; retained: the broker kept it from before; now: for the age.
Request parse(const QString &player, QByteArrayView payload, bool retained, const QDateTime &now);

} // namespace MqttRequests
