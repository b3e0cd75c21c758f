#include "endswithtest.h"
#include "pseudoterminal.h"
#include "remote/mqttbridge.h"
#include "remote/remoteserver.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <unistd.h>

using namespace Qt::StringLiterals;

// tessaryd on a real broker, started by the test on a port of its own: commands from
// mosquitto_pub to the bytes at a pseudo-terminal, the retained state, the last will, a broker
// restarted or silent, late commands, Home Assistant's discovery, a login and TLS; the settings.
class TestMqtt : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void commandsResultsStateAndDiscovery();
    void silentBrokerRestartedAndLastWill();
    void loginAndTls();
    void retryWaits();

private:
    void write(const QString &name, const QString &text) const
    {
        QFile out(name);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(text.toUtf8()) > 0);
        out.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    void startBroker(const QString &listener = u"allow_anonymous true\n"_s)
    {
        // Run as root, the broker would become another user, who cannot read the test's files.
        write(u"broker.conf"_s, u"listener %1 127.0.0.1\npersistence false\n%2"_s.arg(port).arg(
                                    geteuid() == 0 ? u"user root\n"_s : QString()) +
                                    listener);
        endsWithTest(broker);
        broker.start(u"mosquitto"_s, {u"-c"_s, u"broker.conf"_s});
        QTRY_VERIFY([this] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            return probe.waitForConnected(100);
        }());
    }
    // The service on the line and the broker; what it logs until the words wanted come.
    QString startService(const QString &mqtt, const QByteArray &until = "joined")
    {
        const QString config = u"[line]\nport=%1\n[remote]\nenabled=false\n[installation]\nfile="
                               "installation.txt\n[mqtt]\nhost=localhost\nport=%2\nline=hall\n"_s;
        write(u"tessaryd.conf"_s, config.arg(line->slavePath).arg(port) + mqtt);
        service.start(QStringLiteral(TESSARY_DAEMON), {u"--config"_s, u"tessaryd.conf"_s});
        logged.clear();
        (void)QTest::qWaitFor(
            [&] { return says(until) || service.state() == QProcess::NotRunning; });
        return QString::fromUtf8(logged);
    }
    // Whether the service's log has said these words that many times so far.
    bool says(const QByteArray &words, qsizetype times = 1)
    {
        return (logged += service.readAllStandardError()).count(words) >= times;
    }
    // mosquitto_pub, _sub or _rr on the test's broker: what it printed.
    QString client(const char *tool, const QStringList &arguments)
    {
        QProcess run;
        run.start(u"mosquitto_"_s + QLatin1String(tool),
                  QStringList{u"-p"_s, QString::number(port)} + arguments);
        run.waitForFinished(5000);
        return QString::fromUtf8(run.readAllStandardOutput()).trimmed();
    }
    // Retained messages and what comes within a moment, "topic payload" each.
    QString subscribe(const QString &topic, int count)
    {
        return client("sub",
                      {u"-W"_s, u"3"_s, u"-t"_s, topic, u"-v"_s, u"-C"_s, QString::number(count)});
    }
    void publish(const QString &topic, const QString &message, const QStringList &more = {})
    {
        client("pub", QStringList{u"-q"_s, u"1"_s, u"-t"_s, topic, u"-m"_s, message} + more);
    }

    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<PseudoTerminal> line;
    QProcess broker, service;
    QByteArray logged;
    quint16 port = 0;
};

void TestMqtt::init()
{
    // The test, the broker and the service find their files in the test's folder.
    folder = std::make_unique<QTemporaryDir>();
    QDir::setCurrent(folder->path());
    line = std::make_unique<PseudoTerminal>();
    port = quint16(30000 + QCoreApplication::applicationPid() % 20000);
    write(u"installation.txt"_s,
          u"[players]\n5 main narration\n[scene Opening]\nmain_narration play\n"
          "[schedule]\n2099-01-01 10:00 5 stop\n"_s);
}

void TestMqtt::cleanup()
{
    service.kill();
    broker.kill();
    service.waitForFinished();
    broker.waitForFinished();
}

void TestMqtt::commandsResultsStateAndDiscovery()
{
    startBroker();
    // A command kept by the broker from before is from before; one outside the prefix not ours.
    publish(u"tessary/hall/5/command"_s, u"stop"_s, {u"-r"_s});
    // A player taken out of the installation since: its configuration is cleared.
    publish(u"homeassistant/button/tessary_hall/9_play/config"_s, u"{}"_s, {u"-r"_s});
    startService(u"discovery=true\n"_s);
    QTRY_COMPARE_WITH_TIMEOUT(subscribe(u"tessary/hall/link"_s, 1), u"tessary/hall/link open"_s,
                              15000);
    publish(u"elsewhere/hall/5/command"_s, u"play"_s);
    // Results, heard by a client that subscribed before it sent the command: one of each kind.
    const char *const results[][3] = {
        {"5", "play", R"("frame":"85 02 01 00","outcome":"sent")"},
        {"main_narration", R"({"command":"folder","value":12})",
         R"("frame":"85 01 0c 00","outcome")"},
        {"lobby", "play", R"("outcome":"refused","reason":"no player \\"lobby\\")"},
        {"", "play", R"("outcome":"refused","reason":"no player in the topic)"},
        {"5", R"({"command":)", R"("outcome":"refused","reason":"not JSON)"},
        {"5", R"({"command":"play","time":"2020-01-01T00:00:00Z"})",
         R"("outcome":"not sent","player":5,"reason":"not sent: too late \(sent \d{9} s ago\))"},
        {"all", "stop", R"("command":"stop all","frames":1,"outcome":"sent")"},
        {"scene", "Opening", R"("command":"scene Opening","outcome":"started")"}};
    for (const auto &[player, command, said] : results) {
        const QString topic = u"tessary/hall/"_s + QLatin1String(player);
        const QString result =
            client("rr", {u"-W"_s, u"3"_s, u"-t"_s, topic + u"/command"_s, u"-e"_s,
                          topic + u"/result"_s, u"-m"_s, QString::fromUtf8(command)});
        QVERIFY2(result.contains(QRegularExpression(QString::fromUtf8(said))), qPrintable(result));
    }
    // The room as a page draws it, retained.
    const QString room = subscribe(u"tessary/hall/room"_s, 1);
    QVERIFY(room.contains(u"[{\"id\":5,\"name\":\"main narration\"}],\"scenes\":[\"Opening\"]"_s));
    // The schedule's next cue, retained, held for the day from the broker.
    QVERIFY(subscribe(u"tessary/hall/schedule/next"_s, 1).contains(u"\"held\":false"_s));
    publish(u"tessary/hall/schedule/command"_s, u"hold"_s);
    QTRY_VERIFY(subscribe(u"tessary/hall/schedule/next"_s, 1).contains(u"\"held\":true"_s));
    QTRY_VERIFY(says("schedule held for the rest of"));
    // Refusals are in the log without --verbose; what was sent is not.
    QTRY_VERIFY(says("MQTT localhost: lobby play refused: no player"));
    QVERIFY(!says(": sent 85"));
    // At the line, what was sent and nothing else: play, folder 12, Stop All, the scene's play.
    QCOMPARE(line->read(16).toHex(), "8502010085010c008502020085020100");
    // Its state under its ID and under its name as a command writes it, as its results come under
    // either, a moment after; no level sent yet.
    for (const QString &player : {u"5"_s, u"main_narration"_s})
        QTRY_VERIFY(
            subscribe(u"tessary/hall/"_s + player + u"/state"_s, 1)
                .contains(u"{\"level\":null,\"name\":\"main narration\",\"sent\":\"play\""_s));
    // Stop All for the whole building, answered by this line on its own result topic.
    QVERIFY(client("rr", {u"-W"_s, u"3"_s, u"-t"_s, u"tessary/all/command"_s, u"-e"_s,
                          u"tessary/hall/all/result"_s, u"-m"_s, u"stop"_s})
                .contains(u"\"command\":\"stop all\",\"frames\":1,\"outcome\":\"sent\""_s));
    QCOMPARE(line->read(4).toHex(), "85020200");
    // The players, the scenes and Stop All as Home Assistant reads them; nothing else of ours.
    const QString configs = subscribe(u"homeassistant/#"_s, 10); // nine, and a wait for more
    QVERIFY(!configs.contains(u"9_play"_s));
    for (
        const char *said :
        {R"(button/tessary_hall/5_play/config {.*"command_topic":"tessary/hall/5/command","device")"
         R"(:{.*"name":"main narration".*"name":"Play","payload_press":"play")",
         R"(number/tessary_hall/5_volume/config {.*"command_template":"volume {{ value \| int }}".*"min":-31,)",
         R"(binary_sensor/tessary_hall/link/config {.*"state_topic":"tessary/hall/link")",
         R"(button/tessary_hall/stop_all/config {.*"command_topic":"tessary/hall/all/command".*"payload_press":"stop")",
         R"(button/tessary_hall/scene_\w+/config {.*"command_topic":"tessary/hall/scene/command".*"name":"Scene Opening","payload_press":"Opening")"})
        QVERIFY2(configs.contains(QRegularExpression(QString::fromUtf8(said))), said);
}

// A broker that never answers, then none, then one that goes and comes back twice: said once
// each, joined each time, commands go through. The line is marked offline when the service dies
// or stops; a service that comes back is not handed what was sent while it was away.
void TestMqtt::silentBrokerRestartedAndLastWill()
{
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, port));
    QVERIFY(startService(u"timeout=1\n"_s, "again").contains(u"did not answer; trying again"_s));
    silent.close();
    QTRY_VERIFY_WITH_TIMEOUT(says("Connection refused; trying again"), 10000);
    logged.clear();
    for (int round = 1; round <= 3; ++round) {
        broker.kill();
        broker.waitForFinished();
        startBroker();
        QTRY_VERIFY2_WITH_TIMEOUT(says("joined", round), logged.constData(), 10000);
    }
    // Joined, it is not given up for want of an answer; each loss is said, however alike.
    QTest::qWait(1500);
    QVERIFY(!says("did not answer") && logged.count("connection was lost") == 2);
    publish(u"tessary/hall/5/command"_s, u"next"_s);
    QCOMPARE(line->read(4).toHex(), "85020300");
    ::kill(pid_t(service.processId()), SIGKILL);
    QTRY_COMPARE(subscribe(u"tessary/hall/status"_s, 1), u"tessary/hall/status offline"_s);
    // A command sent while it was away is not sent when it is back.
    publish(u"tessary/hall/5/command"_s, u"stop"_s);
    service.waitForFinished();
    QVERIFY(startService({}).contains(u"joined"_s));
    publish(u"tessary/hall/5/command"_s, u"next"_s);
    QCOMPARE(line->read(4).toHex(), "85020300");
    // Stopped on purpose, it says so itself: the broker sends no last will then.
    QCOMPARE(subscribe(u"tessary/hall/status"_s, 1), u"tessary/hall/status online"_s);
    ::kill(pid_t(service.processId()), SIGTERM);
    QVERIFY(service.waitForFinished());
    QCOMPARE(subscribe(u"tessary/hall/status"_s, 1), u"tessary/hall/status offline"_s);
}

// A login, a wrong password, a password others may read, and TLS with the broker's certificate:
// the password never in the log, a refusal said once and tried again later.
void TestMqtt::loginAndTls()
{
    QVERIFY(QProcess::execute(u"mosquitto_passwd"_s,
                              {u"-c"_s, u"-b"_s, u"passwords"_s, u"hall"_s, u"secret"_s}) == 0);
    startBroker(u"allow_anonymous false\npassword_file passwords\n"_s);
    const QString login = u"username=hall\npassword=secret\n"_s;
    QVERIFY(startService(login).contains(u"joined"_s) && !logged.contains("secret") &&
            !logged.contains("no such file")); // its installation file is there
    publish(u"tessary/hall/5/command"_s, u"stop"_s, {u"-u"_s, u"hall"_s, u"-P"_s, u"secret"_s});
    QCOMPARE(line->read(4).toHex(), "85020200");
    cleanup();
    startBroker(u"allow_anonymous false\npassword_file passwords\n"_s);
    startService(u"username=hall\npassword=wrong\n"_s, "again");
    QTest::qWait(3000);
    QVERIFY(says("not authorised") && !says("not authorised", 2) && !logged.contains("wrong") &&
            service.state() == QProcess::Running);
    cleanup();
    // The broker's certificate for localhost, its own authority.
    QCOMPARE(QProcess::execute(u"openssl"_s,
                               {u"req"_s, u"-x509"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s,
                                u"-days"_s, u"1"_s, u"-subj"_s, u"/CN=localhost"_s, u"-keyout"_s,
                                u"key"_s, u"-out"_s, u"cert"_s}),
             0);
    startBroker(u"allow_anonymous true\ncafile cert\ncertfile cert\nkeyfile key\n"_s);
    QVERIFY(startService(u"caFile=cert\n"_s).contains(u"joined"_s));
    publish(u"tessary/hall/5/command"_s, u"stop"_s, {u"--cafile"_s, u"cert"_s});
    QCOMPARE(line->read(4).toHex(), "85020200");
}

// After so many failed attempts in a row, the wait before the next: doubling up to half a minute.
void TestMqtt::retryWaits()
{
    for (const auto &[failures, seconds] : {std::pair(0, 1), {1, 2}, {4, 16}, {5, 30}, {1000, 30}})
        QCOMPARE(MqttBridge::retryWaitMs(failures), seconds * 1000);
}

QTEST_GUILESS_MAIN(TestMqtt)
#include "tst_mqtt.moc"
