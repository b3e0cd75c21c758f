#pragma once

#include "door/allowlist.h"

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QIODevice;

// The terms on which clients come in, the same for every way in (UDP, TCP, the local socket,
// HTTP, WebSocket, with or without TLS): who (the allow-list), how many (connections in all and
// per address), how long (a message whole within 10 s of its first byte, a silence between
// messages), how much left unread (answers, events, pongs), and whose budget (the address, by
// whichever way it came). A connection's place is given back however it ends: closed by the
// peer, aborted, a handshake that failed or never came, a socket handed to another object, or
// cut here.
//
// When every place is taken, a client from an address that holds less than its fair share (the
// places shared out among the addresses holding them) takes the place of the oldest connection
// of the address holding the most: slow or idle clients, from however many addresses, cannot
// shut a new one out.
class Door : public QObject
{
    Q_OBJECT

public:
    struct Limits
    {
        int connections = 32;             // in all
        int perAddress = 4;               // from one address
        qint64 idleMs = 15 * 60 * 1000;   // silent between messages
        qint64 maxUnread = 64 * 1024;     // answers a client has not read yet
        qint64 halfMessageMs = 10 * 1000; // a message whole within this of its first byte
    };
    enum class Cut { HalfMessage, Idle, Unread, Room, Protocol };

    // Descriptors kept for the service's own files (the line, the installation, the broker).
    static constexpr qsizetype ReservedDescriptors = 16;

    explicit Door(const Limits &limits, QObject *parent = nullptr);
    ~Door() override;

    void setAllowed(const AllowList &allowed) { m_allowed = allowed; }
    const AllowList &allowed() const { return m_allowed; }
    const Limits &limits() const { return m_limits; }

    // Whether a client at this address is heard at all. name: the client as the log names it.
    bool admits(const QHostAddress &address, const QString &name);
    // A place for a new connection; false when it has none, and the caller closes it.
    bool enter(QIODevice *connection, const QHostAddress &peer, const QString &name);
    // It sent bytes: whether a message has begun and is not whole yet.
    void heard(QIODevice *connection, bool halfMessage);
    // After it was written to: false, and cut, when it leaves more unread than it may.
    bool keepsUp(QIODevice *connection);
    // It only listens from now on (a WebSocket of events): no limit of time, only of what it
    // leaves unread, weighed again whenever it sends (a ping's pong is written then).
    void listens(QIODevice *connection);
    // Cut for a fault of its own protocol, said as why.
    void cut(QIODevice *connection, const QString &why);
    // Said once, until a connection is taken again: the process is near its limit of open files.
    void sayNearLimit();
    // Every connection aborted, every place free.
    void closeAll();

    int held() const { return int(m_slots.size()); }
    int heldBy(const QHostAddress &address) const;
    bool holds(const QIODevice *connection) const;

    // Whose budget a client's requests are charged to: its address, whichever way it came in.
    static QString client(const QHostAddress &address);

signals:
    // A client refused or cut off, in a line for the log; the same said at most once a minute
    // for an address, with how often it was not said.
    void note(const QString &text);
    // About to be cut: the last thing the way in may still say (an HTTP status).
    void cutting(QIODevice *connection, Door::Cut why);

private:
    struct Slot
    {
        QPointer<QIODevice> connection;
        QHostAddress peer;
        QString name;
        QElapsedTimer since; // the oldest gives way
        QElapsedTimer quiet; // since it last sent
        QElapsedTimer half;  // since the first byte of a message not whole yet
        bool listens = false;
    };
    struct Said
    {
        QElapsedTimer last;
        int since = 0;
    };
    friend class Seat;

    bool makeRoom(const QHostAddress &peer, const QString &name);
    bool descriptorsToSpare() const;
    void say(const QString &text);
    void drop(QIODevice *connection, Cut why, const QString &text);
    void free(QIODevice *connection);
    void sweep();
    void arm();

    Limits m_limits;
    AllowList m_allowed;
    QHash<QIODevice *, Slot> m_slots; // keys are never followed: a slot is freed as its key goes
    QHash<QString, Said> m_said;
    QTimer m_timer;
    bool m_saidNearLimit = false;
};
