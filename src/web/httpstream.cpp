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
    while (m_verdict == Verdict::Fine && !m_last.upgrade && !bytes.isEmpty()) {
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
        if (m_verdict == Verdict::Fine && m_bodyLeft == 0 && !m_last.upgrade)
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
    Head head;
    head.method = first[0];
    head.target = first[1];
    qsizetype length = -1;
    bool closes = false, keepsAlive = false, upgrades = false, websocket = false;
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
        } else if (name == "connection") {
            for (const QByteArray &option : value.toLower().split(',')) {
                closes |= option.trimmed() == "close";
                keepsAlive |= option.trimmed() == "keep-alive";
                upgrades |= option.trimmed() == "upgrade";
            }
        } else if (name == "upgrade") {
            websocket = value.compare("websocket", Qt::CaseInsensitive) == 0;
        } else if (name == "expect") {
            head.proceed = value.compare("100-continue", Qt::CaseInsensitive) == 0;
        } else if (name == "host") {
            head.host = value;
        } else if (name == "origin") {
            head.origin = value;
        }
    }
    if (length > MaxBody)
        return Verdict::BodyTooLarge;
    // HTTP/1.0 ends the connection after each answer unless it asks to keep it.
    head.close = closes || (first[2] == "HTTP/1.0" && !keepsAlive);
    // Only the two headers together ask for a WebSocket, as Qt's server reads them: Upgrade
    // alone is a header like any other, and every limit still holds.
    head.upgrade = upgrades && websocket;
    head.length = qMax<qsizetype>(length, 0);
    m_bodyLeft = head.length;
    m_last = head;
    if (head.close && m_closesAfter == 0)
        m_closesAfter = m_requests + 1;
    if (head.upgrade)
        ++m_requests;
    return Verdict::Fine;
}
