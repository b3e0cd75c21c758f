// Any bytes as the settings file's text: reading never crashes, hangs or reads out of bounds.
// The same bytes also make six values; the file written from them reads back as those values.

#include "process/constants.h"
#include "storage/configfile.h"

#include <cstdint>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<Configuration> parsed = ConfigFile::parse(QString::fromUtf8(bytes));
    if (parsed)
        (void)ConfigFile::matchListItem({ModelName1, ModelName2, ModelName3}, parsed->device);

    FuzzedDataProvider input(data, size);
    const auto take = [&input] {
        const std::string value = input.ConsumeRandomLengthString(512);
        return QString::fromUtf8(value.data(), qsizetype(value.size()));
    };
    Configuration written;
    written.autoConnect = input.ConsumeBool();
    written.language =
        input.PickValueInArray({Configuration::Language::Default, Configuration::Language::English,
                                Configuration::Language::French});
    written.device = take();
    written.serialPort = take();
    written.baudrate = take();
    written.playerId = take();
    // Through UTF-8, as the file goes to and from the disk.
    const QByteArray file =
        ConfigFile::format(written, QStringLiteral("Tessary"), QStringLiteral("1.0.0")).toUtf8();
    const std::optional<Configuration> read = ConfigFile::parse(QString::fromUtf8(file));
    // A value is written on one line.
    const auto kept = [](QString value) {
        return value.replace(u'\r', u' ').replace(u'\n', u' ');
    };
    if (!read || read->device != kept(written.device) ||
        read->serialPort != kept(written.serialPort) || read->baudrate != kept(written.baudrate) ||
        read->playerId != kept(written.playerId) || read->autoConnect != written.autoConnect ||
        read->language != written.language)
        std::abort();
    return 0;
}
