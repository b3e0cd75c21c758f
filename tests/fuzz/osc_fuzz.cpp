// Any bytes as an OSC packet: a packet is refused with a reason or read whole, and a message read
// from one is written back as a packet that reads as the same message.

#include "remote/osc.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const Osc::Parsed parsed = Osc::parse(QByteArrayView(data, qsizetype(size)));
    if (!parsed.error.isEmpty() && !parsed.messages.isEmpty()) // an empty bundle is a packet
        __builtin_trap();
    for (const Osc::Message &message : parsed.messages) {
        // Replies carry no nil or boolean arguments; the rest come back as they were.
        Osc::Message plain{message.address, {}};
        for (const QVariant &argument : message.arguments)
            if (argument.typeId() == QMetaType::Int || argument.typeId() == QMetaType::QString)
                plain.arguments << argument;
        const Osc::Parsed again = Osc::parse(Osc::encode(plain));
        if (again.messages.size() != 1 || again.messages.first().address != plain.address ||
            again.messages.first().arguments != plain.arguments)
            __builtin_trap();
    }
    return 0;
}
