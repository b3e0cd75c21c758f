// Any text as an installation file: what it holds is read, and its schedule worked out, without
// a crash; a save with nothing changed writes it back as it was, whatever could not be used, and
// what it writes reads back the same.

#include "model/installation.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text =
        Installation::text(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    const Installation installation = Installation::parse(text);
    // Its schedule, across the nights the clocks change in Europe, in whatever zone it names.
    installation.schedule().between(QDateTime(QDate(2026, 3, 27), QTime(0, 0), Qt::UTC),
                                    QDateTime(QDate(2026, 3, 31), QTime(0, 0), Qt::UTC));
    const QByteArray saved = installation.bytes();
    if (Installation::parse(Installation::text(saved)).bytes() != saved)
        __builtin_trap();
    // A file of no line at all is written as a new one; one of mixed line ends with the ends
    // of its first line.
    const bool uniform =
        !text.contains(u'\r') || (text.count(QLatin1String("\r\n")) == text.count(u'\n') &&
                                  text.count(u'\r') == text.count(u'\n'));
    if (uniform && !text.isEmpty() && text != QChar(0xFEFF) && Installation::text(saved) != text)
        __builtin_trap();
    return 0;
}
