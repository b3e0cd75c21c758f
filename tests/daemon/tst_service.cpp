#include "clients.h"
#include "freeports.h"
#include "pseudoterminal.h"
#include "runningservice.h"
#include "serial/portlock.h"

#include <QFileInfo>
#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

using namespace Qt::StringLiterals;

// tessaryd as its unit starts it, on a pseudo-terminal: its line, its local socket and remote
// control from its configuration; a reload that keeps what runs when the new file cannot be
// used; the page's address as the running service serves it.
class TestService : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void fromItsConfiguration();
    void reloadKeepsWhatRuns_data();
    void reloadKeepsWhatRuns();
    void pageAddressAsServed();

private:
    // What a text client is answered over UDP, or nothing within a while.
    QByteArray cue(quint16 port, const QByteArray &text)
    {
        return Clients::askDatagram(port, text).trimmed();
    }
    int state(quint16 port, const QByteArray &token)
    {
        return Clients::ask(port, "GET /api/v1/state HTTP/1.1\r\nHost: 127.0.0.1:" +
                                      QByteArray::number(port) + "\r\nAuthorization: Bearer " +
                                      token + "\r\n\r\n")
            .mid(9, 3)
            .toInt();
    }
    QString section(const QString &more = {}) const
    {
        return u"[line]\nport=%1\nmodel=Galdris\nbaud=38400\n[remote]\nenabled=true\noscPort=%2\n"
               "textPort=%3\n[web]\nenabled=true\nport=%4\ntoken=%5\n"_s.arg(line->slavePath)
                   .arg(ports)
                   .arg(ports + 1)
                   .arg(ports + 2)
                   .arg(QLatin1String(token)) +
               more;
    }

    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<PseudoTerminal> line;
    std::unique_ptr<RunningService> service;
    quint16 ports = 0;
    QByteArray token = "abcdefghijklmnopqrstuv_-";
};

void TestService::init()
{
    folder = std::make_unique<QTemporaryDir>();
    line = std::make_unique<PseudoTerminal>();
    service = std::make_unique<RunningService>(folder->path());
    ports = freePorts(4);
}

// The port waited for while it is not there, and again once lost; cues from the network and
// from tessary-send on this machine; SIGHUP reads it all again; SIGTERM leaves nothing behind.
// An installation file that is not there is said, and so is a cue refused.
void TestService::fromItsConfiguration()
{
    // A link, as /dev/serial/by-id has it, not there at start.
    const QString port = folder->filePath(u"line"_s);
    service->configure(section(u"[installation]\nfile=%1\n"_s.arg(folder->filePath(u"gone.txt"_s)))
                           .replace(line->slavePath, port));
    service->start({u"--verbose"_s}, false);
    QVERIFY(service->says("remote control"));
    QVERIFY(service->says("waiting for " + port.toUtf8()) && service->says("; present: "));
    QVERIFY(service->says("gone.txt: no such file"));
    // Its socket is the service's own until the device is there, then its group's.
    const QString socket = PortLock::serviceSockets(port).first();
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther |
                                      QFile::WriteOther | QFile::ExeGroup | QFile::ExeOther;
    QCOMPARE(QFileInfo(socket).permissions() & others, QFile::Permissions());
    QVERIFY(QFile::link(line->slavePath, port));
    QVERIFY(service->says("open: ", 1, 10000));
    QCOMPARE(QFileInfo(socket).group(), QFileInfo(line->slavePath).group());
    QCOMPARE(QFileInfo(socket).permissions() & others, QFile::ReadGroup | QFile::WriteGroup);
    QCOMPARE(cue(ports + 1, "9 volume -64\n"), "OK");
    QProcess sender;
    sender.start(QStringLiteral(TESSARY_SEND),
                 {u"--verbose"_s, u"--port"_s, port, u"--id"_s, u"9"_s, u"play"_s});
    QVERIFY(sender.waitForFinished());
    QCOMPARE(sender.exitCode(), 0);
    QVERIFY(sender.readAllStandardOutput().contains("held by tessaryd"));
    QCOMPARE(line->readAll().toHex(), "8903000089020100");
    // The line lost and back where it was: the service opens it again.
    line->closeMaster();
    QVERIFY(service->says("connection lost"));
    line = std::make_unique<PseudoTerminal>();
    QVERIFY(QFile::remove(port) && QFile::link(line->slavePath, port));
    QVERIFY(service->says("open: ", 2, 10000));
    QCOMPARE(cue(ports + 1, "9 stop\n"), "OK");
    QCOMPARE(line->readAll().toHex(), "89020200");
    // The installation, there now, is taken at a reload.
    QFile installation(folder->filePath(u"gone.txt"_s));
    QVERIFY(installation.open(QIODevice::WriteOnly) &&
            installation.write("[players]\n9 hall\n[scene Close]\nhall stop\n") > 0);
    installation.close();
    service->signal(SIGHUP);
    QVERIFY(service->says("reloaded: the installation"));
    QCOMPARE(cue(ports + 1, "HALL play\n"), "OK");
    QCOMPARE(cue(ports + 1, "scene close\n"), "OK");
    QCOMPARE(line->readAll().toHex(), "8902010089020200");
    // tessary-send through the service knows the service's players, and says who refused.
    for (const auto &[player, said] : {std::pair{"hall", ""}, {"lobby", "tessaryd: no player"}}) {
        sender.start(QStringLiteral(TESSARY_SEND),
                     {u"--port"_s, port, u"--id"_s, QLatin1String(player), u"next"_s});
        QVERIFY(sender.waitForFinished());
        QVERIFY(sender.readAllStandardError().contains(said));
    }
    QCOMPARE(line->readAll().toHex(), "89020300");
    sender.start(QStringLiteral(TESSARY_SEND), {u"--port"_s, port, u"schedule"_s});
    QVERIFY(sender.waitForFinished() && sender.exitCode() == 64);
    QVERIFY(sender.readAllStandardError().endsWith(
        "tessaryd: " + folder->filePath(u"gone.txt"_s).toUtf8() + ": no schedule\n"));
    QVERIFY(service->says("scene Close: done"));
    service->stop();
    QCOMPARE(service->process().exitCode(), 0);
    QVERIFY(!QFile::exists(u"/run/lock/LCK.."_s + line->slavePath.mid(5).replace(u'/', u'_')));
    QVERIFY(!QFile::exists(socket));
}

void TestService::reloadKeepsWhatRuns_data()
{
    // What the file is changed to (%1 a port another program holds); what the log says of
    // it; whether remote control and the page still answer as before. A fault of the file
    // stands for all of them: they are the configuration's, checked at a reload as at start.
    QTest::addColumn<QString>("changed");
    QTest::addColumn<QString>("said");
    QTest::addColumn<bool>("asBefore");
    QTest::newRow("an allowed address not as written")
        << u"[remote]\nallowed=127.1"_s << u"reload refused, the running configuration kept: "_s
        << true;
    QTest::newRow("a port another program holds")
        << u"textPort=%1"_s
        << u"refused, the running configuration kept: remote "
           "control: port"_s
        << true;
    QTest::newRow("a schedule line that cannot be read")
        << u"[installation]\nfile=%2"_s
        << u"reload refused, the running configuration kept: %2: line 3: no days \"25 Dec 2026\""_s
        << true;
    QTest::newRow("UDP switched off")
        << u"[remote]\nudp=false"_s << u"reloaded: remote control"_s << false;
}

// A reload checks the whole file first, and only then changes what changed.
void TestService::reloadKeepsWhatRuns()
{
    QFETCH(QString, changed);
    QFETCH(QString, said);
    QFETCH(bool, asBefore);
    service->configure(section());
    service->start();
    QVERIFY(service->says("the page: "));
    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::LocalHost, freePorts(1)));
    // A section given again holds the change; a port another program holds takes the text
    // port's place.
    const QString installation = folder->filePath(u"museum.txt"_s);
    QFile file(installation);
    QVERIFY(file.open(QIODevice::WriteOnly) &&
            file.write("[schedule]\ndaily 23:59 all stop\nclosed 25 Dec 2026\n") > 0);
    file.close();
    changed.replace(u"%2"_s, installation);
    said.replace(u"%2"_s, installation);
    if (changed.contains(u"%1"_s))
        service->configure(
            section().replace(u"textPort=%1"_s.arg(ports + 1), changed.arg(holder.serverPort())));
    else
        service->configure(section(changed + u'\n'));
    service->signal(SIGHUP);
    QVERIFY2(service->says(said.toUtf8()), service->log().constData());
    QCOMPARE(cue(ports + 1, "5 play\n"), asBefore ? "OK" : "");
    QCOMPARE(state(ports + 2, token), 200);
    QCOMPARE(line->readAll().toHex(), asBefore ? "85020100" : "");
    // Started on it, the service leaves the line out, says so, and runs the rest.
    if (said.contains(u"no days"_s)) {
        service->stop();
        service->start();
        QVERIFY(service->says(
            u"schedule: 1 line of %1 left out; the rest run"_s.arg(installation).toUtf8()));
        QVERIFY(service->says("schedule: next all stop, "));
    }
}

// --show-url prints the address the running service accepts, found where the service keeps its
// token, and never makes one of its own.
void TestService::pageAddressAsServed()
{
    service->configure(section().remove(u"token="_s + QLatin1String(token) + u'\n'));
    QByteArray said;
    QCOMPARE(service->ask({u"--show-url"_s}, &said), 78);
    QVERIFY2(said.contains("no token in ") && said.contains("yet"), said.constData());
    QVERIFY(!QFile::exists(folder->filePath(u"state/web-token"_s)));
    service->start();
    QVERIFY(service->says("the page: "));
    QCOMPARE(service->ask({u"--show-url"_s}, &said), 0);
    QVERIFY(said.startsWith("http://127.0.0.1:" + QByteArray::number(ports + 2) + "/?token="));
    QCOMPARE(state(ports + 2, said.trimmed().split('=').last()), 200);
    // --check says every section as read, the page's with its address and allowed ones.
    QCOMPARE(service->ask({u"--check"_s}, &said), 0);
    QVERIFY2(said.contains("the page: http://127.0.0.1:" + QByteArray::number(ports + 2) +
                           "/?token=…; allowed: this machine only\n") &&
                 said.contains("[web]\n  enabled=true\n"),
             said.constData());
}

QTEST_GUILESS_MAIN(TestService)
#include "tst_service.moc"
