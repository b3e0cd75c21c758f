#include "pseudoterminal.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

// tessary-send as a script runs it, over a pseudo-terminal: the bytes at the line, the settings
// it takes from the window's file, what it refuses, and its exit statuses.
class TestSend : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void frames_data();
    void frames();
    void savedSettingsAndLineSettings();
    void faults_data();
    void faults();
    void listsPorts();

private:
    // Runs a copy beside this test, so that the settings it reads are this test's own.
    QProcess *start(const QStringList &arguments)
    {
        process = std::make_unique<QProcess>();
        process->start(QCoreApplication::applicationDirPath() + u"/tessary-send"_s, arguments);
        return process.get();
    }
    QString finish(int exitStatus)
    {
        if (!process->waitForFinished(5000) || process->exitCode() != exitStatus)
            return u"exit %1: %2"_s.arg(process->exitCode())
                .arg(QString::fromUtf8(process->readAllStandardError()));
        return QString::fromUtf8(process->readAllStandardOutput() +
                                 process->readAllStandardError());
    }
    void saveSettings(const QString &text)
    {
        QFile file(QCoreApplication::applicationDirPath() + u"/Tessary - Generic Edition.cfg"_s);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) > 0);
    }

    std::unique_ptr<PseudoTerminal> line;
    std::unique_ptr<QProcess> process;
};

void TestSend::initTestCase()
{
    const QString copy = QCoreApplication::applicationDirPath() + u"/tessary-send"_s;
    QFile::remove(copy);
    QVERIFY(QFile::copy(QStringLiteral(TESSARY_SEND), copy));
}

void TestSend::init()
{
    QFile::remove(QCoreApplication::applicationDirPath() + u"/Tessary - Generic Edition.cfg"_s);
    line = std::make_unique<PseudoTerminal>();
}

void TestSend::frames_data()
{
    // Arguments after --port; the frames at the line, or the refusal with nothing sent.
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("result");
    const auto row = [](const char *tag, const char *arguments, const char *result) {
        QTest::newRow(tag) << QString::fromUtf8(arguments) << QString::fromUtf8(result);
    };
    row("transport", "--id 5 play stop next previous", "85020100 85020200 85020300 85020400");
    row("Lumetto's edges", "--id 127 folder 999 folder 128 volume -31 volume 0 volume mute",
        "ff716700 ff110000 ff030000 ff031f00 ff030000");
    row("Galdris's edges", "--model galdris --baud 38400 folder 127 volume -64 volume 0",
        "80017f00 80030000 80034000");
    row("Lumetto MKII's", "--model Lumetto_MKII --baud 9600 volume -63 volume MUTE folder 999",
        "80030100 80030000 80716700");
    row("folder past the last", "folder 1000",
        "exit 64: no folder \"1000\": this model has 0 to 999");
    row("Galdris's folder 128", "--model Galdris folder 128",
        "exit 64: no folder \"128\": this model has 0 to 127");
    row("level below the model's", "play volume -32",
        "exit 64: no level \"-32\": this model has 0 down to -31 dB, or mute");
    row("level above 0", "volume 1",
        "exit 64: no level \"1\": this model has 0 down to -31 dB, or mute");
    row("player 128", "--id 128 play", "exit 64: no player ID \"128\": 0 to 127");
    row("rate the model lacks", "--baud 9600 play",
        "exit 64: Lumetto has no rate 9600; it has 19200");
    row("unknown model", "--model Lumetto2 play",
        "exit 64: unknown model \"Lumetto2\"; the models are Lumetto, Galdris, Lumetto MKII");
    row("unknown command", "play jump", "exit 64: unknown command \"jump\"");
    row("folder without a number", "play folder", "exit 64: \"folder\" needs a value");
    row("negative wait", "--wait -5 play", "exit 64: no wait \"-5\": milliseconds, 0 or more");
}

void TestSend::frames()
{
    QFETCH(QString, arguments);
    QFETCH(QString, result);
    QStringList words{u"--port"_s, line->slavePath};
    for (const QString &word : arguments.split(u' '))
        words << QString(word).replace(u'_', u' ');
    const bool refused = result.startsWith(u"exit "_s);
    const QByteArray wire = QByteArray::fromHex(result.toLatin1());
    start(words);
    QVERIFY(process->waitForFinished(5000));
    const QString said = QString::fromUtf8(process->readAllStandardError()).trimmed();
    QCOMPARE(refused ? u"exit %1: %2"_s.arg(process->exitCode()).arg(said.mid(14))
                     : QString::fromLatin1(line->read(int(wire.size())).toHex(' ')),
             refused ? result : QString::fromLatin1(wire.toHex(' ')));
    QCOMPARE(process->exitCode(), refused ? 64 : 0);
    QCOMPARE(line->readAll(), QByteArray());
}

// What the window saved is used where no option says otherwise, and the line is set up as the
// window sets it: 8N1 at the saved rate, held while commands come from standard input.
void TestSend::savedSettingsAndLineSettings()
{
    saveSettings(
        u"KVX11.00\n\n\n*\nDevice\n*\nGaldris\n*\nSerial Port\n*\n%1\n*\nBaudrate\n*\n38400\n"
        "*\nAuto-connect\n*\n0\n*\nLanguage\n*\nFrench\n*\nPlayer ID\n*\n42\n"_s.arg(
            line->slavePath));
    QProcess *sender = start({u"--verbose"_s, u"-"_s});
    sender->write("play\nvolume mute folder 127\n");
    sender->waitForBytesWritten();
    QCOMPARE(line->read(12).toHex(' '), "aa 02 01 00 aa 03 00 00 aa 01 7f 00");
    const termios settings = line->slaveSettings();
    QCOMPARE(cfgetospeed(&settings), speed_t(B38400));
    QCOMPARE(settings.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
    sender->closeWriteChannel();
    QCOMPARE(finish(0),
             u"Play : 0xaa 0x2 0x1\nVolume : 0xaa 0x3 0x0\nLoad folder : 0xaa 0x1 0x7f\n"_s);
    // A file the window did not write is set aside, with a note; the options still work.
    saveSettings(u"settings\n"_s);
    start({u"--dry-run"_s, u"--id"_s, u"5"_s, u"play"_s});
    QCOMPARE(finish(0),
             u"Play : 0x85 0x2 0x1\ntessary-send: %1/Tessary - Generic Edition.cfg is not a "
             "settings file the window wrote; give --port, --model, --baud and --id\n"_s.arg(
                 QCoreApplication::applicationDirPath()));
}

void TestSend::faults_data()
{
    // What happens while commands come in; the exit status and the message.
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("exitStatus");
    QTest::addColumn<QString>("message");
    QTest::newRow("port gone between two commands")
        << u"unplug"_s << 74
        << u"%1: Stop : 0x80 0x2 0x2 not sent, the connection is lost; the rest were not sent"_s;
    QTest::newRow("line stalled")
        << u"stall"_s << 74
        << u"%1: Stop : 0x80 0x2 0x2 not sent, the line took no more; the rest were not sent"_s;
    QTest::newRow("port held by another program")
        << u"hold"_s << 69 << u"%1 is in use by another program (PID %2, tessary-send)"_s;
    QTest::newRow("no such port") << u"absent"_s << 69 << u"/dev/tessary-none: no such device"_s;
}

void TestSend::faults()
{
    QFETCH(QString, fault);
    QFETCH(int, exitStatus);
    QFETCH(QString, message);
    QProcess holder;
    if (fault == u"hold"_s) {
        holder.start(QCoreApplication::applicationDirPath() + u"/tessary-send"_s,
                     {u"--verbose"_s, u"--port"_s, line->slavePath, u"-"_s});
        holder.write("play\n");
        QVERIFY(holder.waitForReadyRead(5000));
        QCOMPARE(line->read(4).toHex(), "80020100");
    }
    QProcess *sender = start(
        {u"--port"_s, fault == u"absent"_s ? u"/dev/tessary-none"_s : line->slavePath, u"-"_s});
    sender->write("play\n");
    sender->waitForBytesWritten();
    if (exitStatus == 74) {
        QCOMPARE(line->read(4).toHex(), "80020100");
        if (fault == u"unplug"_s)
            line->closeMaster();
        else
            line->fillQueue();
        sender->write("stop\nnext\n");
        sender->waitForBytesWritten();
    }
    sender->closeWriteChannel();
    QCOMPARE(finish(exitStatus), u"tessary-send: "_s +
                                     message.replace(u"%1"_s, line->slavePath)
                                         .replace(u"%2"_s, QString::number(holder.processId())) +
                                     u'\n');
    QVERIFY(!line->readAll().contains('\x80'));
    holder.close();
}

void TestSend::listsPorts()
{
    start({u"--list-ports"_s});
    for (const QString &port : finish(0).split(u'\n', Qt::SkipEmptyParts))
        QCOMPARE(port.count(u'\t'), 3);
}

QTEST_GUILESS_MAIN(TestSend)
#include "tst_send.moc"
