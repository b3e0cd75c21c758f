#include "remote/oscreplies.h"

#include "remote/osc.h"

namespace OscReplies {

namespace {

QByteArray encode(const QByteArray &address, bool ok, const QString &text)
{
    return Osc::encode(
        {ok ? "/tessary/ack" : "/tessary/error", {QString::fromUtf8(address), text}});
}

} // namespace

QByteArray answer(const QByteArray &address, const Reply &reply)
{
    if (!reply.reasonSaid().isEmpty())
        return encode(address, false, reply.reasonSaid());
    // Stop All says how many players it reached.
    return encode(address, true,
                  reply.sent() && reply.asked.target == Asked::Target::AllPlayers
                      ? QStringLiteral("%1 frames sent").arg(reply.frames.size())
                      : reply.outcomeWord());
}

QByteArray refusal(const QString &why)
{
    return encode("/", false, why);
}

} // namespace OscReplies
