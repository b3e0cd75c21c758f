// Any bytes as a TCP stream of OSC packets, in SLIP or with a size before each, fed in pieces of
// any length: never a packet over the limit, and what a stream frames reads back as it was.

#include "remote/osc.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    Osc::StreamDecoder stream;
    const qsizetype piece = size ? 1 + data[0] % 16 : 1;
    QList<QByteArray> packets;
    for (qsizetype at = 0; at < bytes.size(); at += piece) {
        if (!stream.feed(bytes.sliced(at, qMin(piece, bytes.size() - at))))
            return 0;
        while (const std::optional<QByteArray> packet = stream.next()) {
            if (packet->size() > Osc::MaxPacket)
                __builtin_trap();
            packets << *packet;
        }
    }
    // The same stream's framing of each packet gives it back.
    for (const QByteArray &packet : packets) {
        Osc::StreamDecoder again;
        if (!again.feed(stream.frame(packet)))
            __builtin_trap();
        const std::optional<QByteArray> read = again.next();
        if (read != packet)
            __builtin_trap();
    }
    return 0;
}
