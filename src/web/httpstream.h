#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Follows one client's bytes request by request, as far as the server's limits need: how large
// each head is, how long a body it announces, and whether it asks to become a WebSocket. The
// requests themselves are read by Qt's HTTP server; this only says when one is too much.
class HttpStream
{
public:
    static constexpr qsizetype MaxHead = 8 * 1024;  // request line and headers
    static constexpr qsizetype MaxBody = 16 * 1024; // what a request may carry

    enum class Verdict {
        Fine,
        HeadTooLarge, // 431
        BodyTooLarge, // 413
        NoLength,     // 411: a body without Content-Length (chunked) is not taken
        Malformed     // 400
    };

    // The next bytes; once a verdict is not Fine it stays so.
    Verdict feed(QByteArrayView bytes);
    Verdict verdict() const { return m_verdict; }
    // Whether a request has begun and is not whole yet.
    bool midRequest() const { return !m_head.isEmpty() || m_bodyLeft > 0; }
    // The last head asked to become a WebSocket: what follows is not HTTP.
    bool upgraded() const { return m_upgraded; }
    // Requests whole so far.
    int requests() const { return m_requests; }

private:
    Verdict readHead();

    QByteArray m_head;
    qsizetype m_bodyLeft = 0;
    int m_requests = 0;
    bool m_upgraded = false;
    Verdict m_verdict = Verdict::Fine;
};
