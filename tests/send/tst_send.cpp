#include "pseudoterminal.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

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
    void savedSettingsAndLineSettings();
    void faults_data();
    void faults();

private:
    // Runs a copy beside this test, so that the settings it reads are this test's own.
    QProcess *start(const QStringList &arguments, const QByteArray &input = {})
    {
        process = std::make_unique<QProcess>();
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

    std::unique_ptr<PseudoTerminal> line;
    std::unique_ptr<QProcess> process;
};

void TestSend::init()
{
    if (!QFile::exists(here(u"tessary-send"_s)))
        QVERIFY(QFile::copy(QStringLiteral(TESSARY_SEND), here(u"tessary-send"_s)));
    QFile::remove(here(u"Tessary - Generic Edition.cfg"_s));
    line = std::make_unique<PseudoTerminal>();
}

void TestSend::frames_data()
{
    // Arguments after --port ('_' for a blank inside one); the frames at the line, or the exit
    // status and what was said, with nothing sent.
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("result");
    const char *const rows[][3] = {
        {"transport", "--id 5 play stop next previous", "85020100 85020200 85020300 85020400"},
        {"Lumetto's edges", "--id 127 folder 999 folder 128 volume -31 volume 0 volume mute",
         "ff716700 ff110000 ff030000 ff031f00 ff030000"},
        {"Galdris's edges", "--model galdris --baud 38400 folder 127 volume -64 volume 0",
         "80017f00 80030000 80034000"},
        {"Lumetto MKII's", "--model Lumetto_MKII --baud 9600 volume -63 volume MUTE",
         "80030100 80030000"},
        {"Galdris's folder 128", "--model Galdris folder 128",
         "64 no folder \"128\": this model has 0 to 127"},
        {"level below the model's", "play volume -32",
         "64 no level \"-32\": this model has 0 down to -31 dB, or mute"},
        {"level above 0", "volume 1",
         "64 no level \"1\": this model has 0 down to -31 dB, or mute"},
        {"player 128", "--id 128 play", "64 no player ID \"128\": 0 to 127"},
        {"rate the model lacks", "--baud 9600 play", "64 Lumetto has no rate 9600; it has 19200"},
        {"unknown model", "--model Lumetto2 play",
         "64 unknown model \"Lumetto2\"; the models are Lumetto, Galdris, Lumetto MKII"},
        {"unknown command", "play jump", "64 unknown command \"jump\""},
        {"folder without a number", "play folder", "64 \"folder\" needs a value"},
        {"negative wait", "--wait -5 play", "64 no wait \"-5\": milliseconds, 0 or more"},
        {"no such port", "--port /dev/tessary-none play", "69 /dev/tessary-none: no such device"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString::fromUtf8(row[1]) << QString::fromUtf8(row[2]);
}

void TestSend::frames()
{
    QFETCH(QString, arguments);
    QFETCH(QString, result);
    QStringList words{u"--port"_s, line->slavePath};
    for (const QString &word : arguments.split(u' '))
        words << QString(word).replace(u'_', u' ');
    start(words);
    const bool sent = QRegularExpression(u"^[0-9a-f ]+$"_s).match(result).hasMatch();
    QCOMPARE(finish(), sent ? u"0 "_s : result.replace(3, 0, u"tessary-send: "_s) + u'\n');
    QCOMPARE(line->readAll().toHex(' '),
             sent ? QByteArray::fromHex(result.toLatin1()).toHex(' ') : QByteArray());
}

// What the window saved is used where no option says otherwise, and the line is set up as the
// window sets it: 8N1 at the saved rate, held while commands come from standard input.
void TestSend::savedSettingsAndLineSettings()
{
    QFile file(here(u"Tessary - Generic Edition.cfg"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(u"KVX11.00\n\n\n*\nDevice\n*\nGaldris\n*\nSerial Port\n*\n%1\n*\nBaudrate\n*\n"
               "38400\n*\nAuto-connect\n*\n0\n*\nLanguage\n*\nFrench\n*\nPlayer ID\n*\n42\n"_s
                   .arg(line->slavePath)
                   .toUtf8());
    file.close();
    start({u"--verbose"_s, u"-"_s}, "play\nvolume mute folder 127\n");
    QCOMPARE(line->read(12).toHex(' '), "aa 02 01 00 aa 03 00 00 aa 01 7f 00");
    const termios settings = line->slaveSettings();
    QCOMPARE(cfgetospeed(&settings), speed_t(B38400));
    QCOMPARE(settings.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
    QCOMPARE(finish(),
             u"0 Play : 0xaa 0x2 0x1\nVolume : 0xaa 0x3 0x0\nLoad folder : 0xaa 0x1 0x7f\n"_s);
    // A file the window did not write is set aside, with a note; the options still work.
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("settings\n") > 0);
    file.close();
    start({u"--dry-run"_s, u"--id"_s, u"5"_s, u"play"_s});
    QCOMPARE(finish(), u"0 Play : 0x85 0x2 0x1\ntessary-send: %1 is not a settings file the window "
                       "wrote; give --port, --model, --baud and --id\n"_s.arg(file.fileName()));
}

void TestSend::faults_data()
{
    // The line unplugged or stalled once the first command has gone; why the second is not sent.
    QTest::addColumn<bool>("unplug");
    QTest::addColumn<QString>("why");
    QTest::newRow("port gone between two commands") << true << u"the connection is lost"_s;
    QTest::newRow("line stalled") << false << u"the line took no more"_s;
}

void TestSend::faults()
{
    QFETCH(bool, unplug);
    QFETCH(QString, why);
    QProcess *sender = start({u"--port"_s, line->slavePath, u"-"_s}, "play\n");
    QCOMPARE(line->read(4).toHex(), "80020100");
    if (unplug)
        line->closeMaster();
    else
        line->fillQueue();
    sender->write("stop\nnext\n");
    QCOMPARE(finish(), u"74 tessary-send: %1: Stop : 0x80 0x2 0x2 not sent, %2; the rest were not "
                       "sent\n"_s.arg(line->slavePath, why));
    QVERIFY(!line->readAll().contains('\x80'));
}

QTEST_GUILESS_MAIN(TestSend)
#include "tst_send.moc"
