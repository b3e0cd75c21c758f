#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Follows one client's bytes request by request, as far as the server's limits need: how large
// each head is, how long a body it announces, whether the connection is to end after it, and
// whether it asks to become a WebSocket. The requests themselves are read by Qt's HTTP server;
// this only says when one is too much, and what the server must do beside answering it.
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

    // What the last head asked, beyond what Qt's server reads of it.
    struct Head
    {
        QByteArray method;
        QByteArray target; // as written: the path and the query
        QByteArray host;
        QByteArray origin;
        qsizetype length = 0;
        bool close = false;   // Connection: close, or HTTP/1.0 without keep-alive
        bool upgrade = false; // Connection: Upgrade with Upgrade: websocket
        bool proceed = false; // Expect: 100-continue
    };

    // The next bytes; once a verdict is not Fine it stays so.
    Verdict feed(QByteArrayView bytes);
    Verdict verdict() const { return m_verdict; }
    // Whether a request has begun and is not whole yet.
    bool midRequest() const { return !m_head.isEmpty() || m_bodyLeft > 0; }
    // The last head asked to become a WebSocket: what follows is not HTTP.
    bool upgraded() const { return m_last.upgrade; }
    // Requests whole so far.
    int requests() const { return m_requests; }
    const Head &lastHead() const { return m_last; }
    // The first request, counted from 1, after whose answer the connection ends; 0 for none.
    int closesAfter() const { return m_closesAfter; }
    // The last head waits for "100 Continue" before it sends its body.
    bool awaitsContinue() const
    {
        return m_last.proceed && m_bodyLeft > 0 && m_bodyLeft == m_last.length;
    }

private:
    Verdict readHead();

    QByteArray m_head;
    qsizetype m_bodyLeft = 0;
    int m_requests = 0;
    int m_closesAfter = 0;
    Head m_last;
    Verdict m_verdict = Verdict::Fine;
};
