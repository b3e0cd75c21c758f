#pragma once

#include "installation.h"
#include "osc.h"
#include "playercommand.h"

#include <QList>
#include <QString>

// What a show controller asks, read from an OSC message or a line of text.
//   OSC: /tessary/<id>/play, /stop, /next, /previous and /mute (no argument, or a number: not 0
//        fires, 0 does nothing, as a button's release), /tessary/<id>/folder <int>,
//        /tessary/<id>/volume <int or float dB>, /tessary/scene/<name>, /tessary/all/stop
//   text: "<id> <commands in tessary-send's words>", "scene <name>", "all stop", or PING
// A player's name stands for its ID.
struct RemoteRequest
{
    enum class Kind { Commands, Nothing, Ping, Refused, Scene, StopAll };

    Kind kind = Kind::Refused;
    QList<PlayerCommand> commands;
    QString error; // why it was refused
    QString scene{};
};

namespace RemoteRequests {

// A line is a few commands: anything longer is refused.
inline constexpr qsizetype MaxLine = 1024;

RemoteRequest fromOsc(const Osc::Message &message, const DeviceProfile &profile,
                      const Installation &installation = {});
RemoteRequest fromText(QStringView line, const DeviceProfile &profile,
                       const Installation &installation = {});

} // namespace RemoteRequests
