#include "model/installation.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The installation's file as an installer writes it by hand, damages it or cuts it short.
class TestInstallation : public QObject
{
    Q_OBJECT

private slots:
    void readsWhatCanBeUsed_data();
    void readsWhatCanBeUsed();
    void savesOnlyWhatChanged_data();
    void savesOnlyWhatChanged();
    void fileKeptWhole();
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
         "line 9: scene \"Closing\" left out: line 10: no player \"lobby\": an ID, 0 to 127, or "
         "a name"},
        {"a name with its blanks", "[scene Closing]|Egyptian room narration stop",
         "line 9: scene \"Closing\" left out: line 10: no player \"Egyptian\": an ID, 0 to 127, or "
         "a name; blanks in a name are written _: Egyptian_room_narration"},
        {"a wait that is not one", "[scene Closing]|wait soon",
         "line 9: scene \"Closing\" left out: line 10: a wait is 0 to 3600 seconds"},
        {"a wait of an hour", "[scene Closing]|wait 3600", "Closing: -1|"},
        {"a wait of more than an hour", "[scene Closing]|wait 3600.5",
         "line 9: scene \"Closing\" left out: line 10: a wait is 0 to 3600 seconds"},
        {"a file cut in a scene's line", "[scene Closing]|courtyard stop|12 fol",
         "line 9: scene \"Closing\" left out: line 11: unknown command \"fol\""},
        {"a scene of the same name", "[scene OPENING]|7 stop", ""},
        {"a comment after a step", "[scene C]|courtyard stop # at six", "C: 12|"},
        {"a scene of the building", "[scene Doors]|courtyard: scene Opening|wait 1|all: stop",
         "Doors: courtyard: -1 all:|"},
        {"the building only stops", "[scene Doors]|all: play",
         "line 9: scene \"Doors\" left out: line 10: the whole building only stops: all: stop"},
        {"a room and this line", "[scene Doors]|courtyard: 3 play|12 stop",
         "line 9: scene \"Doors\" left out: line 11: a scene is for this line or for rooms, not "
         "both"},
        {"a room and nothing", "[scene Doors]|courtyard:",
         "line 9: scene \"Doors\" left out: line 10: nothing to send to courtyard"},
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
    const QString text =
        u"# by hand\n[players]\n7 Egyptian room narration\n12 courtyard  # big\n[scene "
        "Opening]\negyptian_room_narration folder 3\n12 volume -6\nwait 2\n"_s;
    const Installation installation =
        Installation::parse(text + QString(added).replace(u'|', u'\n'));
    QStringList seen;
    for (const Installation::Player &player : installation.players())
        seen << u"%1 %2"_s.arg(player.id).arg(player.name);
    for (const Installation::Scene &scene : installation.scenes()) {
        QStringList ids;
        for (const Installation::Step &step : scene.steps)
            ids << (step.room.isEmpty() ? QString::number(step.playerId) : step.room + u':');
        seen << scene.name + u": "_s + ids.join(u' ');
    }
    seen << installation.problems().join(u"; "_s);
    if (added.contains(u"OPENING"_s)) // the later scene of a name replaces the earlier
        read.replace(u"Opening: 7 12 -1"_s, u"OPENING: 7"_s);
    QCOMPARE(seen.join(u'|'), read);
    // Nothing changed, nothing written otherwise: what was left out is kept as it was.
    QCOMPARE(installation.format(), text + added.replace(u'|', u'\n'));
}

void TestInstallation::savesOnlyWhatChanged_data()
{
    // A change made in the window, and the lines of the file it changes (each "before" found
    // once, "after" put in its place); the rest of the file stays as it was written.
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    const auto row = [](const char *change, const char *before, const char *after) {
        QTest::newRow(change) << QString::fromUtf8(change) << QString::fromUtf8(before)
                              << QString::fromUtf8(after);
    };
    row("nothing", "", "");
    row("player 12 yard", "12 courtyard\n", "12 yard\n");
    row("player 7 narration", "7 Egyptian room narration\n",
        "7 narration\n"); // and the scene naming it, below
    row("player 20 lobby", "12 courtyard\n", "12 courtyard\n20 lobby\n");
    row("no player 12", "12 courtyard\n", "");
    row("no scene Opening",
        "[scene Opening]\n# doors at ten\nshortcut Ctrl+Alt+1\negyptian_room_narration folder "
        "3\n12 volume -6\nwait 2\n",
        "");
    row("scene Closing", "12 on\n", "12 on\n\n[scene Closing]\ncourtyard stop\n");
    row("scene Opening", "egyptian_room_narration folder 3\n12 volume -6\nwait 2\n",
        "Egyptian_room_narration stop\n");
    row("schedule daily 9:00 all stop", "# weekdays\nMon-Fri 10:00 12 play\n",
        "daily 9:00 all stop\n");
}

void TestInstallation::savesOnlyWhatChanged()
{
    QFETCH(QString, change);
    QFETCH(QString, before);
    QFETCH(QString, after);
    const QString text = u"# Museum, east wing\n[players]\n# behind the door\n"
                         "7 Egyptian room narration\n12 courtyard\n\n[scene Opening]\n"
                         "# doors at ten\nshortcut Ctrl+Alt+1\negyptian_room_narration folder 3\n"
                         "12 volume -6\nwait 2\n\n# the new firmware\n[scene Dance]\n"
                         "courtyard dance\n[schedule]\n# weekdays\nMon-Fri 10:00 12 play\n"
                         "[lights]\n12 on\n"_s;
    Installation installation = Installation::parse(text);
    QCOMPARE(installation.problems().size(), 3);
    const QStringList words = change.split(u' ');
    if (words.first() == u"player"_s)
        QCOMPARE(installation.setPlayer(words[1].toInt(), words[2]), QString());
    else if (change.startsWith(u"no player"_s))
        installation.removePlayer(words[2].toInt());
    else if (change.startsWith(u"no scene"_s))
        installation.removeScene(words[2]);
    else if (words.first() == u"schedule"_s)
        QCOMPARE(installation.setSchedule(change.mid(9)), QString());
    else if (const bool opening = words[1] == u"Opening"_s; words.first() == u"scene"_s)
        installation.setScene({words[1],
                               opening ? u"Ctrl+Alt+1"_s : QString(),
                               {{0, opening ? 7 : 12, {u"stop"_s}, 0}}});
    // Names are found as they are now, whatever their case.
    QCOMPARE(installation.resolve(u"Courtyard"_s).value_or(-1),
             change.contains(u" 12"_s) ? -1 : 12);
    QString expected = text;
    QVERIFY(before.isEmpty() || expected.count(before) == 1);
    expected.replace(before, after);
    if (change == u"player 7 narration"_s) // the scene named it: written anew, its comment kept
        expected.replace(u"# doors at ten\nshortcut Ctrl+Alt+1\negyptian_room_narration folder "
                         "3\n12 volume -6\n"_s,
                         u"# doors at ten\nshortcut Ctrl+Alt+1\nnarration folder 3\n"
                         "courtyard volume -6\n"_s);
    QCOMPARE(installation.format(), expected);
    // And it reads back as it is now, with the same lines left out.
    const Installation again = Installation::parse(installation.format());
    QCOMPARE(again.format(), installation.format());
    QCOMPARE(again.problems().size(), 3);
}

// The window's own file: never written over what could not be read whole, nor over a change
// another program made since it was read; written with its own line ends.
void TestInstallation::fileKeptWhole()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"installation.txt"_s);
    const auto put = [&path](const QByteArray &bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    };
    const auto held = [&path] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    InstallationFile file(path);
    QString why;
    Installation installation = file.load();
    QVERIFY(installation.setPlayer(3, u"hall"_s).isEmpty());
    QCOMPARE(file.save(installation, &why), InstallationFile::Saved::Yes);
    const QByteArray crlf = "# hand-written\r\n[players]\r\n3 hall\r\n[scene X]\r\nhall dance\r\n";
    put(crlf);
    QCOMPARE(file.save(installation, &why), InstallationFile::Saved::ChangedMeanwhile);
    QCOMPARE(held(), crlf);
    installation = file.load();
    QCOMPARE(file.save(installation, &why), InstallationFile::Saved::Yes);
    QCOMPARE(held(), crlf);
    QVERIFY(installation.setPlayer(4, u"porch"_s).isEmpty());
    QCOMPARE(file.save(installation, &why), InstallationFile::Saved::Yes);
    QCOMPARE(held(), QByteArray(crlf).replace("3 hall\r\n", "3 hall\r\n4 porch\r\n"));
    for (const QByteArray &unreadable :
         {QByteArray("[players]\n3 h\xe9ll\n"), QByteArray(1024 * 1024 + 1, '#')}) {
        put(unreadable);
        QCOMPARE(file.load().problems().first(), unreadable.size() > 1024
                                                     ? u"not a regular file of at most 1 MiB"_s
                                                     : u"not UTF-8 text"_s);
        QCOMPARE(file.save(installation, &why), InstallationFile::Saved::No);
        QVERIFY2(why.endsWith(u"could not be read whole: "_s + file.load().problems().first()),
                 qPrintable(why));
        QCOMPARE(held(), unreadable);
    }
}

QTEST_GUILESS_MAIN(TestInstallation)
#include "tst_installation.moc"
