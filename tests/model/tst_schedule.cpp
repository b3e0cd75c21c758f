#include "model/installation.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The schedule as an installer writes it, with real time zones: which lines are used, which
// days each rule names, what the exceptions leave of a day, and which instant a time on the
// clock of the place stands for on the nights the clocks change.
class TestSchedule : public QObject
{
    Q_OBJECT

private slots:
    void lineRead_data();
    void lineRead();
    void daysOfAWeek_data();
    void daysOfAWeek();
    void instantOnTheClock_data();
    void instantOnTheClock();
};

void TestSchedule::lineRead_data()
{
    // A line of the schedule (line 7 of its file); the problem said of it, or nothing.
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("problem");
    const char *const rows[][3] = {
        {"a player by name, with seconds", "Sat,Sun 17:59:30 Courtyard volume -6", ""},
        {"the first Thursday", "first thu 21:00 all stop", ""},
        {"no such days", "Mon-Fry 10:00 scene Opening", "line 7: no days \"Mon-Fry\""},
        {"dates the wrong way", "2026-08-31..2026-07-01 10:00 all stop", "line 7: no days"},
        {"no such date", "2026-02-30 10:00 all stop", "line 7: no days \"2026-02-30\""},
        {"no such time", "daily 24:00 all stop", "line 7: no time \"24:00\""},
        {"no request", "daily 10:00", "line 7: nothing to send"},
        {"no such scene", "daily 10:00 scene Openin", "line 7: no scene \"Openin\""},
        {"closed with more", "closed Mon 10:00", "line 7: \"closed\" takes days alone"},
        {"until without a time", "Mon until noon", "line 7: no time \"noon\""},
        {"no such zone", "timezone=Europe/Pariss", "line 7: no time zone \"Europe/Pariss\""},
        {"a zone by its city", "timezone=paris", "line 7: no time zone \"paris\": Europe/Paris?"},
        {"an abbreviation", "timezone=CEST", "line 7: no time zone \"CEST\": one as"},
        {"as a person writes", "Tuesday\u2013Sunday 10am Opening",
         "line 7: no player \"Opening\": an "
         "ID, 0 to 127, or a name; scene Opening?"},
        {"a list of yearly dates", "closed 12-25, 26 Dec,Jan 1 # every year", ""},
        {"days and dates", "closed Mon, 12-25", "line 7: no days \"Mon, 12-25\""},
        {"a word at fault", "first Thurs 21:00 all stop", "line 7: no days \"Thurs\""},
        {"a time at fault", "every day 10h00 all stop", "line 7: no time \"10h00\""},
        {"no 13pm", "weekends 13pm all stop", "line 7: no time \"13pm\""},
        {"a tolerance of a day", "tolerance=86400", "line 7: a tolerance is 0 to 3600 seconds"},
        {"an unknown setting", "z=UTC", "line 7: unknown setting \"z\""},
    };
    for (const auto &[tag, line, problem] : rows)
        QTest::newRow(tag) << QString::fromUtf8(line) << QString::fromUtf8(problem);
    QTest::newRow("a line too many") << u"daily 10:00 all stop\n"_s.repeated(1001).chopped(1)
                                     << u"line 1007: a schedule has at most 1000 lines"_s;
}

void TestSchedule::lineRead()
{
    QFETCH(QString, line);
    QFETCH(QString, problem);
    const QString text = u"[players]\n12 courtyard\n[scene Opening]\ncourtyard play\n"
                         "[schedule]\ntimezone=Europe/Paris\n"_s +
                         line + u"\n[scene Closing]\nall stop\n"_s;
    const Installation installation = Installation::parse(text);
    QVERIFY2(problem.isEmpty() ? installation.problems().isEmpty()
                               : installation.problems().value(0).startsWith(problem),
             qPrintable(installation.problems().join(u'\n')));
    QCOMPARE(installation.schedule().cues().size(),
             line.count(u'\n') +
                 (problem.isEmpty() && line.contains(u':') && !line.contains(u"until"_s) ? 1 : 0));
    // Whatever was left out stays in the file as it was written.
    QCOMPARE(installation.format(), text);
}

void TestSchedule::daysOfAWeek_data()
{
    // A museum's week from Monday 30 November 2026 to Sunday 13 December: each day's cues,
    // the exceptions applied.
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("cues");
    const char *const rows[][2] = {
        {"2026-11-30", ""}, // closed on Mondays
        {"2026-12-01", "10:00 scene Opening|18:00 all stop"},
        {"2026-12-03", "10:00 scene Opening|20:00 courtyard volume -6|21:00 all stop"},
        {"2026-12-10", "10:00 scene Opening|18:00 all stop"}, // the second Thursday
        {"2026-10-08", "10:00 scene Opening|18:00 all stop"}, // the second, on the 8th
        {"2026-12-05", "09:00 scene Opening|09:00 courtyard stop|18:00 all stop"}, // as written
        {"2026-12-08", ""},                                                        // a holiday
        {"2026-12-30", "10:00 scene Opening|16:00 all stop"},                      // closing early
        {"2026-12-31", ""}, // every year, past its turn
        {"2027-01-01", ""},
        {"2027-12-24", "10:00 scene Opening|15:00 all stop"},
        {"2027-02-28",
         "09:00 scene Opening|09:00 courtyard stop|13:30 courtyard stop|18:00 all stop"},
    };
    for (const auto &[day, cues] : rows)
        QTest::newRow(day) << QString::fromUtf8(day) << QString::fromUtf8(cues);
}

void TestSchedule::daysOfAWeek()
{
    QFETCH(QString, day);
    QFETCH(QString, cues);
    const Installation installation = Installation::parse(
        u"[players]\n12 courtyard\n[scene Opening]\ncourtyard play\n[schedule]\n"
        "timezone=Europe/Paris\nTue-Fri 10:00 scene Opening\nSat,Sun 09:00 scene Opening\n"
        "daily 18:00 all stop\nfirst Thu 20:00 courtyard volume -6\nclosed Mon\n"
        "closed 2026-12-08\nfirst Thu until 21:00\n2026-12-30 until 16:00\n"
        "2026-12-31 17:00 courtyard stop\nclosed Dec 31..01-01\n24 December until 3pm\n"
        "last Sun 1:30pm courtyard stop\nweekends 9am courtyard stop\n"_s);
    QVERIFY2(installation.problems().isEmpty(), qPrintable(installation.problems().join(u'\n')));
    QStringList said;
    const Schedule &schedule = installation.schedule();
    for (const Schedule::Due &due : schedule.on(QDate::fromString(day, Qt::ISODate)))
        said << due.time.toString(u"HH:mm"_s) + u' ' + schedule.cues()[due.cue].words;
    QCOMPARE(said.join(u'|'), cues);
    // Listed with its cues, or as closed.
    const QDate date = QDate::fromString(day, Qt::ISODate);
    const QStringList listed =
        schedule.listing(Schedule::instant(date, QTime(0, 0), schedule.zone()), 1);
    QCOMPARE(listed.size(), qMax(said.size(), 1));
    QCOMPARE(listed.first().endsWith(u"  closed"_s), said.isEmpty());
}

void TestSchedule::instantOnTheClock_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QString>("local");
    QTest::addColumn<QString>("utc");
    // Paris goes forward at 02:00 on 29 March 2026 and back at 03:00 on 25 October.
    const char *const rows[][4] = {
        {"a winter morning", "Europe/Paris", "2026-12-08T10:00:00", "2026-12-08T09:00:00Z"},
        {"skipped: at the change", "Europe/Paris", "2026-03-29T02:30:00", "2026-03-29T01:00:00Z"},
        {"twice: the first", "Europe/Paris", "2026-10-25T02:30:00", "2026-10-25T00:30:00Z"},
        {"no summer time", "Asia/Tokyo", "2026-03-29T02:30:00", "2026-03-28T17:30:00Z"},
    };
    for (const auto &[tag, zone, local, utc] : rows)
        QTest::newRow(tag) << QByteArray(zone) << QString::fromLatin1(local)
                           << QString::fromLatin1(utc);
}

void TestSchedule::instantOnTheClock()
{
    QFETCH(QByteArray, zone);
    QFETCH(QString, local);
    QFETCH(QString, utc);
    const QDateTime wall = QDateTime::fromString(local, Qt::ISODate);
    QCOMPARE(Schedule::instant(wall.date(), wall.time(), QTimeZone(zone)).toString(Qt::ISODate),
             utc);
}

QTEST_GUILESS_MAIN(TestSchedule)
#include "tst_schedule.moc"
