#include "command/commandlog.h"
#include "command/commandpath.h"
#include "pathonpty.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// The rules every request goes by, whoever sends it, against a pseudo-terminal: the words, the
// names, a release, the budget, the line's time, nothing sent before every frame is known good,
// and each request logged.
class TestCommandPath : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void requests_data();
    void requests();
    void budgetInFrames();
    void busyLineByItsTime();
    void scenesCancelAndStop();
    void everyRequestLogged();

private:
    Reply ask(const QString &words, const QString &client = u"10.0.0.7"_s, bool release = false)
    {
        Request request;
        request.origin = client.isEmpty() ? Request::Origin::Person : Request::Origin::Client;
        request.source = u"text "_s + client;
        request.client = client;
        request.words = words;
        request.release = release;
        return on->path.request(request);
    }

    std::unique_ptr<PathOnPty> on;
    std::unique_ptr<CommandLog> log;
};

void TestCommandPath::init()
{
    on = std::make_unique<PathOnPty>(
        u"[players]\n7 narration\n12 courtyard\n20 lobby\n[scene Opening]\nnarration folder 3\n"
        "courtyard volume -6\nlobby play\n[scene Closing]\ncourtyard stop\nwait 0.3\nall stop\n"
        "[scene Bad]\nlobby volume -40\n"_s);
    log = std::make_unique<CommandLog>();
    on->path.setLog(log.get());
}

void TestCommandPath::requests_data()
{
    // Words as a front end hands them over ("release" first for a button let go); the frames at
    // the line; the outcome and the reason.
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("frames");
    QTest::addColumn<QString>("outcome");
    const char *const rows[][4] = {
        {"an ID", "5 play", "85020100", "sent"},
        {"verbs and names in any case", "COURTYARD Play MUTE", "8c020100 8c030000", "sent"},
        {"a name's blanks", "Egyptian_Room play", "",
         "refused no player \"Egyptian_Room\": an ID, 0 to 127, or a name"},
        {"a level", "12 volume -13", "8c031200", "sent"},
        {"all players", "ALL stop", "87020200 8c020200 94020200", "sent"},
        {"all players play", "all play", "", "refused all players take stop alone: \"all stop\""},
        {"a scene in any case", "scene OPENING", "87010300 8c031900 94020100", "sent"},
        {"a scene with all stop", "scene closing", "8c020200", "sent"},
        {"a scene not there", "scene Gone", "", "refused no scene \"Gone\""},
        {"a scene misspelt", "scene Openin", "", "refused no scene \"Openin\"; Opening?"},
        {"a player misspelt", "lobbby play", "",
         "refused no player \"lobbby\": an ID, 0 to 127, or a name; lobby?"},
        {"a scene the model cannot run", "scene Bad", "",
         "refused line 14: no level \"-40\": this model has 0 down to -31 dB, or mute"},
        // Every frame is checked before the first goes.
        {"a bad command after good ones", "5 play stop volume -32", "",
         "refused no level \"-32\": this model has 0 down to -31 dB, or mute"},
        {"a folder the model lacks", "5 folder 1000", "",
         "refused no folder \"1000\": this model has 0 to 999"},
        {"an unknown command", "5 jump", "", "refused unknown command \"jump\""},
        {"a command misspelt", "5 plya", "", "refused unknown command \"plya\"; play?"},
        {"a player and nothing", "lobby", "", "refused nothing to send"},
        {"a player out of range", "128 play", "",
         "refused no player \"128\": an ID, 0 to 127, or a name"},
        // A button's release fires nothing, whatever it was for.
        {"a release", "release 5 play", "", "nothing to do"},
        {"Stop All's release", "release all stop", "", "nothing to do"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString::fromUtf8(row[1]) << QString::fromUtf8(row[2])
                              << QString::fromUtf8(row[3]);
}

void TestCommandPath::requests()
{
    QFETCH(QString, words);
    QFETCH(QString, frames);
    QFETCH(QString, outcome);
    const bool release = words.startsWith(u"release "_s);
    const Reply reply = ask(release ? words.mid(8) : words, u"10.0.0.7"_s, release);
    const char *const outcomes[] = {"sent", "nothing to do", "refused", "not sent"};
    QCOMPARE((QLatin1String(outcomes[int(reply.outcome)]) + u' ' + reply.why()).trimmed(), outcome);
    QCOMPARE(on->line.readAll().toHex(), frames.remove(u' ').toLatin1());
    QCOMPARE(reply.frames.size() * 8, frames.size());
}

// A client's budget is counted in frames: one Stop All of 128 players fits, and the next
// request waits for it to fill again, refused whole meanwhile. Another client, and a person at
// the window, are not held back by it.
void TestCommandPath::budgetInFrames()
{
    on->path.setInstallation({}); // Stop All to every ID
    // More than the whole budget goes when it is full, and is paid off after.
    const Reply burst = ask(QStringList(130, u"stop"_s).join(u' ').prepend(u"5 "_s), u"z"_s);
    QVERIFY2(burst.frames.size() == 130, qPrintable(burst.why()));
    const QString twenty = QStringList(20, u"play"_s).join(u' ').prepend(u"5 "_s);
    QCOMPARE(ask(twenty, u"z"_s).why(), u"over budget"_s);
    on->line.readAll();
    QCOMPARE(ask(u"all stop"_s).frames.size(), 128);
    QCOMPARE(ask(twenty).why(), u"over budget"_s);
    on->line.readAll();
    QCOMPARE(ask(u"5 play"_s, u"10.0.0.8"_s).outcome, Reply::Outcome::Sent);
    QCOMPARE(
        on->path.request(Request::press(u"window"_s, {5, PlayerCommand::Kind::Stop, 0})).outcome,
        Reply::Outcome::Sent);
    QCOMPARE(on->line.readAll().toHex(), "8502010085020200");
    QTest::qWait(50); // five frames' worth
    QCOMPARE(ask(u"5 next"_s).outcome, Reply::Outcome::Sent);
    QCOMPARE(ask(u"all stop"_s).why(), u"over budget"_s);
    QCOMPARE(on->line.readAll().toHex(), "85020300");
}

// The line is busy while more than a second of frames could still be waiting at its rate,
// whatever the driver says: a cue then is answered at once and never sent late. A person's
// press still goes.
void TestCommandPath::busyLineByItsTime()
{
    on->link.close();
    QVERIFY(on->link.open(on->line.slavePath, 2400));
    on->path.setInstallation({});
    // 512 bytes are 2.1 s at 2400 baud: after a Stop All the line is full for longer than a loaded
    // machine takes to ask again; once less than a second is left, it takes cues again.
    QCOMPARE(ask(u"all stop"_s, u"a"_s).outcome, Reply::Outcome::Sent);
    QCOMPARE(ask(u"5 play"_s, u"c"_s).why(), u"busy"_s);
    QCOMPARE(
        on->path.request(Request::press(u"window"_s, {5, PlayerCommand::Kind::Play, 0})).outcome,
        Reply::Outcome::Sent);
    QCOMPARE(on->line.readAll().size(), 512 + 4);
    QTest::qWait(1400);
    QCOMPARE(ask(u"5 play"_s, u"c"_s).outcome, Reply::Outcome::Sent);
    // A line closed or gone sends nothing, and says which.
    on->link.close();
    QCOMPARE(ask(u"5 play"_s, u"d"_s).why(), u"the port is not open"_s);
    QVERIFY(on->link.open(on->line.slavePath, 9600));
    on->line.closeMaster();
    QCOMPARE(ask(u"5 play"_s, u"d"_s).why(), u"connection lost"_s);
}

// A scene's waits are cancelled by another scene, or by Stop All; the loss of the line stops it.
void TestCommandPath::scenesCancelAndStop()
{
    QSignalSpy ended(&on->path, &CommandPath::sceneEnded);
    // Left alone, it goes on after its wait.
    QVERIFY(ask(u"scene Closing"_s).sent());
    QTRY_COMPARE(ended.size(), 1);
    QCOMPARE(on->line.readAll().toHex(), "8c02020087020200"
                                         "8c02020094020200");
    ended.clear();
    for (const QString &other : {u"scene Opening"_s, u"all stop"_s}) {
        QVERIFY(ask(u"scene Closing"_s).sent());
        QVERIFY(ask(other).sent());
        QTest::qWait(400);
        QVERIFY(!on->path.sceneRunning());
        QCOMPARE(on->line.readAll().toHex().left(8), "8c020200");
    }
    QCOMPARE(ended.value(0).last().toString(), u"cancelled by Opening"_s);
    QCOMPARE(ended.value(2).last().toString(), u"cancelled by Stop All"_s);
    QVERIFY(ask(u"scene Closing"_s).sent());
    on->line.closeMaster();
    QTRY_COMPARE(ended.last().last().toString(), u"stopped: connection lost"_s);
}

// Each request is a line of the service's log, in words, with where it came from; those refused
// or not sent come a few at a time from one source. The command log has a row for each.
void TestCommandPath::everyRequestLogged()
{
    QSignalSpy logged(&on->path, &CommandPath::logged);
    ask(u"courtyard volume -13"_s);
    ask(u"5 folder 5000"_s);
    QCOMPARE(
        logged.value(0).mid(0, 2),
        QVariantList({u"text 10.0.0.7: courtyard (12) volume -13 dB: sent 8c 03 12 00"_s, false}));
    QCOMPARE(logged.value(1).mid(0, 2),
             QVariantList({u"text 10.0.0.7: 5 folder 5000 refused: no folder \"5000\": this model "
                           "has 0 to 999"_s,
                           true}));
    for (int i = 0; i < 20; ++i)
        ask(u"5 ju\033mp"_s);
    QCOMPARE(logged.size(), 2 + 4);
    QVERIFY(
        logged.last().first().toString().endsWith(u"5 ju?mp refused: unknown command \"ju?mp\""_s));
    // Two a second come again.
    QTest::qWait(600);
    on->link.close();
    ask(u"5 play"_s);
    QCOMPARE(logged.last().mid(0, 2),
             QVariantList({u"text 10.0.0.7: 5 play not sent: the port is not open"_s, true}));
    log->flush();
    QCOMPARE(log->rowCount(), 23);
    QCOMPARE(log->index(0, CommandLog::Command).data().toString(), u"Volume -13 dB"_s);
    QCOMPARE(log->index(1, CommandLog::Command).data().toString(), u"5 folder 5000"_s);
    QVERIFY(
        log->index(1, CommandLog::Outcome).data().toString().startsWith(u"refused: no folder"_s));
}

QTEST_GUILESS_MAIN(TestCommandPath)
#include "tst_commandpath.moc"
