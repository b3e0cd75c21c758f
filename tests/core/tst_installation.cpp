#include "installation.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The installation's file as an installer writes it by hand, damages it or cuts it short.
class TestInstallation : public QObject
{
    Q_OBJECT

private slots:
    void readsWhatCanBeUsed_data();
    void readsWhatCanBeUsed();
};

void TestInstallation::readsWhatCanBeUsed_data()
{
    // Lines after a sound file of two players and the scene "Opening"; then the players, the
    // scenes with their steps' player IDs, and what was left out.
    QTest::addColumn<QString>("added");
    QTest::addColumn<QString>("read");
    const char *base = "7 Egyptian room narration|12 courtyard|Opening: 7 12 -1";
    const char *const rows[][3] = {
        {"sound", "", ""},
        {"a name that is a number", "[players]|20 20",
         "line 10: \"20\" is a number: a name must not be one"},
        {"a name taken twice", "[players]|13 COURTYARD",
         "line 10: \"COURTYARD\" is already the name of player 12"},
        {"a word of the commands", "[players]|14 All",
         "line 10: \"All\" is a word of the commands: a name must not be one"},
        {"an ID listed twice", "[players]|7 hall", "line 10: player 7 is listed twice"},
        {"an ID out of range", "[players]|128 hall", "line 10: no player ID \"128\": 0 to 127"},
        {"a scene naming nobody", "[scene Closing]|lobby stop",
         "line 9: scene \"Closing\" left out: line 10: no player \"lobby\""},
        {"a wait that is not one", "[scene Closing]|wait soon",
         "line 9: scene \"Closing\" left out: line 10: a wait is 0 to 3600 seconds"},
        {"a wait of an hour", "[scene Closing]|wait 3600", "Closing: -1|"},
        {"a wait of more than an hour", "[scene Closing]|wait 3600.5",
         "line 9: scene \"Closing\" left out: line 10: a wait is 0 to 3600 seconds"},
        {"a file cut in a scene's line", "[scene Closing]|courtyard stop|12 fol",
         "line 9: scene \"Closing\" left out: line 11: unknown command \"fol\""},
        {"a scene of the same name", "[scene OPENING]|7 stop", ""},
        {"a line outside a section", "[lights]|12 on",
         "line 9: unknown section \"lights\"; line 10: outside a section"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString::fromUtf8(row[1])
                              << QString::fromUtf8(base) + u'|' + QString::fromUtf8(row[2]);
}

void TestInstallation::readsWhatCanBeUsed()
{
    QFETCH(QString, added);
    QFETCH(QString, read);
    const QString text = u"# by hand\n[players]\n7 Egyptian room narration\n12 courtyard\n[scene "
                         "Opening]\negyptian_room_narration folder 3\n12 volume -6\nwait 2\n"_s;
    const Installation installation =
        Installation::parse(text + QString(added).replace(u'|', u'\n'));
    QStringList seen;
    for (const Installation::Player &player : installation.players())
        seen << u"%1 %2"_s.arg(player.id).arg(player.name);
    for (const Installation::Scene &scene : installation.scenes()) {
        QStringList ids;
        for (const Installation::Step &step : scene.steps)
            ids << QString::number(step.playerId);
        seen << scene.name + u": "_s + ids.join(u' ');
    }
    seen << installation.problems().join(u"; "_s);
    if (added.contains(u"OPENING"_s)) // the later scene of a name replaces the earlier
        read.replace(u"Opening: 7 12 -1"_s, u"OPENING: 7"_s);
    QCOMPARE(seen.join(u'|'), read);
    // What is kept is written as it reads back.
    const Installation again = Installation::parse(installation.format());
    QCOMPARE(again.format(), installation.format());
    QVERIFY(again.problems().isEmpty());
}

QTEST_GUILESS_MAIN(TestInstallation)
#include "tst_installation.moc"
