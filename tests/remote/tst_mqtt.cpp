#include "mqttbridge.h"
#include "pseudoterminal.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <unistd.h>

using namespace Qt::StringLiterals;

// tessaryd on a real broker, started by the test on a port of its own: commands from
// mosquitto_pub to the bytes at a pseudo-terminal, the retained state, the last will, a broker
// restarted, late commands, Home Assistant's discovery, a login and TLS; and the settings.
class TestMqtt : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void commandsResultsAndState();
    void lastWillAndBrokerRestarted();
    void discoveryAsHomeAssistantReadsIt();
    void loginAndTls_data();
    void loginAndTls();
    void settingsReadAndKept_data();
    void settingsReadAndKept();

private:
    QString file(const QString &name) const { return folder->filePath(name); }
    void write(const QString &name, const QString &text) const
    {
        QFile out(file(name));
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(text.toUtf8()) > 0);
        out.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    void startBroker(const QString &listener = {})
    {
        // Run as root, the broker would become another user, who cannot read the test's files.
        write(u"broker.conf"_s, u"listener %1 127.0.0.1\npersistence false\n%2"_s.arg(port).arg(
                                    geteuid() == 0 ? u"user root\n"_s : QString()) +
                                    (listener.isEmpty() ? u"allow_anonymous true\n"_s : listener));
        broker.start(u"mosquitto"_s, {u"-c"_s, file(u"broker.conf"_s)});
        QTRY_VERIFY([this] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            return probe.waitForConnected(100);
        }());
    }
    // The service on the line and the broker; what it logs until the words wanted come.
    QString startService(const QString &mqtt, const QByteArray &until = "joined",
                         bool shared = false)
    {
        write(u"tessaryd.conf"_s, u"[line]\nport=%1\n[remote]\nenabled=false\n[installation]\n"
                                  "file=%2\n[mqtt]\nhost=localhost\nport=%3\nline=hall\n"_s
                                          .arg(line->slavePath, file(u"installation.txt"_s))
                                          .arg(port) +
                                      mqtt);
        if (shared)
            QFile::setPermissions(file(u"tessaryd.conf"_s), QFile::ReadOwner | QFile::ReadOther);
        service.start(QStringLiteral(TESSARY_DAEMON), {u"--config"_s, file(u"tessaryd.conf"_s)});
        QByteArray logged;
        (void)QTest::qWaitFor([&] {
            return (logged += service.readAllStandardError()).contains(until) ||
                   service.state() == QProcess::NotRunning;
        });
        return QString::fromUtf8(logged);
    }
    // Retained messages and what comes within a moment, "topic payload" each.
    QStringList subscribe(const QString &topic, int count, const QStringList &more = {})
    {
        QProcess sub;
        sub.start(u"mosquitto_sub"_s,
                  QStringList{u"-p"_s, QString::number(port), u"-t"_s, topic, u"-v"_s, u"-C"_s,
                              QString::number(count), u"-W"_s, u"3"_s} +
                      more);
        sub.waitForFinished(5000);
        return QString::fromUtf8(sub.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    }
    void publish(const QString &topic, const QString &message, const QStringList &more = {})
    {
        QVERIFY(QProcess::execute(u"mosquitto_pub"_s,
                                  QStringList{u"-p"_s, QString::number(port), u"-q"_s, u"1"_s,
                                              u"-t"_s, topic, u"-m"_s, message} +
                                      more) == 0);
    }

    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<PseudoTerminal> line;
    QProcess broker, service;
    quint16 port = 0;
};

void TestMqtt::init()
{
    folder = std::make_unique<QTemporaryDir>();
    line = std::make_unique<PseudoTerminal>();
    port = quint16(30000 + QCoreApplication::applicationPid() % 20000);
    write(u"installation.txt"_s, u"[players]\n5 narration\n[scene Opening]\nnarration play\n"_s);
}

void TestMqtt::cleanup()
{
    service.kill();
    broker.kill();
    service.waitForFinished();
    broker.waitForFinished();
}

void TestMqtt::commandsResultsAndState()
{
    startBroker();
    // A command kept by the broker from before is from before.
    publish(u"tessary/hall/5/command"_s, u"stop"_s, {u"-r"_s});
    startService({});
    const QStringList seen = subscribe(u"tessary/hall/#"_s, 8);
    QVERIFY(seen.contains(u"tessary/hall/status online"_s));
    QVERIFY(seen.contains(u"tessary/hall/link open"_s));
    publish(u"tessary/hall/5/command"_s, u"play"_s);
    publish(u"tessary/hall/narration/command"_s, u"{\"command\":\"folder\",\"value\":12}"_s);
    publish(u"tessary/hall/5/command"_s, u"{\"command\":\"play\",\"time\":1000}"_s);
    publish(u"tessary/hall/5/command"_s, u"{\"command\":"_s);
    publish(u"elsewhere/hall/5/command"_s, u"play"_s);
    QCOMPARE(line->read(8).toHex(), "8502010085010c00");
    QCOMPARE(line->readAll(), QByteArray());
    const QStringList state = subscribe(u"tessary/hall/5/state"_s, 1);
    QCOMPARE(
        QJsonDocument::fromJson(state.value(0).section(u' ', 1).toUtf8()).object().value(u"sent"_s),
        u"folder 12"_s);
    // Results, heard by a client that subscribed before it sent the command: one of each kind.
    const char *const results[][3] = {
        {"5", "stop", R"("frame":"85 02 02 00","outcome":"sent")"},
        {"5", "volume 1", R"("outcome":"refused","reason":"no level \"1\")"},
        {"5", R"({"command":"play","time":"2020-01-01T00:00:00Z"})", R"("outcome":"not sent")"},
        {"all", "stop", R"("command":"stop all","frames":1,"outcome":"sent")"},
        {"scene", "Opening", R"("command":"scene Opening","outcome":"started")"}};
    for (const auto &[player, command, said] : results) {
        QProcess request;
        request.start(u"mosquitto_rr"_s,
                      {u"-p"_s, QString::number(port), u"-t"_s,
                       u"tessary/hall/%1/command"_s.arg(QLatin1String(player)), u"-e"_s,
                       u"tessary/hall/%1/result"_s.arg(QLatin1String(player)), u"-m"_s,
                       QString::fromUtf8(command), u"-W"_s, u"3"_s});
        QVERIFY(request.waitForFinished(5000));
        const QString result = QString::fromUtf8(request.readAllStandardOutput());
        QVERIFY2(result.contains(QString::fromUtf8(said)), qPrintable(result));
    }
}

// No broker at first, then one that goes and comes back: joined each time, commands go through.
// The line is marked offline when the service dies or stops; a service that comes back is not
// handed what was sent while it was away.
void TestMqtt::lastWillAndBrokerRestarted()
{
    // No broker yet: said at once, and tried again until there is one; then it goes and comes back.
    QVERIFY(startService({}, "again").contains(u"Connection refused; trying again"_s));
    for (int round = 0; round < 2; ++round) {
        broker.kill();
        broker.waitForFinished();
        startBroker();
        QByteArray said;
        QTRY_VERIFY2_WITH_TIMEOUT((said += service.readAllStandardError()).contains("joined"),
                                  said.constData(), 10000);
    }
    publish(u"tessary/hall/5/command"_s, u"next"_s);
    QCOMPARE(line->read(4).toHex(), "85020300");
    ::kill(pid_t(service.processId()), SIGKILL);
    QTRY_COMPARE(subscribe(u"tessary/hall/status"_s, 1).value(0), u"tessary/hall/status offline"_s);
    // A command sent while it was away is not sent when it is back.
    publish(u"tessary/hall/5/command"_s, u"stop"_s);
    service.waitForFinished();
    QVERIFY(startService({}).contains(u"joined"_s));
    publish(u"tessary/hall/5/command"_s, u"next"_s);
    QCOMPARE(line->read(4).toHex(), "85020300");
    // Stopped on purpose, it says so itself: the broker sends no last will then.
    ::kill(pid_t(service.processId()), SIGTERM);
    QVERIFY(service.waitForFinished());
    QCOMPARE(subscribe(u"tessary/hall/status"_s, 1).value(0), u"tessary/hall/status offline"_s);
}

void TestMqtt::discoveryAsHomeAssistantReadsIt()
{
    startBroker();
    startService(u"discovery=true\n"_s);
    QHash<QString, QJsonObject> configs;
    for (const QString &message : subscribe(u"homeassistant/#"_s, 7))
        configs.insert(message.section(u' ', 0, 0),
                       QJsonDocument::fromJson(message.section(u' ', 1).toUtf8()).object());
    const QJsonObject play = configs.value(u"homeassistant/button/tessary_hall/5_play/config"_s);
    QCOMPARE(play.value(u"command_topic"_s), u"tessary/hall/5/command"_s);
    QCOMPARE(play.value(u"payload_press"_s), u"play"_s);
    QCOMPARE(play.value(u"device"_s).toObject().value(u"name"_s), u"narration"_s);
    const QJsonObject volume =
        configs.value(u"homeassistant/number/tessary_hall/5_volume/config"_s);
    QCOMPARE(volume.value(u"min"_s).toInt(), -31);
    QCOMPARE(volume.value(u"command_template"_s), u"volume {{ value | int }}"_s);
    QCOMPARE(configs.value(u"homeassistant/binary_sensor/tessary_hall/link/config"_s)
                 .value(u"state_topic"_s),
             u"tessary/hall/link"_s);
    // What Home Assistant sends for a number reaches the player.
    publish(u"tessary/hall/5/command"_s, u"folder 7"_s);
    QCOMPARE(line->read(4).toHex(), "85010700");
}

void TestMqtt::loginAndTls_data()
{
    // The broker's listener, the service's settings, and what the service logs.
    QTest::addColumn<QString>("listener");
    QTest::addColumn<QString>("mqtt");
    QTest::addColumn<QString>("logged");
    const QString login = u"allow_anonymous false\npassword_file %1\n"_s;
    QTest::newRow("login") << login << u"username=hall\npassword=secret\n"_s << u"joined"_s;
    QTest::newRow("login refused")
        << login << u"username=hall\npassword=wrong\n"_s << u"not authorised"_s;
    QTest::newRow("TLS") << u"allow_anonymous true\ncafile %2\ncertfile %3\nkeyfile %4\n"_s
                         << u"caFile=%2\n"_s << u"joined"_s;
}

void TestMqtt::loginAndTls()
{
    QFETCH(QString, listener);
    QFETCH(QString, mqtt);
    QFETCH(QString, logged);
    QVERIFY(QProcess::execute(u"mosquitto_passwd"_s, {u"-c"_s, u"-b"_s, file(u"passwords"_s),
                                                      u"hall"_s, u"secret"_s}) == 0);
    // A certificate authority of the test's own, and the broker's certificate for localhost.
    const QString ca = file(u"ca.pem"_s), key = file(u"broker.key"_s), cert = file(u"broker.pem"_s);
    for (const QString &arguments :
         {u"req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=test-ca -keyout %1.key -out %1"_s
              .arg(ca),
          u"req -newkey rsa:2048 -nodes -subj /CN=localhost -keyout %1 -out %1.csr"_s.arg(key),
          u"x509 -req -days 1 -in %1.csr -CA %2 -CAkey %2.key -CAcreateserial -out %3"_s.arg(
              key, ca, cert)})
        QCOMPARE(QProcess::execute(u"openssl"_s, arguments.split(u' ')), 0);
    startBroker(QString(listener)
                    .replace(u"%1"_s, file(u"passwords"_s))
                    .replace(u"%2"_s, ca)
                    .replace(u"%3"_s, cert)
                    .replace(u"%4"_s, key));
    const QString said = startService(QString(mqtt).replace(u"%2"_s, ca), logged.toUtf8());
    QVERIFY2(said.contains(logged) && !said.contains(u"secret"_s) && !said.contains(u"wrong"_s),
             qPrintable(said));
    if (logged == u"joined"_s) {
        publish(u"tessary/hall/5/command"_s, u"stop"_s,
                mqtt.startsWith(u"user"_s) ? QStringList{u"-u"_s, u"hall"_s, u"-P"_s, u"secret"_s}
                                           : QStringList{u"--cafile"_s, ca});
        QCOMPARE(line->read(4).toHex(), "85020200");
    } else { // refused: it waits longer each time, and says so once
        QTest::qWait(3000);
        QCOMPARE(service.readAllStandardError().count("not authorised"), 0);
        QVERIFY(service.state() == QProcess::Running);
    }
    // A password where others may read it is refused.
    service.kill();
    service.waitForFinished();
    if (mqtt.contains(u"password"_s))
        QVERIFY(startService(mqtt, "chmod 600", true).contains(u"others may read it"_s));
}

void TestMqtt::settingsReadAndKept_data()
{
    // The group as written by hand; then as read, and as read again once saved.
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("read");
    QTest::newRow("every setting")
        << u"host=b.lan|port=1884|clientId=c|username=u|password=p w|caFile=ca|certFile=cf|"
           "keyFile=kf|prefix=museum|line=hall|discovery=true|discoveryPrefix=ha"_s
        << u"on b.lan 1884 c u p w ca cf kf museum hall true ha"_s;
    QTest::newRow("a port out of range") << u"host=b|port=65536"_s << u"on b 1883"_s;
    QTest::newRow("no port, TLS") << u"host=b|port=x|caFile=ca"_s << u"on b 8883 ca"_s;
    QTest::newRow("switched off") << u"host=b|enabled=false"_s << u"off b 1883"_s;
}

void TestMqtt::settingsReadAndKept()
{
    QFETCH(QString, written);
    QFETCH(QString, read);
    write(u"in.ini"_s, u"[mqtt]\n"_s + written.replace(u'|', u'\n'));
    QSettings in(file(u"in.ini"_s), QSettings::IniFormat);
    QSettings out(file(u"out.ini"_s), QSettings::IniFormat);
    const auto shown = [](const MqttSettings &settings) {
        QStringList words{settings.enabled ? u"on"_s : u"off"_s, settings.host,
                          QString::number(settings.port)};
        for (const QString &text :
             {settings.clientId, settings.username, settings.password, settings.caFile,
              settings.certFile, settings.keyFile, settings.prefix, settings.line,
              settings.discovery ? u"true"_s : QString(), settings.discoveryPrefix})
            if (!text.isEmpty() && text != u"tessary"_s && text != u"homeassistant"_s)
                words << text;
        return words.join(u' ');
    };
    const MqttSettings loaded = MqttSettings::load(in);
    QCOMPARE(shown(loaded), read);
    loaded.save(out);
    QCOMPARE(shown(MqttSettings::load(out)), shown(loaded));
}

QTEST_GUILESS_MAIN(TestMqtt)
#include "tst_mqtt.moc"
