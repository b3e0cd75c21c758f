// Any bytes as the payload of a command topic, words or JSON, retained or not: refused with a
// reason, late when retained, or words the request path reads into commands the model takes.

#include "model/installation.h"
#include "remote/mqttrequest.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const Installation installation = Installation::parse(
        QStringLiteral("[players]\n5 narration\n[scene Opening]\nnarration play\n"));
    const QByteArrayView payload(data, qsizetype(size));
    const QDateTime now = QDateTime::fromMSecsSinceEpoch(1800000000000, Qt::UTC);
    const DeviceProfile &profile = DeviceProfiles::profile(1);
    for (const char *player : {"5", "narration", "all", "scene"}) {
        for (const bool retained : {false, true}) {
            const Request request =
                MqttRequests::parse(QLatin1String(player), payload, retained, now);
            if (request.refused.isEmpty() && retained && request.late.isEmpty())
                __builtin_trap();
            const Asked asked = RequestWords::read(
                request.words, [](const QString &name) { return installation.resolve(name); },
                profile);
            for (const PlayerCommand &command : asked.commands)
                if (!PlayerCommands::refusal(command, profile).isEmpty())
                    __builtin_trap();
        }
    }
    return 0;
}
