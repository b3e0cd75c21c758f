// Any bytes as a line of the text protocol, for each model: refused with a reason, or commands
// each model takes as they are.

#include "remoterequest.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString line = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    for (int model = 1; model <= DeviceProfiles::ModelCount; ++model) {
        const DeviceProfile &profile = DeviceProfiles::profile(model);
        const RemoteRequest request = RemoteRequests::fromText(line, profile);
        if ((request.kind == RemoteRequest::Kind::Refused) == request.error.isEmpty())
            __builtin_trap();
        for (const PlayerCommand &command : request.commands)
            if (!PlayerCommands::refusal(command, profile).isEmpty())
                __builtin_trap();
    }
    return 0;
}
