#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

// Open Sound Control 1.0, as show controllers send it: messages with int32, float32, string,
// true, false and nil arguments, and bundles of them (their time tags are not looked at).
namespace Osc {

// A packet is at most this large, whatever carries it.
inline constexpr qsizetype MaxPacket = 64 * 1024;

struct Message
{
    QByteArray address;
    // int (i), float (f), QString (s), bool (T, F), and a null QVariant (N).
    QVariantList arguments;
};

struct Parsed
{
    QList<Message> messages; // in the order they came, bundles unpacked
    QString error;           // why the packet was refused; nothing was taken from it then
};

// Reads one packet; anything that does not follow OSC 1.0 is refused whole, with a reason.
Parsed parse(QByteArrayView packet);

// A message with int, float and string arguments, for replies.
QByteArray encode(const Message &message);
// Packets in one bundle, to be acted on at once.
QByteArray bundle(const QList<QByteArray> &packets);

// A TCP stream of packets: framed with SLIP (OSC 1.1) or with a 32-bit size before each (OSC 1.0),
// told apart by the stream's first byte.
class StreamDecoder
{
public:
    // Takes what arrived. False when the stream cannot be one of packets (a packet larger than
    // MaxPacket): the connection is to be closed then.
    bool feed(QByteArrayView bytes);
    // The next packet complete, if one is.
    std::optional<QByteArray> next();
    // Part of a packet has come, and not the rest.
    bool waiting() const { return !m_buffer.isEmpty(); }
    // A packet framed as this stream frames them.
    QByteArray frame(const QByteArray &packet) const;

private:
    enum class Framing { Unknown, Slip, Size };
    Framing m_framing = Framing::Unknown;
    QByteArray m_buffer;
    QList<QByteArray> m_ready;
    bool m_escaped = false;
};

} // namespace Osc
