// Any bytes as what a client sends the page's server, cut anywhere: the verdict and the count
// of requests do not depend on how the bytes were cut, a head is never held beyond its limit,
// and a stream said to be fine never holds more than one request's head and body unread.

#include "web/httpstream.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    // The first byte says where to cut the rest.
    const std::size_t step = data[0] % 17 + 1;
    const QByteArrayView bytes(data + 1, qsizetype(size - 1));
    HttpStream whole, cut;
    whole.feed(bytes);
    for (qsizetype at = 0; at < bytes.size(); at += qsizetype(step))
        cut.feed(bytes.sliced(at, qMin<qsizetype>(qsizetype(step), bytes.size() - at)));
    if (whole.verdict() != cut.verdict() || whole.requests() != cut.requests() ||
        whole.upgraded() != cut.upgraded() || whole.midRequest() != cut.midRequest() ||
        whole.closesAfter() != cut.closesAfter())
        __builtin_trap();
    return 0;
}
