#include "command/schedulerunner.h"
#include "pathonpty.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The schedule run against a clock the test sets: on time, late, with the clock set forward or
// back, across the nights the clocks change, after the program was stopped; and once by the
// real clock, to the bytes at a pseudo-terminal.
class TestScheduleRunner : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void byTheClock_data();
    void byTheClock();
    void heldAndSkipped();
    void cueReachesTheLine();

private:
    // What became of each cue, in order: "sent SOURCE", or the runner's note.
    // The first look of a runner not yet started starts it.
    QStringList run(ScheduleRunner &runner, const QStringList &clock);

    std::unique_ptr<PathOnPty> on;
    QDateTime now;
    QStringList said;
};

void TestScheduleRunner::init()
{
    on = std::make_unique<PathOnPty>();
    said.clear();
    connect(&on->path, &CommandPath::answered, this,
            [this](const Request &asked, const Reply &reply) {
                said << (reply.sent() ? u"sent "_s : u"not sent "_s) + asked.source +
                            (reply.sent() ? QString() : u": "_s + reply.why());
            });
}

QStringList TestScheduleRunner::run(ScheduleRunner &runner, const QStringList &clock)
{
    for (const QString &time : clock) {
        now = QDateTime::fromString(time, Qt::ISODate);
        if (runner.isRunning()) {
            runner.check();
            continue;
        }
        connect(&runner, &ScheduleRunner::note, this,
                [this](const QString &text, bool) { said << text; });
        runner.start();
    }
    return said;
}

void TestScheduleRunner::byTheClock_data()
{
    // The time of a daily cue in Paris (or the cues, "|" between them); the last cue kept from an
    // earlier run; the clock, UTC, at each look ("restart": another runner from then on, on
    // what the first kept); what became of the cue.
    QTest::addColumn<QString>("cue");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QStringList>("clock");
    QTest::addColumn<QStringList>("outcome");
    const char *const sent = "sent schedule, Tue 10:00";
    const char *const missed =
        "not sent schedule, Tue 10:00: too late (by 1800 s, over the tolerance of 60 s)";
    const char *const rows[][5] = {
        // 10:00 in Paris is 09:00 UTC in December.
        {"on time", "10:00", "", "2026-12-08T08:59:59Z 2026-12-08T09:00:00Z 2026-12-08T09:00:03Z",
         sent},
        {"started within the tolerance", "10:00", "", "2026-12-08T09:00:50Z", sent},
        {"set forward past it", "10:00", "", "2026-12-08T08:59:00Z 2026-12-08T09:30:00Z", missed},
        {"set back over it", "10:00", "",
         "2026-12-08T09:00:01Z 2026-12-08T08:30:00Z 2026-12-08T09:00:05Z", sent},
        {"stopped through it", "10:00", "2026-12-07T09:00:00Z", "2026-12-08T09:30:00Z", missed},
        {"first start after it", "10:00", "", "2026-12-08T09:30:00Z", ""},
        // 02:30 does not come on 29 March: it runs at the change, 03:00.
        {"spring forward", "02:30", "", "2026-03-29T00:59:59Z 2026-03-29T01:00:00Z",
         "sent schedule, Sun 02:30"},
        // 02:30 comes twice on 25 October: it runs the first time only.
        {"fall back", "02:30", "",
         "2026-10-25T00:29:59Z 2026-10-25T00:30:00Z 2026-10-25T01:30:00Z 2026-10-25T01:31:00Z",
         "sent schedule, Sun 02:30"},
        {"restarted within the tolerance", "10:00", "",
         "2026-12-08T09:00:00Z restart 2026-12-08T09:00:03Z", sent},
        {"the clock three days ahead and back", "10:00", "",
         "2026-12-08T08:59:59Z 2026-12-11T09:00:30Z 2026-12-08T09:00:05Z",
         "not sent schedule, Tue 10:00: too late (by 259230 s, over the tolerance of 60 s)|not "
         "sent schedule, Wed 10:00: too late (by 172830 s, over the tolerance of 60 s)|not sent "
         "schedule, Thu 10:00: too late (by 86430 s, over the tolerance of 60 s)|sent schedule, "
         "Fri 10:00"},
        {"two cues in one second", "daily 10:00 all stop|daily 10:00 12 play", "",
         "2026-12-08T09:00:00Z", "sent schedule, Tue 10:00|sent schedule, Tue 10:00"},
    };
    for (const auto &[tag, time, kept, clock, outcome] : rows)
        QTest::newRow(tag) << (QByteArrayView(time).startsWith("daily")
                                   ? QString::fromLatin1(time).replace(u'|', u'\n')
                                   : u"daily %1 12 play"_s.arg(QLatin1String(time)))
                           << QString::fromLatin1(kept) << QString::fromLatin1(clock).split(u' ')
                           << QString::fromLatin1(outcome).split(u'|', Qt::SkipEmptyParts);
}

void TestScheduleRunner::byTheClock()
{
    QFETCH(QString, cue);
    QFETCH(QString, kept);
    QFETCH(QStringList, clock);
    QFETCH(QStringList, outcome);
    on->path.setInstallation(
        Installation::parse(u"[schedule]\ntimezone=Europe/Paris\n"_s + cue + u'\n'));
    QTemporaryDir folder;
    const QString keptIn = folder.filePath(u"last-cue"_s);
    if (!kept.isEmpty()) {
        QFile file(keptIn);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(kept.toLatin1()));
    }
    const qsizetype restart = clock.indexOf(u"restart"_s);
    {
        ScheduleRunner runner(&on->path, [this] { return now; });
        runner.setKeptIn(keptIn);
        run(runner, clock.mid(0, restart));
    }
    if (restart >= 0) {
        ScheduleRunner again(&on->path, [this] { return now; });
        again.setKeptIn(keptIn);
        run(again, clock.mid(restart + 1));
    }
    QCOMPARE(said, outcome);
}

// Held for the rest of the day, or the next cue skipped: answered by the path, and not sent.
void TestScheduleRunner::heldAndSkipped()
{
    on->path.setInstallation(Installation::parse(
        u"[schedule]\ntimezone=Europe/Paris\ndaily 10:00 12 play\ndaily 10:30 12 next\n"
        "daily 11:00 12 stop\n"_s));
    ScheduleRunner runner(&on->path, [this] { return now; });
    run(runner, {u"2026-12-08T08:00:00Z"_s});
    runner.skipNext(u"desk"_s);
    runner.skipNext(u"desk"_s); // skips the one after, the first still skipped
    QCOMPARE(runner.next()->label(), u"Tue 11:00"_s);
    run(runner, {u"2026-12-08T09:00:00Z"_s, u"2026-12-08T09:30:01Z"_s});
    QSignalSpy shown(&runner, &ScheduleRunner::nextChanged);
    runner.holdToday(u"desk"_s);
    QCOMPARE(runner.next()->label(), u"Wed 10:00"_s);
    QVERIFY(runner.heldToday() && !shown.isEmpty());
    run(runner, {u"2026-12-08T10:00:00Z"_s, u"2026-12-08T10:00:01Z"_s, u"2026-12-09T06:00:00Z"_s});
    QVERIFY(!runner.heldToday()); // a day's hold is that day's
    runner.stop(); // the line let go: nothing runs, whatever changes
    now = QDateTime::fromString(u"2026-12-09T09:00:00Z"_s, Qt::ISODate);
    on->path.setInstallation(on->path.installation());
    QCOMPARE(said, QStringList({u"schedule: 12 play, Tue 10:00 to be skipped (desk)"_s,
                                u"schedule: 12 next, Tue 10:30 to be skipped (desk)"_s,
                                u"not sent schedule, Tue 10:00: skipped"_s,
                                u"not sent schedule, Tue 10:30: skipped"_s,
                                u"schedule held for the rest of 2026-12-08 (desk)"_s,
                                u"not sent schedule, Tue 11:00: held for today"_s}));
}

// By the real clock, a cue set two seconds ahead reaches the line on its own.
void TestScheduleRunner::cueReachesTheLine()
{
    const QDateTime due = QDateTime::currentDateTimeUtc().addSecs(2);
    on->path.setInstallation(Installation::parse(
        u"[schedule]\ntimezone=UTC\ndaily %1 12 play\n"_s.arg(due.time().toString(u"HH:mm:ss"_s))));
    ScheduleRunner runner(&on->path);
    runner.start();
    QByteArray frames;
    QTRY_VERIFY_WITH_TIMEOUT((frames += on->line.readAll(0)).size() >= 4, 6000);
    QCOMPARE(frames.toHex(), "8c020100");
}

QTEST_GUILESS_MAIN(TestScheduleRunner)
#include "tst_schedulerunner.moc"
