// Any bytes as the payload of a command topic, words or JSON, retained or not: refused with a
// reason, or commands the model takes as they are.

#include "mqttrequest.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const Installation installation = Installation::parse(
        QStringLiteral("[players]\n5 narration\n[scene Opening]\nnarration play\n"));
    const QByteArrayView payload(data, qsizetype(size));
    const QDateTime now = QDateTime::fromMSecsSinceEpoch(1800000000000, Qt::UTC);
    for (const char *player : {"5", "narration", "all", "scene"}) {
        for (const bool retained : {false, true}) {
            const DeviceProfile &profile = DeviceProfiles::profile(1);
            const RemoteRequest request = MqttRequests::parse(QLatin1String(player), payload,
                                                              retained, now, profile, installation);
            if ((request.kind == RemoteRequest::Kind::Refused) == request.error.isEmpty() ||
                (retained && request.kind != RemoteRequest::Kind::Refused))
                __builtin_trap();
            for (const PlayerCommand &command : request.commands)
                if (!PlayerCommands::refusal(command, profile).isEmpty())
                    __builtin_trap();
        }
    }
    return 0;
}
