#pragma once

#include "command/request.h"

#include <QByteArray>
#include <optional>

// The text protocol's answers, written and read in one place: "OK", "ERR 64 <why refused>",
// "ERR 74 not sent: <why>". The service writes them; tessary-send reads them.
namespace TextAnswers {

// The answer to a request, with its line end.
QByteArray answer(const Reply &reply);
// An answer as it came back, read into the reply it says (nothing for one that is none).
std::optional<Reply> read(QByteArrayView answer);

} // namespace TextAnswers
