#pragma once

#include "command/commandpath.h"

#include <QByteArray>
#include <QStringView>
#include <optional>

// The text protocol's answers, written and read in one place: "OK", "ERR 64 <why refused>",
// "ERR 74 not sent: <why>", "PONG".
namespace TextProtocol {

// The answer to a request, with its line end.
QByteArray answer(const Reply &reply);
// An answer as it came back, read into the reply it says (nothing for one that is none).
std::optional<Reply> read(QByteArrayView answer);
// One line of a client's, as the request path takes it, charged to the client's budget: what
// it is answered ("PONG" to "PING"; nothing to a line with nothing).
QByteArray serve(CommandPath &path, QStringView line, const QString &source, const QString &client);

} // namespace TextProtocol
