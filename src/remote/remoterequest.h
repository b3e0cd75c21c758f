#pragma once

#include "osc.h"
#include "playercommand.h"

#include <QList>
#include <QString>

// What a show controller asks, read from an OSC message or a line of text.
//   OSC: /tessary/<id>/play, /stop, /next, /previous and /mute (no argument, or a number: not 0
//        fires, 0 does nothing, as a button's release), /tessary/<id>/folder <int>,
//        /tessary/<id>/volume <int or float dB>
//   text: "<id> <commands in tessary-send's words>", or PING
struct RemoteRequest
{
    enum class Kind { Commands, Nothing, Ping, Refused };

    Kind kind = Kind::Refused;
    QList<PlayerCommand> commands;
    QString error; // why it was refused
};

namespace RemoteRequests {

// A line is a few commands: anything longer is refused.
inline constexpr qsizetype MaxLine = 1024;

RemoteRequest fromOsc(const Osc::Message &message, const DeviceProfile &profile);
RemoteRequest fromText(QStringView line, const DeviceProfile &profile);

} // namespace RemoteRequests
