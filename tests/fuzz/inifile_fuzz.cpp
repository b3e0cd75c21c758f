// Any bytes as a configuration file: read without a crash, every fault said with its line, and
// every value read as what it stands for or as a fault.

#include "storage/inifile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const IniFile::Schema schema{
        {QStringLiteral("line"), {QStringLiteral("port"), QStringLiteral("baud")}},
        {QStringLiteral("remote"), {QStringLiteral("enabled"), QStringLiteral("allowed")}}};
    IniFile file =
        IniFile::parse(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), schema);
    file.flag(QStringLiteral("remote"), QStringLiteral("enabled"), false);
    const uint baud = file.number(QStringLiteral("line"), QStringLiteral("baud"), 1, 115200, 9600);
    file.list(QStringLiteral("remote"), QStringLiteral("allowed"));
    if (baud < 1 || baud > 115200)
        __builtin_trap();
    for (const QString &error : file.errors())
        if (!error.startsWith(QLatin1String("line ")))
            __builtin_trap();
    return 0;
}
