#pragma once

#include "command/commandpath.h"
#include "model/schedule.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <functional>
#include <optional>

// Sends the installation's schedule through the command path, by the clock, as one more source
// of requests ("schedule, Tue 10:00"). Each cue of each day is handled once, whatever happens
// between: what was handled is known up to a moment (every cue due before it, and those due at
// it that were handled), kept in a file and read back at start, so that a restart, a clock set
// back by any amount, or the hour the clocks go back in autumn never runs one again. A cue later
// than the schedule's tolerance when it would be sent (the clock set forward, the machine
// asleep, the program stopped) is not run late but said as missed; what was missed while the
// program was stopped is said at start.
class ScheduleRunner : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>; // UTC; none for the system's
    static constexpr int MaxWakeMs = 5000;    // the clock looked at again within this
    static constexpr int MissedSaidDays = 7;

    explicit ScheduleRunner(CommandPath *path, Clock clock = &QDateTime::currentDateTimeUtc,
                            QObject *parent = nullptr);

    // The file where what was handled is kept; none by default.
    void setKeptIn(const QString &path) { m_keptIn = path; }
    // Follows the installation's schedule from now on; stop() until started again.
    void start();
    void stop();
    bool isRunning() const { return m_running; }
    const Schedule &schedule() const { return m_schedule; }
    // Looks at the clock: runs what is due, says what was missed. The timer calls it.
    void check();

    // The next cue that will run, after the held day and a skipped one.
    std::optional<Schedule::Due> next() const;
    // Holds the rest of today's cues, or runs them again; by: who asked, for the log.
    void holdToday(const QString &by);
    void resume(const QString &by);
    bool heldToday() const;
    // The next cue not skipped yet is not run, but said as skipped.
    void skipNext(const QString &by);
    // Whether a cue is to be skipped; how many are. resume() undoes them with the hold.
    bool isSkipped(const Schedule::Due &due) const
    {
        return m_skipped.contains(due.key(m_schedule));
    }
    int skipping() const { return int(m_skipped.size()); }
    // "hold", "resume" or "skip", in any case, as the page and the broker send them; false
    // for any other word.
    bool steer(QByteArrayView word, const QString &by);
    // Today's cues, each with whether it is behind us.
    QList<std::pair<Schedule::Due, bool>> today() const;

    // "scene Opening, Tue 10:00", as the logs name a cue.
    static QString describe(const Schedule &schedule, const Schedule::Due &due);

signals:
    // A line for the log: a cue missed or held (a problem), skipped; the schedule held or
    // resumed.
    void note(const QString &text, bool problem);
    // The next cue is another now, or today was held or resumed.
    void nextChanged();

private:
    void handle(const Schedule::Due &due);
    bool isHandled(const Schedule::Due &due) const;
    void keep();
    void wakeForNext(const QDateTime &now);
    QDate day() const;

    CommandPath *m_path;
    Clock m_clock;
    Schedule m_schedule;
    QString m_keptIn;
    QTimer m_wake;
    bool m_running = false;
    QDateTime m_lastLook;
    QDateTime m_keptLast; // as read at start, for what was missed meanwhile
    // Every cue due before this is handled, and those due at it whose keys are here.
    QDateTime m_handledUpTo;
    QSet<QString> m_handledAt;
    QDate m_heldDay;
    QSet<QString> m_skipped;
    std::optional<Schedule::Due> m_next; // as last said
    bool m_nextHeld = false;
};
