// Any bytes as the settings file's text: reading never crashes, hangs or reads out of bounds.
// The same bytes also make six values; the file written from them reads back as those values.

#include "configfile.h"
#include "constants.h"

#include <cstdint>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

QString takeValue(FuzzedDataProvider &input)
{
    const std::string bytes = input.ConsumeRandomLengthString(512);
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

// What the file keeps of a value: it is written on one line.
QString asKept(QString value)
{
    return value.replace(u'\r', u' ').replace(u'\n', u' ');
}

bool readsBackAsWritten(const Configuration &written, const Configuration &read)
{
    return read.device == asKept(written.device) && read.serialPort == asKept(written.serialPort) &&
           read.baudrate == asKept(written.baudrate) && read.autoConnect == written.autoConnect &&
           read.language == written.language && read.playerId == asKept(written.playerId);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<Configuration> parsed = ConfigFile::parse(QString::fromUtf8(bytes));
    if (parsed)
        (void)ConfigFile::matchListItem({ModelName1, ModelName2, ModelName3}, parsed->device);

    FuzzedDataProvider input(data, size);
    Configuration written;
    written.autoConnect = input.ConsumeBool();
    written.language =
        input.PickValueInArray({Configuration::Language::Default, Configuration::Language::English,
                                Configuration::Language::French});
    written.device = takeValue(input);
    written.serialPort = takeValue(input);
    written.baudrate = takeValue(input);
    written.playerId = takeValue(input);
    // Through UTF-8, as the file goes to and from the disk.
    const QByteArray file =
        ConfigFile::format(written, QStringLiteral("Tessary"), QStringLiteral("1.0.0")).toUtf8();
    const std::optional<Configuration> read = ConfigFile::parse(QString::fromUtf8(file));
    if (!read || !readsBackAsWritten(written, *read))
        std::abort();
    return 0;
}
