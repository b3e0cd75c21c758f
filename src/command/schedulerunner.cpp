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
    if (!m_keptIn.isEmpty())
        if (const std::optional<QByteArray> kept = SafeFile::read(m_keptIn, 64))
            m_keptLast = QDateTime::fromString(QString::fromLatin1(kept->trimmed()), Qt::ISODate);
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
        handle(due, now);
    // Each cue is known as handled for a while either side of now: a clock set back within
    // that never runs it again.
    m_handled.removeIf([&now](const QHash<QString, QDateTime>::iterator it) {
        return std::abs(it.value().secsTo(now)) > 2 * 86400;
    });
    wakeForNext(now);
}

void ScheduleRunner::handle(const Schedule::Due &due, const QDateTime &now)
{
    const QString key = due.key(m_schedule);
    if (m_handled.contains(key))
        return;
    m_handled.insert(key, due.at);
    const QString said = describe(m_schedule, due);
    const qint64 late = due.at.secsTo(now);
    if (due.day == m_heldDay) {
        emit note(QStringLiteral("schedule held: %1 not sent").arg(said), true);
    } else if (key == m_skipKey) {
        m_skipKey.clear();
        emit note(QStringLiteral("schedule: %1 skipped").arg(said), false);
    } else if (late > m_schedule.toleranceS()) {
        emit note(QStringLiteral("schedule: %1 missed, by %2 s; not run late").arg(said).arg(late),
                  true);
    } else {
        Request request;
        request.origin = Request::Origin::Schedule;
        request.source = QStringLiteral("schedule, ") + due.label();
        request.client = QStringLiteral("schedule");
        request.words = m_schedule.cues().value(due.cue).words;
        m_path->request(request);
    }
    if (!m_keptIn.isEmpty()) {
        QString why;
        SafeFile::write(m_keptIn, due.at.toString(Qt::ISODate).toLatin1() + '\n', &why);
    }
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
        if (due.day != m_heldDay && key != m_skipKey && !m_handled.contains(key))
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
    if (!m_heldDay.isValid() && m_skipKey.isEmpty())
        return;
    m_heldDay = {};
    m_skipKey.clear();
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
    m_skipKey = coming->key(m_schedule);
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
