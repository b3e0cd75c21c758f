#pragma once

#include "command/request.h"
#include "remote/osc.h"

#include <QString>

// What a show controller asks, read from an OSC message or a line of text, for the request path.
//   OSC: /tessary/<player>/play, /stop, /next, /previous and /mute (no argument, or a number: not
//        0 fires, 0 does nothing, as a button's release), /tessary/<player>/folder <int>,
//        /tessary/<player>/volume <int or float dB>, /tessary/scene/<name> and
//        /tessary/all/stop (a release does nothing there too); the player an ID or a name
//   text: "<player> <commands in tessary-send's words>", "scene <name>", "all stop", or PING
// Words are told apart without regard to case.
namespace RemoteRequests {

// A line is a few commands: anything longer is refused.
inline constexpr qsizetype MaxLine = 1024;

// The request an OSC message stands for, in words; refused when its address or its argument
// cannot be read.
Request fromOsc(const Osc::Message &message);
// A line's request; its words as they stand.
Request fromText(QStringView line);

} // namespace RemoteRequests
