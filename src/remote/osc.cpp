#include "remote/osc.h"

#include <QtEndian>
#include <cstring>

namespace Osc {

namespace {

constexpr int MaxBundleDepth = 8;
constexpr qsizetype MaxMessages = 64;
constexpr char SlipEnd = char(0xc0);
constexpr char SlipEscape = char(0xdb);
constexpr char SlipEscapedEnd = char(0xdc);
constexpr char SlipEscapedEscape = char(0xdd);

qsizetype padded(qsizetype size)
{
    return (size + 3) & ~qsizetype(3);
}

// Reads the parts of one packet, refusing what lies outside it.
class Reader
{
public:
    explicit Reader(QByteArrayView data) : m_data(data) {}

    bool atEnd() const { return m_at == m_data.size(); }
    qsizetype left() const { return m_data.size() - m_at; }

    // A string ends with a zero and is padded with zeros to a multiple of four bytes.
    std::optional<QByteArray> string()
    {
        const qsizetype end = m_data.indexOf('\0', m_at);
        if (end < 0 || padded(end + 1) > m_data.size())
            return std::nullopt;
        const QByteArray text = m_data.sliced(m_at, end - m_at).toByteArray();
        m_at = padded(end + 1);
        return text;
    }
    std::optional<quint32> word()
    {
        if (left() < 4)
            return std::nullopt;
        const quint32 value = qFromBigEndian<quint32>(m_data.constData() + m_at);
        m_at += 4;
        return value;
    }
    QByteArrayView take(qsizetype size)
    {
        const QByteArrayView part = m_data.sliced(m_at, size);
        m_at += size;
        return part;
    }

private:
    QByteArrayView m_data;
    qsizetype m_at = 0;
};

QString parseMessage(Reader &reader, QList<Message> &messages)
{
    Message message;
    const std::optional<QByteArray> address = reader.string();
    if (!address || !address->startsWith('/'))
        return QStringLiteral("no address");
    message.address = *address;
    // An old sender may leave out the type tags of a message without arguments.
    const std::optional<QByteArray> tags = reader.atEnd() ? QByteArray(",") : reader.string();
    if (!tags || !tags->startsWith(','))
        return QStringLiteral("no type tags");
    for (const char tag : tags->mid(1)) {
        switch (tag) {
        case 'i':
        case 'f': {
            const std::optional<quint32> word = reader.word();
            if (!word)
                return QStringLiteral("an argument is cut short");
            if (tag == 'i') {
                message.arguments << int(qint32(*word));
            } else {
                float value = 0;
                std::memcpy(&value, &*word, sizeof value);
                message.arguments << value;
            }
            break;
        }
        case 's': {
            const std::optional<QByteArray> text = reader.string();
            if (!text)
                return QStringLiteral("an argument is cut short");
            message.arguments << QString::fromUtf8(*text);
            break;
        }
        case 'T':
        case 'F':
            message.arguments << (tag == 'T');
            break;
        case 'N':
            message.arguments << QVariant();
            break;
        default:
            return QStringLiteral("unsupported argument type '%1'")
                .arg(QChar::isPrint(uchar(tag)) ? QString(QLatin1Char(tag)) : QStringLiteral("?"));
        }
    }
    if (!reader.atEnd())
        return QStringLiteral("bytes after the arguments");
    if (messages.size() == MaxMessages)
        return QStringLiteral("more than %1 messages").arg(MaxMessages);
    messages << message;
    return {};
}

QString parseElement(QByteArrayView data, QList<Message> &messages, int depth)
{
    Reader reader(data);
    if (!data.startsWith("#bundle"))
        return parseMessage(reader, messages);
    if (depth == MaxBundleDepth)
        return QStringLiteral("bundles nested too deep");
    const std::optional<QByteArray> tag = reader.string();
    if (tag != QByteArray("#bundle") || !reader.word() || !reader.word())
        return QStringLiteral("a bundle without its time tag");
    while (!reader.atEnd()) {
        const std::optional<quint32> size = reader.word();
        if (!size || *size % 4 != 0 || qsizetype(*size) > reader.left())
            return QStringLiteral("a bundle element's size is wrong");
        const QString error = parseElement(reader.take(qsizetype(*size)), messages, depth + 1);
        if (!error.isEmpty())
            return error;
    }
    return {};
}

void appendString(QByteArray &out, const QByteArray &text)
{
    out += text;
    out += QByteArray(padded(text.size() + 1) - text.size(), '\0');
}

void appendWord(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

} // namespace

Parsed parse(QByteArrayView packet)
{
    Parsed parsed;
    if (packet.isEmpty() || packet.size() % 4 != 0 || packet.size() > MaxPacket)
        parsed.error = QStringLiteral("not an OSC packet: %1 bytes").arg(packet.size());
    else
        parsed.error = parseElement(packet, parsed.messages, 0);
    if (!parsed.error.isEmpty())
        parsed.messages.clear();
    return parsed;
}

QByteArray bundle(const QList<QByteArray> &packets)
{
    // "#bundle", then the time tag that means "at once".
    QByteArray bundled("#bundle\0\0\0\0\0\0\0\0\1", 16);
    for (const QByteArray &packet : packets) {
        char size[4];
        qToBigEndian(quint32(packet.size()), size);
        bundled += QByteArray(size, 4) + packet;
    }
    return bundled;
}

QByteArray encode(const Message &message)
{
    QByteArray tags(",");
    QByteArray data;
    for (const QVariant &argument : message.arguments) {
        if (argument.typeId() == QMetaType::Int) {
            tags += 'i';
            appendWord(data, quint32(argument.toInt()));
        } else if (argument.typeId() == QMetaType::Float) {
            const float value = argument.toFloat();
            quint32 word = 0;
            std::memcpy(&word, &value, sizeof word);
            tags += 'f';
            appendWord(data, word);
        } else {
            tags += 's';
            appendString(data, argument.toString().toUtf8());
        }
    }
    QByteArray out;
    appendString(out, message.address);
    appendString(out, tags);
    return out + data;
}

bool StreamDecoder::feed(QByteArrayView bytes)
{
    if (m_framing == Framing::Unknown && !bytes.isEmpty())
        m_framing = bytes.front() == '\0' ? Framing::Size : Framing::Slip;
    if (m_framing == Framing::Size) {
        m_buffer += bytes;
        while (m_buffer.size() >= 4) {
            const quint32 size = qFromBigEndian<quint32>(m_buffer.constData());
            if (size > quint32(MaxPacket))
                return false;
            if (m_buffer.size() < 4 + qsizetype(size))
                break;
            m_ready << m_buffer.mid(4, size);
            m_buffer.remove(0, 4 + size);
        }
        return true;
    }
    for (const char byte : bytes) {
        if (byte == SlipEnd) {
            if (!m_buffer.isEmpty()) // the END that opens a packet too
                m_ready << std::exchange(m_buffer, {});
        } else if (std::exchange(m_escaped, false)) {
            m_buffer += byte == SlipEscapedEnd      ? SlipEnd
                        : byte == SlipEscapedEscape ? SlipEscape
                                                    : byte;
        } else if (byte == SlipEscape) {
            m_escaped = true;
        } else {
            m_buffer += byte;
        }
        if (m_buffer.size() > MaxPacket)
            return false;
    }
    return true;
}

std::optional<QByteArray> StreamDecoder::next()
{
    if (m_ready.isEmpty())
        return std::nullopt;
    return m_ready.takeFirst();
}

QByteArray StreamDecoder::frame(const QByteArray &packet) const
{
    if (m_framing == Framing::Size) {
        QByteArray out;
        appendWord(out, quint32(packet.size()));
        return out + packet;
    }
    QByteArray out(1, SlipEnd);
    for (const char byte : packet) {
        if (byte == SlipEnd || byte == SlipEscape) {
            out += SlipEscape;
            out += byte == SlipEnd ? SlipEscapedEnd : SlipEscapedEscape;
        } else {
            out += byte;
        }
    }
    return out + SlipEnd;
}

} // namespace Osc
