// Any words as commands for tessary-send: reading them never crashes, hangs or reads out of
// bounds, and every frame it makes of them is one the window can send: to the player asked
// for, with a known command, a folder and a level the model has.

#include "sendcommands.h"

#include <QRegularExpression>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const int id = input.ConsumeIntegralInRange(0, 127);
    const DeviceProfile &profile = DeviceProfiles::profile(input.ConsumeIntegralInRange(1, 3));
    const std::string text = input.ConsumeRemainingBytesAsString();
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QStringList words =
        QString::fromUtf8(text.data(), qsizetype(text.size())).split(blanks, Qt::SkipEmptyParts);
    for (const SendCommands::Command &command : SendCommands::parse(words, id, profile).commands) {
        const auto &bytes = command.frame.bytes;
        const int folder = (bytes[1] >> 4) * 128 + bytes[2];
        const bool known = bytes[1] == 0x02 ? bytes[2] >= 1 && bytes[2] <= 4
                           : bytes[1] == 0x03
                               ? bytes[2] <= -profile.volumeMinimum
                               : (bytes[1] & 0x0f) == 1 && folder < profile.folderCount;
        if (bytes[0] != 0x80 + id || bytes[3] != 0 || !known)
            std::abort();
    }
    return 0;
}
