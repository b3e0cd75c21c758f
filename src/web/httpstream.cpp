#include "web/httpstream.h"

#include <QList>

namespace {

bool isToken(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

} // namespace

HttpStream::Verdict HttpStream::feed(QByteArrayView bytes)
{
    while (m_verdict == Verdict::Fine && !m_upgraded && !bytes.isEmpty()) {
        if (m_bodyLeft > 0) {
            const qsizetype taken = qMin(m_bodyLeft, bytes.size());
            m_bodyLeft -= taken;
            bytes = bytes.sliced(taken);
            if (m_bodyLeft == 0)
                ++m_requests;
            continue;
        }
        // Blank lines between requests are allowed, as HTTP/1.1 says.
        if (m_head.isEmpty() && (bytes.front() == '\r' || bytes.front() == '\n')) {
            bytes = bytes.sliced(1);
            continue;
        }
        // Up to the blank line that ends the head, looking back over what came before.
        const qsizetype before = m_head.size();
        const qsizetype room = MaxHead + 4 - before;
        m_head.append(bytes.first(qMin(bytes.size(), room)));
        const qsizetype end = m_head.indexOf("\r\n\r\n", qMax<qsizetype>(0, before - 3));
        if (end < 0) {
            if (m_head.size() > MaxHead)
                m_verdict = Verdict::HeadTooLarge;
            bytes = bytes.sliced(qMin(bytes.size(), room));
            continue;
        }
        bytes = bytes.sliced(end + 4 - before);
        m_head.truncate(end);
        m_verdict = m_head.size() > MaxHead ? Verdict::HeadTooLarge : readHead();
        m_head.clear();
        if (m_verdict == Verdict::Fine && m_bodyLeft == 0 && !m_upgraded)
            ++m_requests;
    }
    return m_verdict;
}

HttpStream::Verdict HttpStream::readHead()
{
    const QList<QByteArray> lines = m_head.split('\n');
    // METHOD SP target SP HTTP/1.x
    const QList<QByteArray> first = lines.first().trimmed().split(' ');
    if (first.size() != 3 || first[0].isEmpty() ||
        !std::all_of(first[0].cbegin(), first[0].cend(), isToken) ||
        !first[2].startsWith("HTTP/1."))
        return Verdict::Malformed;
    qsizetype length = -1;
    bool upgrade = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].endsWith('\r') ? lines[i].chopped(1) : lines[i];
        const qsizetype colon = line.indexOf(':');
        // A folded line, or one without a name: both are refused by HTTP/1.1 servers.
        if (colon <= 0 || line.front() == ' ' || line.front() == '\t')
            return Verdict::Malformed;
        const QByteArray name = line.first(colon).toLower();
        const QByteArray value = line.sliced(colon + 1).trimmed();
        if (!std::all_of(name.cbegin(), name.cend(), isToken))
            return Verdict::Malformed;
        if (name == "content-length") {
            bool number = !value.isEmpty() && std::all_of(value.cbegin(), value.cend(), [](char c) {
                return c >= '0' && c <= '9';
            });
            const qsizetype read = number && value.size() <= 9 ? value.toLongLong() : -1;
            // Two lengths that differ are how requests are smuggled past a proxy.
            if (read < 0 || (length >= 0 && read != length))
                return number && value.size() > 9 ? Verdict::BodyTooLarge : Verdict::Malformed;
            length = read;
        } else if (name == "transfer-encoding") {
            return Verdict::NoLength;
        } else if (name == "upgrade") {
            upgrade = value.toLower() == "websocket";
        }
    }
    if (length > MaxBody)
        return Verdict::BodyTooLarge;
    m_bodyLeft = qMax<qsizetype>(length, 0);
    // A WebSocket handshake carries no body; what follows belongs to the socket.
    m_upgraded = upgrade && first[0] == "GET" && m_bodyLeft == 0;
    if (m_upgraded)
        ++m_requests;
    return Verdict::Fine;
}
