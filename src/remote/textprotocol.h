#pragma once

#include "command/commandpath.h"

#include <QByteArray>
#include <QStringView>

namespace TextProtocol {

// One line of a client's, as the request path takes it, charged to the client's budget: what
// it is answered ("PONG" to "PING"; nothing to a line with nothing).
QByteArray serve(CommandPath &path, QStringView line, const QString &source, const QString &client);

} // namespace TextProtocol
