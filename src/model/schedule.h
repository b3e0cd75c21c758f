#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QTime>
#include <QTimeZone>
#include <functional>
#include <optional>

// The installation's opening hours: when each request is sent, by the clock of the place, as
// the [schedule] section of the installation file writes it:
//
//   [schedule]
//   timezone=Europe/Paris      # else the machine's own
//   tolerance=60               # seconds a cue may run late; later, it is missed (60)
//   Tue-Fri 10:00 scene Opening
//   Sat,Sun 09:00 scene Opening
//   daily 18:00 all stop
//   first Thu 21:00 courtyard volume -6
//   2026-07-01..2026-08-31 09:30 scene Summer
//   closed Mon                 # exceptions win over the cues
//   closed 2026-12-25
//   2026-12-31 until 16:00     # closes early: the day's closing cue runs at 16:00
//
// Days: daily (or every day); a day, a list or a run of days (Mon, Sat,Sun, Mon-Fri,
// Tuesday-Sunday, weekdays, weekends); first, second, third, fourth or last of a weekday in the
// month (first Thu); a date (2026-12-25) or a day of every year (12-25, 25 Dec, Dec 25); a run
// of either (2026-07-01..2026-08-31, 12-24..01-01); a list of dates (12-25, 12-26, 01-01). A
// time is H:MM, H:MM:SS or 6pm, 10:30am. "RULE until TIME" makes those days close at that
// time: their closing, the last cue of the weekly rules (daily, days of the week), runs then
// instead, earlier or later, and no other cue of theirs after it. A day whose first cue is that
// last one keeps it where it is.
class Schedule
{
public:
    static constexpr int DefaultToleranceS = 60;
    static constexpr qsizetype MaxLines = 1000;

    struct Days
    {
        enum class Kind { Daily, Weekdays, NthWeekday, Dates };
        Kind kind = Kind::Daily;
        unsigned weekdays = 0; // bit (Qt's day of week - 1)
        int nth = 0;           // 1 to 4, or -1 for the last
        // Dates: runs of days, one date being a run of one. A day of every year is a date of
        // a leap year, the year not counted, and its run may go on past the new year.
        struct Run
        {
            QDate from, to;
            bool yearly = false;
        };
        QList<Run> dates;

        bool matches(QDate day) const;
    };
    struct Cue
    {
        int line = 0;
        Days days;
        QTime time;
        QString words; // the request, in tessary-send's words
    };
    struct Exception
    {
        int line = 0;
        Days days;
        std::optional<QTime> until; // none: closed
    };
    // A cue as it falls on a day: when, in the zone's time and as an instant.
    struct Due
    {
        QDate day;
        QTime time;            // on the clock of the place; an exception's time for a moved closing
        QDateTime at;          // UTC
        int cue = 0;           // its index in cues()
        QString label() const; // "Mon 10:00"
        // Tells one cue on one day from every other, across reloads of an unchanged line.
        QString key(const Schedule &schedule) const;
    };

    // The section's lines, the first being line firstLine of the file. check: why a request's
    // words cannot be used, or nothing. What cannot be used is left out and said in problems,
    // with its line, as "line 14: ...".
    static Schedule read(const QList<QStringView> &lines, int firstLine,
                         const std::function<QString(const QString &words)> &check,
                         QStringList *problems);

    bool isEmpty() const { return m_cues.isEmpty(); }
    // How many lines of the section were left out, for a fault: said until the file is mended.
    int leftOut() const { return m_leftOut; }
    const QList<Cue> &cues() const { return m_cues; }
    const QList<Exception> &exceptions() const { return m_exceptions; }
    QTimeZone zone() const { return m_zone; }
    void setZone(const QTimeZone &zone) { m_zone = zone; }
    int toleranceS() const { return m_toleranceS; }

    // The cues of a day once the exceptions are applied, by time of the day.
    QList<Due> on(QDate day) const;
    // Those due after from and up to to, in order.
    QList<Due> between(const QDateTime &from, const QDateTime &to) const;
    // Whether a day is closed whole by an exception.
    bool closedOn(QDate day) const;
    // The cues from now on, a line each, for a person: "Tue 2026-12-08 10:00  scene Opening", a
    // closed day as "Mon 2026-12-07  closed";
    // a time the clocks skip says when it runs instead.
    QStringList listing(const QDateTime &from, int days) const;
    // The instant a time of a day on the clock of the place stands for: the first of the two
    // when the clocks go back, the change itself when the clocks go forward past it.
    static QDateTime instant(QDate day, QTime time, const QTimeZone &zone);

private:
    QList<Cue> m_cues;
    QList<Exception> m_exceptions;
    QTimeZone m_zone = QTimeZone::systemTimeZone();
    int m_toleranceS = DefaultToleranceS;
    int m_leftOut = 0;
};
