#include "clients.h"
#include "freeports.h"
#include "pseudoterminal.h"
#include "remote/venue.h"
#include "runningservice.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <unistd.h>

using namespace Qt::StringLiterals;

// Between the venue and the broker, as a network, in a thread of its own: passes everything, or,
// once told to, cuts the venue off right after its next command, whose acknowledgement then never
// reaches it.
class Relay : public QTcpServer
{
public:
    std::atomic<bool> cutting = false;
    quint16 to = 0;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *venueSide = new QTcpSocket(this), *brokerSide = new QTcpSocket(this);
        venueSide->setSocketDescriptor(descriptor);
        brokerSide->connectToHost(QHostAddress::LocalHost, to);
        brokerSide->waitForConnected(1000);
        connect(venueSide, &QTcpSocket::readyRead, brokerSide, [=, this] {
            const QByteArray bytes = venueSide->readAll();
            brokerSide->write(bytes);
            if (bytes.contains("/command") && cutting.exchange(false))
                venueSide->abort();
        });
        connect(brokerSide, &QTcpSocket::readyRead, venueSide,
                [=] { venueSide->write(brokerSide->readAll()); });
    }
};

// The building on a real broker with a password for each room and an ACL: three rooms, each a
// tessaryd on a pseudo-terminal, and a venue's tessaryd with no line, asked over its HTTP API.
class TestVenue : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void theBuildingOnOnePage();
    void aSceneInAnothersPlace();

private:
    static constexpr auto Token = "venue-token-0123456789abcdef";
    void write(const QString &name, const QString &text) const
    {
        QFile out(folder.filePath(name));
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(text.toUtf8()) >= 0);
        out.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    void startRoom(int n)
    {
        rooms[n]->configure(u"[line]\nport=%1\nmodel=Lumetto\n[installation]\nfile=%2\n[mqtt]\n"
                            "host=127.0.0.1\nport=%3\nline=%4\nusername=%4\npassword=pw-%4\n"_s
                                .arg(lines[n]->slavePath, folder.filePath(u"players.txt"_s))
                                .arg(broker)
                                .arg(names[n]));
        rooms[n]->start();
        QVERIFY(rooms[n]->says("joined"));
    }
    // POST when there are words, else GET: the status and the JSON.
    std::pair<int, QJsonObject> ask(const QString &path, const QByteArray &words = {}) const
    {
        const QByteArray answer = Clients::ask(
            web,
            (words.isEmpty() ? "GET " : "POST ") + path.toUtf8() +
                " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(web) +
                "\r\nAuthorization: Bearer " + Token + "\r\nConnection: close\r\n" +
                "Content-Length: " + QByteArray::number(words.size()) + "\r\n\r\n" + words,
            5000);
        return {answer.mid(9, 3).toInt(),
                QJsonDocument::fromJson(answer.mid(answer.indexOf("\r\n\r\n") + 4)).object()};
    }
    // The rooms the venue shows, in its order, each with whether it is online.
    QString shown() const
    {
        QStringList said;
        for (const QJsonValue room : ask(u"/api/v1/rooms"_s).second[u"rooms"_s].toArray())
            said << room[u"name"_s].toString() + (room[u"online"_s].toBool() ? u""_s : u" off"_s);
        return said.join(u' ');
    }
    void publishAs(const QString &user, const QString &topic, const QString &message) const
    {
        QProcess::execute(u"mosquitto_pub"_s,
                          {u"-p"_s, QString::number(broker), u"-u"_s, user, u"-P"_s,
                           u"pw-"_s + user, u"-q"_s, u"1"_s, u"-t"_s, topic, u"-m"_s, message});
    }

    QTemporaryDir folder;
    QProcess mosquitto;
    Relay relay;
    QThread relaying;
    quint16 broker = 0, web = 0;
    const QStringList names{u"courtyard"_s, u"entrance"_s, u"gallery"_s};
    std::vector<std::unique_ptr<PseudoTerminal>> lines;
    std::vector<std::unique_ptr<RunningService>> rooms;
    std::unique_ptr<RunningService> venue;
};

void TestVenue::initTestCase()
{
    broker = freePorts(3);
    web = broker + 1;
    // Each room writes under its own line and reads the building; the venue may command all.
    write(u"acl"_s, u"pattern readwrite tessary/%u/#\npattern read tessary/#\n"
                    "user venue\ntopic readwrite tessary/#\n"_s);
    write(u"passwords"_s, {});
    for (const QString &user : names + QStringList{u"venue"_s})
        QCOMPARE(QProcess::execute(u"mosquitto_passwd"_s, {u"-b"_s, folder.filePath(u"passwords"_s),
                                                           user, u"pw-"_s + user}),
                 0);
    write(u"broker.conf"_s, u"listener %1 127.0.0.1\nallow_anonymous false\npassword_file %2\n"
                            "acl_file %3\n%4"_s.arg(broker)
                                .arg(folder.filePath(u"passwords"_s), folder.filePath(u"acl"_s),
                                     geteuid() == 0 ? u"user root\n"_s : QString()));
    endsWithTest(mosquitto);
    mosquitto.start(u"mosquitto"_s, {u"-c"_s, folder.filePath(u"broker.conf"_s)});
    QTRY_VERIFY(Clients::connectFrom(1, broker)->state() == QAbstractSocket::ConnectedState);
    write(u"players.txt"_s, u"[players]\n1 voice\n"_s);
    write(u"building.txt"_s,
          u"[scene Doors]\ncourtyard: 1 play\nentrance: voice play\nwait 0.2\n"
          "gallery: 1 stop\n[scene Evening]\ncourtyard: 1 stop\ngallery: 1 stop\n"_s);
    for (int n = 0; n < 3; ++n) {
        QDir(folder.path()).mkdir(names[n]);
        lines.push_back(std::make_unique<PseudoTerminal>());
        rooms.push_back(std::make_unique<RunningService>(folder.filePath(names[n])));
        startRoom(n);
    }
    // The front desk's PC: no line of its own, and the broker across a network.
    relay.to = broker;
    relay.moveToThread(&relaying);
    relaying.start();
    bool listening = false;
    QMetaObject::invokeMethod(
        &relay, [&] { listening = relay.listen(QHostAddress::LocalHost, broker + 2); },
        Qt::BlockingQueuedConnection);
    QVERIFY(listening);
    QDir(folder.path()).mkdir(u"venue"_s);
    venue = std::make_unique<RunningService>(folder.filePath(u"venue"_s));
    venue->configure(u"[mqtt]\nhost=127.0.0.1\nport=%1\nline=desk\nusername=venue\npassword="
                     "pw-venue\n[web]\nenabled=true\nport=%2\ntoken=%3\n[venue]\nenabled=true\n"
                     "rooms=gallery, courtyard\n[installation]\nfile=%4\n"_s.arg(broker + 2)
                         .arg(web)
                         .arg(QLatin1String(Token), folder.filePath(u"building.txt"_s)));
    venue->start();
    QVERIFY2(venue->says("joined"), venue->log());
}

void TestVenue::cleanupTestCase()
{
    venue.reset();
    rooms.clear();
    QMetaObject::invokeMethod(
        &relay,
        [this] {
            relay.close();
            qDeleteAll(relay.findChildren<QTcpSocket *>(Qt::FindDirectChildrenOnly));
            relay.moveToThread(thread());
        },
        Qt::BlockingQueuedConnection);
    relaying.quit();
    relaying.wait();
    mosquitto.kill();
    mosquitto.waitForFinished();
}

void TestVenue::theBuildingOnOnePage()
{
    // In the venue's order, the others after.
    QTRY_COMPARE(shown(), u"gallery courtyard entrance"_s);
    // A player's state past its bounds is not kept; the next one is.
    publishAs(u"courtyard"_s, u"tessary/courtyard/9/state"_s,
              u"{\"sent\": \"%1\"}"_s.arg(QString(2000, u'x')));
    publishAs(u"courtyard"_s, u"tessary/courtyard/8/state"_s, u"{\"sent\": \"play\"}"_s);
    const auto states = [this] { // courtyard's, second in the venue's order
        const QJsonArray shown = ask(u"/api/v1/rooms"_s).second[u"rooms"_s].toArray();
        return shown[1][u"states"_s].toObject().keys();
    };
    QTRY_VERIFY(states().contains(u"8"_s));
    QVERIFY(!states().contains(u"9"_s));
    // A press for each room reaches its line and only its line, and the room's result answers.
    for (int n = 0; n < 3; ++n) {
        const auto [status, result] = ask(u"/api/v1/rooms/%1/request"_s.arg(names[n]), "1 play");
        QCOMPARE(status, 200);
        QCOMPARE(result[u"room"_s].toString(), names[n]);
        QCOMPARE(result[u"outcome"_s].toString(), u"sent"_s);
        for (int m = 0; m < 3; ++m)
            QCOMPARE(lines[m]->readAll().toHex(' '), m == n ? "81 02 01 00" : "");
    }
    // The venue cut off from the broker as it presses: the press is not said to be not sent, as
    // it reached its room; once back, it does not go again.
    relay.cutting = true;
    const auto [cutStatus, cut] = ask(u"/api/v1/rooms/courtyard/request"_s, "1 play");
    QCOMPARE(cutStatus, 504);
    QCOMPARE(cut[u"outcome"_s].toString(), u"maybe sent"_s);
    QTRY_VERIFY(ask(u"/api/v1/rooms"_s).second[u"joined"_s].toBool());
    QCOMPARE(lines[0]->readAll(1000).toHex(' '), "81 02 01 00");
    // The building's Stop All reaches every room, and is answered room by room.
    const auto [status, stopped] = ask(u"/api/v1/rooms/all/request"_s, "stop");
    QCOMPARE(status, 200);
    QCOMPARE(stopped[u"rooms"_s].toArray().size(), 3);
    for (const auto &line : lines)
        QCOMPARE(line->read(4).toHex(' '), "81 02 02 00");
    // A scene of the building: each step to its room, the last after the wait.
    const auto [sceneStatus, scene] = ask(u"/api/v1/rooms/all/request"_s, "scene doors");
    QCOMPARE(sceneStatus, 200);
    QCOMPARE(scene[u"outcome"_s].toString(), u"started"_s);
    QCOMPARE(lines[0]->read(4).toHex(' ') + lines[1]->read(4).toHex(' '), "81 02 01 0081 02 01 00");
    QCOMPARE(lines[2]->read(4).toHex(' '), "81 02 02 00");
    // The same from its button in Home Assistant, on the venue's own scene topic.
    publishAs(u"venue"_s, u"tessary/desk/scene/command"_s, u"Doors"_s);
    const QByteArray frames[] = {"81 02 01 00", "81 02 01 00", "81 02 02 00"};
    for (int n = 0; n < 3; ++n)
        QCOMPARE(lines[n]->read(4).toHex(' '), frames[n]);
    // A room's password commands its own room, never another.
    publishAs(u"courtyard"_s, u"tessary/entrance/1/command"_s, u"play"_s);
    publishAs(u"courtyard"_s, u"tessary/courtyard/1/command"_s, u"next"_s);
    QCOMPARE(lines[0]->read(4).toHex(' '), "81 02 03 00");
    QCOMPARE(lines[1]->readAll(500), QByteArray());
    // Past its deadline a command is refused by the room, and nothing reaches its line.
    QProcess result;
    result.start(u"mosquitto_sub"_s,
                 {u"-p"_s, QString::number(broker), u"-u"_s, u"venue"_s, u"-P"_s, u"pw-venue"_s,
                  u"-t"_s, u"tessary/gallery/1/result"_s, u"-C"_s, u"1"_s, u"-W"_s, u"10"_s});
    // Sent again until the listener, which may take a while to subscribe, has it.
    for (QDeadlineTimer deadline(10000);
         result.state() != QProcess::NotRunning && !deadline.hasExpired();
         result.waitForFinished(300))
        publishAs(u"venue"_s, u"tessary/gallery/1/command"_s,
                  u"{\"command\": \"play\", \"id\": \"late\", \"deadline\": %1}"_s.arg(
                      QDateTime::currentMSecsSinceEpoch() - 1));
    const QJsonObject refused = QJsonDocument::fromJson(result.readAllStandardOutput()).object();
    QCOMPARE(refused[u"id"_s].toString(), u"late"_s);
    QCOMPARE(refused[u"reason"_s].toString(), u"not sent: too late (past its deadline)"_s);
    QCOMPARE(lines[2]->readAll(300), QByteArray());
    // A room gone is shown offline by its last will, and a press for it answered without waiting
    // for it; back, it is shown again.
    rooms[2]->signal(SIGKILL);
    QTRY_COMPARE(shown(), u"gallery off courtyard entrance"_s);
    const auto [offline, said] = ask(u"/api/v1/rooms/gallery/request"_s, "1 play");
    QCOMPARE(offline, 503);
    QCOMPARE(said[u"reason"_s].toString(), u"gallery is offline"_s);
    // A scene goes on without it, and says its steps in the scene's order, not the answers'.
    const auto [eveningStatus, evening] = ask(u"/api/v1/rooms/all/request"_s, "scene evening");
    QCOMPARE(eveningStatus, 503);
    QCOMPARE(lines[0]->read(4).toHex(' '), "81 02 02 00");
    QStringList steps;
    for (const QJsonValue step : evening[u"steps"_s].toArray())
        steps << step[u"room"_s].toString() + u' ' + step[u"outcome"_s].toString();
    QCOMPARE(steps.join(u", "_s), u"courtyard sent, gallery not sent"_s);
    rooms[2]->process().waitForFinished();
    startRoom(2);
    QTRY_COMPARE(shown(), u"gallery courtyard entrance"_s);
    // A room taken away (here, under another name) is no longer shown.
    QFile file(rooms[1]->configuration());
    QVERIFY(file.open(QIODevice::ReadOnly));
    rooms[1]->configure(
        QString::fromUtf8(file.readAll()).replace(u"line=entrance"_s, u"line=lobby"_s));
    rooms[1]->signal(SIGHUP);
    QTRY_COMPARE(shown(), u"gallery courtyard"_s);
}

// A scene pressed before the one before it was answered: both presses are answered.
void TestVenue::aSceneInAnothersPlace()
{
    Venue venue;
    venue.setJoined(true);
    venue.setScenes(
        Installation::parse(u"[scene Attic]\nattic: 1 play\n[scene Cellar]\nattic: 1 stop\n"_s)
            .scenes());
    venue.take(u"attic/room", R"({"players": []})");
    venue.take(u"attic/status", "online");
    QStringList answered;
    const auto said = [&answered](const Venue::Answer &answer) {
        answered << answer.result[u"command"_s].toString() + u": "_s +
                        answer.result[u"steps"_s][0][u"reason"_s].toString();
    };
    venue.runScene(u"Attic"_s, said);
    venue.runScene(u"Cellar"_s, said);
    QTRY_COMPARE_WITH_TIMEOUT(answered.size(), 2, 5000);
    answered.sort();
    QCOMPARE(answered, QStringList({u"scene Attic: no answer from attic"_s,
                                    u"scene Cellar: no answer from attic"_s}));
}

QTEST_GUILESS_MAIN(TestVenue)
#include "tst_venue.moc"
