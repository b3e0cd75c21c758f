#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The service that holds a port, reached through its local socket: a line of the text protocol
// at a time, and its answer.
namespace ServiceLink {

// How long the service may take to answer.
constexpr int ReplyMs = 5000;

// The socket of the service that holds the port; -1 when none is there to be reached.
int reach(const QString &port);
// A request, and the service's answer to it: a line, or those before a last "OK" or "ERR"
// line with it; empty when it did not answer.
QByteArray ask(int service, const QString &request);

} // namespace ServiceLink
