#include "door/door.h"

#include <QAbstractSocket>
#include <QDir>
#include <QLocalSocket>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace {

constexpr qint64 SaidEveryMs = 60 * 1000;
constexpr int RememberedClients = 1024;
constexpr qint64 SweepMs = 1000;
constexpr qint64 GoodbyeMs = 1000; // a connection cut is closed after its last word, or aborted

bool ended(const QIODevice *connection)
{
    if (!connection || !connection->isOpen())
        return true;
    // A socket whose peer has gone stays open for what is left to read; nobody may delete it.
    const auto *socket = qobject_cast<const QAbstractSocket *>(connection);
    return socket && socket->state() == QAbstractSocket::UnconnectedState;
}

// Closed at once, or after what it was last told has gone (a network client's last word, an
// HTTP status); a local client is told nothing more.
void close(QIODevice *connection, bool atOnce)
{
    if (auto *socket = qobject_cast<QAbstractSocket *>(connection)) {
        if (atOnce) {
            socket->abort();
            return;
        }
        socket->disconnectFromHost();
        if (socket->state() != QAbstractSocket::UnconnectedState)
            QTimer::singleShot(GoodbyeMs, socket, &QAbstractSocket::abort);
    } else if (auto *local = qobject_cast<QLocalSocket *>(connection)) {
        local->abort();
    } else {
        connection->close();
    }
}

} // namespace

// Gives a connection's place back as the connection goes: a child is deleted with its parent
// whoever deletes it, even once every signal of the parent was disconnected (as Qt's WebSocket
// server does with a socket it takes over).
class Seat : public QObject
{
public:
    Seat(QIODevice *connection, Door *door) : QObject(connection), m_door(door), m_key(connection)
    {}
    ~Seat() override
    {
        if (m_door)
            m_door->free(m_key);
    }

private:
    QPointer<Door> m_door;
    QIODevice *m_key;
};

Door::Door(const Limits &limits, QObject *parent) : QObject(parent), m_limits(limits)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &Door::sweep);
}

Door::~Door() = default;

QString Door::client(const QHostAddress &address)
{
    return AllowList::plain(address).toString();
}

int Door::heldBy(const QHostAddress &address) const
{
    const QHostAddress peer = AllowList::plain(address);
    return int(std::count_if(m_slots.cbegin(), m_slots.cend(),
                             [&peer](const Slot &slot) { return slot.peer == peer; }));
}

bool Door::holds(const QIODevice *connection) const
{
    return m_slots.contains(const_cast<QIODevice *>(connection));
}

bool Door::admits(const QHostAddress &address, const QString &name)
{
    if (m_allowed.admits(address))
        return true;
    say(tr("%1 refused: not an allowed address").arg(name));
    return false;
}

bool Door::enter(QIODevice *connection, const QHostAddress &address, const QString &name)
{
    const QHostAddress peer = AllowList::plain(address);
    if (!admits(peer, name))
        return false;
    if (heldBy(peer) >= m_limits.perAddress ||
        (held() >= m_limits.connections && !makeRoom(peer, name))) {
        say(tr("%1 refused: too many connections").arg(name));
        return false;
    }
    if (!descriptorsToSpare()) {
        sayNearLimit();
        return false;
    }
    m_saidNearLimit = false;
    Slot &slot = m_slots[connection];
    slot.connection = connection;
    slot.peer = peer;
    slot.name = name;
    slot.since.start();
    slot.quiet.start();
    new Seat(connection, this);
    arm();
    return true;
}

// Whether a newcomer under its fair share found a place: the oldest connection of the address
// holding the most gives way, when that address holds more than the newcomer would.
bool Door::makeRoom(const QHostAddress &peer, const QString &name)
{
    QHash<QHostAddress, int> counts;
    for (const Slot &slot : std::as_const(m_slots))
        ++counts[slot.peer];
    const int mine = counts.value(peer);
    const qsizetype holders = counts.size() + (mine == 0 ? 1 : 0);
    if (mine * holders >= m_limits.connections)
        return false;
    const auto most = std::max_element(counts.cbegin(), counts.cend());
    if (*most <= mine + 1)
        return false;
    QIODevice *oldest = nullptr;
    qint64 age = -1;
    for (auto it = m_slots.cbegin(); it != m_slots.cend(); ++it)
        if (it->peer == most.key() && it->since.elapsed() > age) {
            oldest = it.key();
            age = it->since.elapsed();
        }
    drop(oldest, Cut::Room,
         tr("%1 cut off: every place was taken, and %2 had fewer than its share")
             .arg(m_slots.value(oldest).name, name));
    return true;
}

void Door::heard(QIODevice *connection, bool halfMessage)
{
    const auto found = m_slots.find(connection);
    if (found == m_slots.end())
        return;
    found->quiet.start();
    // Half a message has its time from its first byte, whatever trickles after it.
    if (!halfMessage)
        found->half.invalidate();
    else if (!found->half.isValid())
        found->half.start();
    arm();
}

bool Door::keepsUp(QIODevice *connection)
{
    if (!m_slots.contains(connection))
        return !ended(connection);
    if (connection->bytesToWrite() <= m_limits.maxUnread)
        return true;
    drop(connection, Cut::Unread,
         tr("%1 cut off: it does not read its answers").arg(m_slots.value(connection).name));
    return false;
}

void Door::listens(QIODevice *connection)
{
    const auto found = m_slots.find(connection);
    if (found == m_slots.end())
        return;
    found->listens = true;
    found->half.invalidate();
    // After the reader's own handling of what came, which may have written (a pong).
    connect(connection, &QIODevice::readyRead, this, [this, connection] { keepsUp(connection); });
    arm();
}

void Door::cut(QIODevice *connection, const QString &why)
{
    if (m_slots.contains(connection))
        drop(connection, Cut::Protocol,
             tr("%1 cut off: %2").arg(m_slots.value(connection).name, why));
    else
        close(connection, false);
}

void Door::closeAll()
{
    const QList<QPointer<QIODevice>> connections = [this] {
        QList<QPointer<QIODevice>> all;
        for (const Slot &slot : std::as_const(m_slots))
            all << slot.connection;
        return all;
    }();
    m_slots.clear();
    m_timer.stop();
    for (const QPointer<QIODevice> &connection : connections)
        if (connection)
            close(connection, true);
}

bool Door::descriptorsToSpare() const
{
#ifdef Q_OS_LINUX
    // A limit that cannot be read is none.
    rlimit limit = {RLIM_INFINITY, RLIM_INFINITY};
    getrlimit(RLIMIT_NOFILE, &limit);
    const qsizetype open = QDir(QStringLiteral("/proc/self/fd"))
                               .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                               .size();
    return limit.rlim_cur == RLIM_INFINITY ||
           open + ReservedDescriptors <= qsizetype(limit.rlim_cur);
#else
    return true;
#endif
}

void Door::sayNearLimit()
{
    if (std::exchange(m_saidNearLimit, true))
        return;
    qulonglong most = 0;
#ifdef Q_OS_UNIX
    rlimit limit = {};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0)
        most = qulonglong(limit.rlim_cur);
#endif
    emit note(tr("connections refused: the service is near its limit of %1 open files").arg(most));
}

void Door::say(const QString &text)
{
    // The same line for the same client, whatever the way in: said once a minute at most.
    auto found = m_said.find(text);
    if (found == m_said.end()) {
        // The table stays small: full, it starts again.
        if (m_said.size() >= RememberedClients)
            m_said.clear();
        found = m_said.insert(text, {});
    }
    if (found->last.isValid() && !found->last.hasExpired(SaidEveryMs)) {
        ++found->since;
        return;
    }
    const int since = std::exchange(found->since, 0);
    found->last.start();
    emit note(since == 0 ? text
                         : tr("%1 (and %n more since it was last said)", nullptr, since).arg(text));
}

void Door::drop(QIODevice *connection, Cut why, const QString &text)
{
    m_slots.remove(connection);
    emit cutting(connection, why);
    if (!text.isEmpty())
        say(text);
    close(connection, why == Cut::Unread || why == Cut::Room);
}

void Door::free(QIODevice *connection)
{
    if (m_slots.remove(connection))
        arm();
}

void Door::sweep()
{
    // Those that have ended give their place back, even while their socket waits to be deleted.
    m_slots.removeIf([](const auto &entry) { return ended(entry.value().connection); });
    // Decided first, then done: cutting one off takes it out of the table being walked.
    QList<std::pair<QIODevice *, Cut>> due;
    for (auto it = m_slots.cbegin(); it != m_slots.cend(); ++it) {
        if (it->half.isValid() && it->half.hasExpired(m_limits.halfMessageMs))
            due.append({it.key(), Cut::HalfMessage});
        else if (it.key()->bytesToWrite() > m_limits.maxUnread)
            due.append({it.key(), Cut::Unread});
        else if (!it->listens && !it->half.isValid() && it->quiet.hasExpired(m_limits.idleMs))
            due.append({it.key(), Cut::Idle});
    }
    for (const auto &[connection, why] : due) {
        if (!m_slots.contains(connection))
            continue;
        const QString name = m_slots.value(connection).name;
        drop(connection, why,
             why == Cut::HalfMessage
                 ? tr("%1 cut off: a message not whole %2 s after its first byte")
                       .arg(name)
                       .arg(m_limits.halfMessageMs / 1000)
             : why == Cut::Unread ? tr("%1 cut off: it does not read its answers").arg(name)
                                  : QString());
    }
    arm();
}

// The next sweep: when the first half message or silence is due, and at least every second
// while any connection is held (one that ended, one that left its answers unread).
void Door::arm()
{
    if (m_slots.isEmpty()) {
        m_timer.stop();
        return;
    }
    qint64 soonest = SweepMs;
    for (const Slot &slot : std::as_const(m_slots))
        if (slot.half.isValid())
            soonest = qMin(soonest, m_limits.halfMessageMs - slot.half.elapsed() + 1);
        else if (!slot.listens)
            soonest = qMin(soonest, m_limits.idleMs - slot.quiet.elapsed() + 1);
    // Only ever sooner: a client that keeps sending must not put the sweep off.
    const int due = int(qMax<qint64>(0, soonest));
    if (!m_timer.isActive() || m_timer.remainingTime() > due)
        m_timer.start(due);
}
