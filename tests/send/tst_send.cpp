#include "pseudoterminal.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <csignal>

using namespace Qt::StringLiterals;

// tessary-send as a script runs it, over a pseudo-terminal: the bytes at the line, the settings
// it takes from the window's file, what it refuses, and its exit statuses.
class TestSend : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void frames_data();
    void frames();
    void savedSettings_data();
    void savedSettings();
    void standardInputAndStops_data();
    void standardInputAndStops();
    void waitsForAnotherSender();
    void drainsBeforeTheLineIsPutBack();

private:
    // Runs a copy beside this test, so that the settings it reads are this test's own.
    QProcess *start(const QStringList &arguments, const QByteArray &input = {},
                    std::unique_ptr<QProcess> prepared = {})
    {
        process = prepared ? std::move(prepared) : std::make_unique<QProcess>();
        process->setWorkingDirectory(here({}));
        process->start(here(u"tessary-send"_s), arguments);
        process->write(input);
        process->waitForBytesWritten();
        return process.get();
    }
    // Its exit status and what it said, once it has finished.
    QString finish() const
    {
        process->closeWriteChannel();
        process->waitForFinished(5000);
        return QString::number(process->exitCode()) + u' ' +
               QString::fromUtf8(process->readAllStandardOutput() +
                                 process->readAllStandardError());
    }
    static QString here(const QString &name)
    {
        return QCoreApplication::applicationDirPath() + u'/' + name;
    }
    // The words of a row, '_' for a blank inside one.
    static QStringList words(const QString &arguments)
    {
        QStringList words;
        for (const QString &word : arguments.split(u' ', Qt::SkipEmptyParts))
            words << QString(word).replace(u'_', u' ');
        return words;
    }

    std::unique_ptr<PseudoTerminal> line;
    std::unique_ptr<QProcess> process;
};

void TestSend::init()
{
    // A fresh copy each time: the build replaces the program, not this copy.
    QFile::remove(here(u"tessary-send"_s));
    QVERIFY(QFile::copy(QStringLiteral(TESSARY_SEND), here(u"tessary-send"_s)));
    QFile::remove(here(u"Tessary - Generic Edition.cfg"_s));
    line = std::make_unique<PseudoTerminal>();
    QFile installation(here(u"install.txt"_s));
    QVERIFY(installation.open(QIODevice::WriteOnly));
    installation.write("[players]\n7 narration\n12 courtyard\n20 lobby\n[scene Opening]\n"
                       "narration folder 3\ncourtyard volume -6\nlobby play\n");
    QFile broken(here(u"broken.txt"_s));
    QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("[players]\n7 lobby\n8 lobby\n"));
}

void TestSend::frames_data()
{
    // Arguments after --port; the frames at the line, or the exit status and what was said,
    // with nothing sent.
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("result");
    const char *const rows[][3] = {
        {"transport", "--id 5 play stop next previous", "85020100 85020200 85020300 85020400"},
        {"Lumetto's edges", "--id 127 folder 999 folder 128 volume -31 volume 0 volume mute",
         "ff716700 ff110000 ff030000 ff031f00 ff030000"},
        {"Galdris's edges", "--model galdris --baud 38400 folder 0 volume -64 volume -1",
         "80010000 80030000 80033f00"},
        {"Lumetto MKII's", "--model Lumetto_MKII --baud 9600 volume -63 volume MUTE",
         "80030100 80030000"},
        {"rate the model lacks", "--baud 9600 play", "64 Lumetto has no rate 9600; it has 19200"},
        {"unknown model", "--model Lumetto2 play",
         "64 unknown model \"Lumetto2\"; the models are Lumetto, Galdris, Lumetto MKII"},
        {"negative wait", "--wait -5 play", "64 no wait \"-5\": milliseconds, 0 or more"},
        {"no such port", "--port /dev/tessary-none play", "69 /dev/tessary-none: no such device"},
        {"a player's name", "--id Lobby play", "94020100"},
        {"a scene", "scene Opening", "87010300 8c031900 94020100"},
        {"stop all", "stop-all all stop", "87020200 8c020200 94020200 87020200 8c020200 94020200"},
        {"a scene not there, shown safely", "scene Go\033[2Jne", "64 no scene \"Go?[2Jne\""},
        {"an installation not there", "--installation gone.txt scene Opening",
         "64 gone.txt: no such file"},
        {"a device as the installation", "--installation /dev/null stop-all",
         "64 /dev/null: not a regular file of at most 1 MiB"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString::fromUtf8(row[1]) << QString::fromUtf8(row[2]);
}

void TestSend::frames()
{
    QFETCH(QString, arguments);
    QFETCH(QString, result);
    start(QStringList{u"--port"_s, line->slavePath, u"--installation"_s, here(u"install.txt"_s)} +
          words(arguments));
    const bool sent = QRegularExpression(u"^[0-9a-f ]+$"_s).match(result).hasMatch();
    QCOMPARE(finish(), sent ? u"0 "_s : result.replace(3, 0, u"tessary-send: "_s) + u'\n');
    QCOMPARE(line->readAll().toHex(' '),
             sent ? QByteArray::fromHex(result.toLatin1()).toHex(' ') : QByteArray());
}

void TestSend::savedSettings_data()
{
    // Changes to the saved file ("line=value"), the arguments, and what follows. The file:
    // Galdris, this line, 38400, player 42.
    QTest::addColumn<QString>("changes");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("result");
    const char *const rows[][4] = {
        {"as saved", "", "--verbose -",
         "0 Play : 0xaa 0x2 0x1\nVolume : 0xaa 0x3 0x0\nLoad folder : 0xaa 0x1 0x7f\n"},
        {"player ID not one of the list's", "27=05", "play",
         "64 tessary-send: the saved player ID \"05\" is not one of 0 to 127; give --id\n"},
        {"player ID given instead", "27=12_", "--id 42 -", "0 "},
        {"player 0", "27=0", "--dry-run play", "0 Play : 0x80 0x2 0x1\n"},
        {"stop-all shown", "", "--dry-run --installation install.txt stop-all",
         "0 Stop : 0x87 0x2 0x2\nStop : 0x8c 0x2 0x2\nStop : 0x94 0x2 0x2\n"},
        // What an installation holds that cannot be used is said; the rest is used.
        {"a player left out", "", "--dry-run --installation broken.txt --id lobby play",
         "0 Play : 0x87 0x2 0x1\ntessary-send: broken.txt: line 3: \"lobby\" is already the name "
         "of player 7\n"},
        {"unknown model", "7=Lumetto2", "play",
         "64 tessary-send: the saved model \"Lumetto2\" is not one of Lumetto, Galdris, Lumetto "
         "MKII; give --model\n"},
        {"rate of another model", "15=19201", "play",
         "64 tessary-send: the saved rate \"19201\" is not one Galdris has (9600, 19200, 38400); "
         "give --baud\n"},
        // A file the window did not write is set aside, with a note; the options still work.
        {"not the window's", "1=settings", "--dry-run --id 5 play",
         "0 Play : 0x85 0x2 0x1\ntessary-send: %1 is not a settings file the window wrote; give "
         "--port, --model, --baud and --id\n"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString::fromUtf8(row[1]) << QString::fromUtf8(row[2])
                              << QString::fromUtf8(row[3]);
}

// What the window saved is used where no option says otherwise, and the line is set up as the
// window sets it: 8N1 at the saved rate. A saved value the window would not take as it is makes
// the sender refuse, naming the option to give.
void TestSend::savedSettings()
{
    QFETCH(QString, changes);
    QFETCH(QString, arguments);
    QFETCH(QString, result);
    QStringList lines{u"KVX11.00"_s, {}, {}};
    for (const QString &value :
         {u"Galdris"_s, line->slavePath, u"38400"_s, u"0"_s, u"French"_s, u"42"_s})
        lines << u"*"_s << u"key"_s << u"*"_s << value;
    for (const QString &change : words(changes))
        lines[change.section(u'=', 0, 0).toInt() - 1] = change.section(u'=', 1);
    QFile file(here(u"Tessary - Generic Edition.cfg"_s));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(lines.join(u'\n').toUtf8()) > 0);
    file.close();
    start(words(arguments), "play\nvolume mute folder 127\n");
    if (arguments.endsWith(u'-')) { // the line as it is while the sender holds it
        QCOMPARE(line->read(12).toHex(' '), "aa 02 01 00 aa 03 00 00 aa 01 7f 00");
        const termios settings = line->slaveSettings();
        QCOMPARE(cfgetospeed(&settings), speed_t(B38400));
        QCOMPARE(settings.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
    }
    QCOMPARE(finish(), QString(result).replace(u"%1"_s, file.fileName()));
    QCOMPARE(line->readAll(), QByteArray());
}

void TestSend::standardInputAndStops_data()
{
    // The arguments, what standard input gives at first, what happens once the first frame is
    // at the line (and what standard input gives then); the exit status and what was said
    // (%1 the port); the frames at the line.
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("then");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("frames");
    const auto row = [](const char *tag, const char *arguments, const QByteArray &input,
                        const char *then, const char *result, const char *frames) {
        QTest::newRow(tag) << QString::fromUtf8(arguments) << input << QString::fromUtf8(then)
                           << QString::fromUtf8(result) << QString::fromUtf8(frames);
    };
    row("a line refused among sent ones", "-", "play\nbogus 1\nstop\n", "",
        "65 tessary-send: line 2: unknown command \"bogus\"\n", "80020100 80020200");
    row("every line refused", "-", "bogus\n", "",
        "64 tessary-send: line 1: unknown command \"bogus\"\n", "");
    row("a line too long, refused whole", "-", QByteArray(5000, 'x') + "\nplay\n", "",
        "65 tessary-send: line 1: longer than 4096 bytes\n", "80020100");
    row("a long word cut short", "-", "play " + QByteArray(60, 'x') + '\n', "",
        "64 tessary-send: line 1: unknown command \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx…\"\n", "");
    row("port gone between two commands", "-", "play\n", "unplug|stop\nnext\n",
        "74 tessary-send: %1: Stop : 0x80 0x2 0x2 not sent: connection lost; the rest were not "
        "sent\n",
        "80020100");
    row("line stalled", "-", "play\n", "stall|stop\nnext\n",
        "74 tessary-send: %1: Stop : 0x80 0x2 0x2 not sent: the line took no more; the rest were "
        "not sent\n",
        "80020100");
    row("SIGINT while reading", "-", "play\n", "2", "130 tessary-send: stopped by SIGINT\n",
        "80020100");
    row("SIGTERM while reading", "-", "play\n", "15", "143 tessary-send: stopped by SIGTERM\n",
        "80020100");
    row("SIGTERM while waiting", "--wait 5000 play stop", "", "15",
        "74 tessary-send: stopped by SIGTERM; the rest were not sent\n", "80020100");
    row("the verbose reader gone", "--verbose -", "play\n", "reader gone|stop\n",
        "74 tessary-send: standard output: Broken pipe; stopped\n", "80020100 80020200");
}

// Standard input as a show script gives it, and the ways a run ends early: each leaves the port
// and its lock behind it free.
void TestSend::standardInputAndStops()
{
    QFETCH(QString, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QString, then);
    QFETCH(QString, result);
    QFETCH(QString, frames);
    // A reader of the echoes that goes after the first.
    QProcess reader;
    if (then.startsWith(u"reader gone"_s)) {
        process = std::make_unique<QProcess>();
        process->setStandardOutputProcess(&reader);
        reader.start(u"head"_s, {u"-n"_s, u"1"_s});
    }
    QProcess *sender = start(QStringList{u"--port"_s, line->slavePath} + words(arguments), input,
                             std::move(process));
    QByteArray arrived;
    if (!then.isEmpty()) {
        arrived = line->read(4);
        const QString action = then.section(u'|', 0, 0);
        if (action == u"unplug"_s)
            line->closeMaster();
        else if (action == u"stall"_s)
            line->fillQueue();
        else if (action == u"reader gone"_s)
            QVERIFY(reader.waitForFinished());
        else
            ::kill(pid_t(sender->processId()), action.toInt());
        sender->write(then.section(u'|', 1).toUtf8());
    }
    QCOMPARE(finish(), QString(result).replace(u"%1"_s, line->slavePath));
    // What a stalled line let through at last is the filler, never a frame.
    arrived += line->readAll();
    arrived.removeIf([](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
    QCOMPARE(arrived.toHex(' '), QByteArray::fromHex(frames.toLatin1()).toHex(' '));
    QVERIFY(!QFile::exists(u"/run/lock/LCK.."_s + line->slavePath.mid(5).replace(u'/', u'_')));
}

// Jobs of the same minute on one bus: the second waits for the first, then sends.
void TestSend::waitsForAnotherSender()
{
    start({u"--port"_s, line->slavePath, u"-"_s}, "play\n");
    QCOMPARE(line->read(4).toHex(), "80020100");
    QProcess second;
    second.start(here(u"tessary-send"_s), {u"--port"_s, line->slavePath, u"stop"_s});
    QVERIFY(!second.waitForFinished(300));
    QCOMPARE(finish(), u"0 "_s);
    QVERIFY(second.waitForFinished(5000));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(line->read(4).toHex(), "80020200");
}

// The line's old settings come back as the port closes: the frames have left the transmitter
// before that, at the rate they were sent at.
void TestSend::drainsBeforeTheLineIsPutBack()
{
    if (QStandardPaths::findExecutable(u"strace"_s).isEmpty())
        QSKIP("needs strace");
    const QString trace = here(u"strace.txt"_s);
    QProcess strace;
    // The leak check stops the program's threads with ptrace, which strace holds already.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"ASAN_OPTIONS"_s, u"detect_leaks=0"_s);
    strace.setProcessEnvironment(environment);
    strace.start(u"strace"_s, {u"-f"_s, u"-e"_s, u"trace=write,ioctl"_s, u"-o"_s, trace,
                               here(u"tessary-send"_s), u"--port"_s, line->slavePath, u"play"_s});
    QVERIFY(strace.waitForFinished(10000) && strace.exitCode() == 0);
    QFile file(trace);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray calls = file.readAll();
    const qsizetype frame = calls.lastIndexOf(R"("\200\2\1\0", 4))");
    const qsizetype drain = calls.indexOf("TCSBRK, 1", frame);
    QVERIFY(frame > 0 && drain > frame);
    QVERIFY2(calls.indexOf("TCSETS", frame) > drain, calls.mid(frame).constData());
}

QTEST_GUILESS_MAIN(TestSend)
#include "tst_send.moc"
