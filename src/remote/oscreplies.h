#pragma once

#include "command/request.h"

#include <QByteArray>

// What an OSC message is answered: /tessary/ack <address> <what was done>, or
// /tessary/error <address> <why>.
namespace OscReplies {

QByteArray answer(const QByteArray &address, const Reply &reply);
// A packet that is none, refused whole.
QByteArray refusal(const QString &why);

} // namespace OscReplies
