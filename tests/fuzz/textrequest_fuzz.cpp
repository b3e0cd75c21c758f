// Any bytes as a line of the text protocol, read in the words of the request path for each
// model: refused with a reason, or commands each model takes as they are.

#include "model/installation.h"
#include "remote/remoterequest.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const Installation installation = Installation::parse(
        QStringLiteral("[players]\n5 narration\n[scene Opening]\nnarration play\n"));
    const QString line = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const Request request = RemoteRequests::fromText(line);
    if (!request.refused.isEmpty())
        return 0;
    for (int model = 1; model <= DeviceProfiles::ModelCount; ++model) {
        const DeviceProfile &profile = DeviceProfiles::profile(model);
        const Asked asked = RequestWords::read(
            request.words, [](const QString &player) { return installation.resolve(player); },
            profile);
        if (asked.error.isEmpty() && asked.target == Asked::Target::Player &&
            asked.commands.isEmpty())
            __builtin_trap();
        for (const PlayerCommand &command : asked.commands)
            if (!PlayerCommands::refusal(command, profile).isEmpty())
                __builtin_trap();
    }
    return 0;
}
