#include "command/schedulerunner.h"

#include "storage/safefile.h"

#include <algorithm>

ScheduleRunner::ScheduleRunner(CommandPath *path, Clock clock, QObject *parent)
    : QObject(parent), m_path(path),
      m_clock(clock ? std::move(clock) : Clock(&QDateTime::currentDateTimeUtc))
{
    m_wake.setSingleShot(true);
    m_wake.setTimerType(Qt::PreciseTimer);
    connect(&m_wake, &QTimer::timeout, this, &ScheduleRunner::check);
    connect(path, &CommandPath::installationChanged, this, [this] {
        if (!m_running)
            return;
        m_schedule = m_path->installation().schedule();
        check();
    });
}

void ScheduleRunner::start()
{
    m_schedule = m_path->installation().schedule();
    m_running = true;
    m_lastLook = {};
    // What was handled before: the moment, then the keys handled at it (a file of an older
    // version holds the moment alone, the cue due then handled).
    if (!m_keptIn.isEmpty())
        if (const std::optional<QByteArray> kept = SafeFile::read(m_keptIn, 64 * 1024)) {
            const QList<QByteArray> lines = kept->trimmed().split('\n');
            const QDateTime upTo =
                QDateTime::fromString(QString::fromLatin1(lines.first().trimmed()), Qt::ISODate);
            if (upTo.isValid() && (!m_handledUpTo.isValid() || upTo > m_handledUpTo)) {
                m_keptLast = m_handledUpTo = upTo;
                m_handledAt.clear();
                for (const QByteArray &key : lines.mid(1))
                    m_handledAt.insert(QString::fromUtf8(key.trimmed()));
                if (lines.size() == 1)
                    m_handledUpTo = m_handledUpTo.addMSecs(1);
            }
        }
    check();
}

void ScheduleRunner::stop()
{
    m_running = false;
    m_wake.stop();
}

QString ScheduleRunner::describe(const Schedule &schedule, const Schedule::Due &due)
{
    return schedule.cues().value(due.cue).words + QStringLiteral(", ") + due.label();
}

QDate ScheduleRunner::day() const
{
    return m_clock().toTimeZone(m_schedule.zone()).date();
}

void ScheduleRunner::check()
{
    if (!m_running)
        return;
    const QDateTime now = m_clock();
    const int tolerance = m_schedule.toleranceS();
    // Back to the last look, or before it when the clock went back; at start, back to the
    // last cue kept, a week at most.
    QDateTime from = (m_lastLook.isValid() ? std::min(m_lastLook, now) : now).addSecs(-tolerance);
    if (!m_lastLook.isValid() && m_keptLast.isValid() && m_keptLast < from)
        from = std::max(m_keptLast, now.addDays(-MissedSaidDays));
    m_lastLook = now;
    for (const Schedule::Due &due : m_schedule.between(from, now))
        handle(due);
    wakeForNext(now);
}

bool ScheduleRunner::isHandled(const Schedule::Due &due) const
{
    return m_handledUpTo.isValid() &&
           (due.at < m_handledUpTo ||
            (due.at == m_handledUpTo && m_handledAt.contains(due.key(m_schedule))));
}

void ScheduleRunner::handle(const Schedule::Due &due)
{
    if (isHandled(due))
        return;
    const QString key = due.key(m_schedule);
    if (!m_handledUpTo.isValid() || due.at > m_handledUpTo) {
        m_handledUpTo = due.at;
        m_handledAt.clear();
    }
    m_handledAt.insert(key);
    keep();
    // Held, skipped or missed, a cue is the path's to answer and log as any other.
    Request request;
    request.origin = Request::Origin::Schedule;
    request.source = QStringLiteral("schedule, ") + due.label();
    request.client = QStringLiteral("schedule");
    request.words = m_schedule.cues().value(due.cue).words;
    // Late as it would be sent, not as it was found.
    const qint64 lateMs = due.at.msecsTo(m_clock());
    if (due.day == m_heldDay)
        request.withheld = Request::Withheld::Held;
    else if (m_skipped.remove(key))
        request.withheld = Request::Withheld::Skipped;
    else if (lateMs > m_schedule.toleranceS() * 1000)
        request.late = QStringLiteral("by %1 s, over the tolerance of %2 s")
                           .arg(lateMs / 1000)
                           .arg(m_schedule.toleranceS());
    m_path->request(request);
}

// Kept before the cue goes: a cue is never sent twice, even by a program stopped as it sends.
void ScheduleRunner::keep()
{
    if (m_keptIn.isEmpty())
        return;
    QByteArray kept = m_handledUpTo.toString(Qt::ISODateWithMs).toLatin1() + '\n';
    for (const QString &key : std::as_const(m_handledAt))
        kept += key.toUtf8() + '\n';
    QString why;
    SafeFile::write(m_keptIn, kept, &why);
}

void ScheduleRunner::wakeForNext(const QDateTime &now)
{
    const std::optional<Schedule::Due> coming = next();
    const auto dueAt = [](const std::optional<Schedule::Due> &due) {
        return due ? due->at : QDateTime();
    };
    // Said when the next cue, or whether today is held, is another.
    if (dueAt(coming) != dueAt(m_next) || heldToday() != m_nextHeld) {
        m_next = coming;
        m_nextHeld = heldToday();
        emit nextChanged();
    }
    if (m_schedule.isEmpty())
        return;
    const qint64 untilNext = coming ? now.msecsTo(coming->at) : MaxWakeMs;
    m_wake.start(int(std::clamp<qint64>(untilNext, 10, MaxWakeMs)));
}

std::optional<Schedule::Due> ScheduleRunner::next() const
{
    if (m_schedule.isEmpty())
        return std::nullopt;
    const QDateTime now = m_clock();
    for (const Schedule::Due &due : m_schedule.between(now, now.addDays(8))) {
        const QString key = due.key(m_schedule);
        if (due.day != m_heldDay && !m_skipped.contains(key) && !isHandled(due))
            return due;
    }
    return std::nullopt;
}

void ScheduleRunner::holdToday(const QString &by)
{
    m_heldDay = day();
    emit note(QStringLiteral("schedule held for the rest of %1 (%2)")
                  .arg(m_heldDay.toString(Qt::ISODate), by),
              false);
    wakeForNext(m_clock());
}

void ScheduleRunner::resume(const QString &by)
{
    if (!m_heldDay.isValid() && m_skipped.isEmpty())
        return;
    m_heldDay = {};
    m_skipped.clear();
    emit note(QStringLiteral("schedule resumed (%1)").arg(by), false);
    wakeForNext(m_clock());
}

bool ScheduleRunner::heldToday() const
{
    return m_heldDay.isValid() && m_heldDay == day();
}

void ScheduleRunner::skipNext(const QString &by)
{
    const std::optional<Schedule::Due> coming = next();
    if (!coming)
        return;
    m_skipped.insert(coming->key(m_schedule));
    emit note(
        QStringLiteral("schedule: %1 to be skipped (%2)").arg(describe(m_schedule, *coming), by),
        false);
    wakeForNext(m_clock());
}

bool ScheduleRunner::steer(QByteArrayView word, const QString &by)
{
    const QByteArray asked = word.trimmed().toByteArray().toLower();
    if (asked == "hold")
        holdToday(by);
    else if (asked == "resume")
        resume(by);
    else if (asked == "skip")
        skipNext(by);
    else
        return false;
    return true;
}

QList<std::pair<Schedule::Due, bool>> ScheduleRunner::today() const
{
    const QDateTime now = m_clock();
    QList<std::pair<Schedule::Due, bool>> cues;
    for (const Schedule::Due &due : m_schedule.on(day()))
        cues.append({due, due.at <= now});
    return cues;
}
