#pragma once

#include "command/request.h"

class CommandPath;
class ScheduleRunner;
#include <QJsonObject>

// What became of a request, as the broker's results and the HTTP API say it: the time, the
// command in words, the frames, the outcome ("sent", "started" for a scene, "nothing to do",
// "refused", "not sent") and, when it was not sent, the reason.
namespace ReplyJson {

QJsonObject result(const Reply &reply, int model);
// The schedule as the broker and the page show it: the next cue (null when none), whether today
// is held and, with today, each of today's cues and whether it is behind us.
QJsonObject schedule(const ScheduleRunner &runner, bool withToday);
// What a page needs to draw the room: the model with its folders and its lowest level, the
// players (with what was last sent to each, and its level, when withStates), the scenes, and the
// schedule with today's cues (null when there is none).
QJsonObject room(const CommandPath &path, const ScheduleRunner *schedule, bool withStates);
// Now, as every JSON of the program gives the time.
QString now();

} // namespace ReplyJson
