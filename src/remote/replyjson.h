#pragma once

#include "command/request.h"

#include <QJsonObject>

// What became of a request, as the broker's results and the HTTP API say it: the time, the
// command in words, the frames, the outcome ("sent", "started" for a scene, "nothing to do",
// "refused", "not sent") and, when it was not sent, the reason.
namespace ReplyJson {

QJsonObject result(const Reply &reply, int model);
// Now, as every JSON of the program gives the time.
QString now();

} // namespace ReplyJson
