// The whole building on one page: twelve rooms, each a tessaryd on a pseudo-terminal, and a
// venue's tessaryd with no line, on one broker started here. Each figure beside its floor in the
// same run: a press through the venue's API against mosquitto_pub run for the same command
// straight to the room, and against a client already connected; the building's Stop All
// against the slowest room's own, beside what the machine gives twelve mosquitto_sub; the
// venue's page of 50 rooms of 32 players drawn in Chromium against one room's page of 32
// players; and the venue's memory and its page's events through a burst of 1,000 states.

#include "measures.h"
#include "sockets.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkRequest>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWebSocket>
#include <mosquitto.h>
#include <poll.h>

namespace {

enum Port : quint16 { Broker = 47983, VenuePage, RoomPage };
constexpr int Rooms = 12;
constexpr auto Token = "bench-token-of-the-building-000";

void write(const QString &path, const QString &text)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(text.toUtf8());
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
}

// An HTTP POST to the venue, on a kept connection as a browser's page has it; its answer read
// whole after.
QByteArray post(const QString &path, const QByteArray &words)
{
    return "POST " + path.toUtf8() +
           " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(VenuePage) +
           "\r\nAuthorization: Bearer " + Token +
           "\r\nContent-Length: " + QByteArray::number(words.size()) + "\r\n\r\n" + words;
}

void readAnswer(int fd)
{
    QByteArray got;
    char buffer[4096];
    pollfd wait{fd, POLLIN, 0};
    for (qsizetype end = -1; ::poll(&wait, 1, 3000) > 0;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return;
        got.append(buffer, n);
        if (end < 0 && (end = got.indexOf("\r\n\r\n")) < 0)
            continue;
        const qsizetype length = got.indexOf("Content-Length: ");
        if (length >= 0 && got.size() >= end + 4 + got.mid(length + 16).split('\r').first().toInt())
            return;
    }
}

// Microseconds from the action to the first byte at every one of these lines.
double everyLine(const std::vector<std::unique_ptr<PseudoTerminal>> &lines,
                 const std::function<void()> &action)
{
    std::vector<pollfd> fds;
    for (const auto &line : lines)
        fds.push_back({line->master, POLLIN, 0});
    const qint64 t0 = nowNs();
    action();
    qint64 last = 0;
    for (int left = int(fds.size()); left > 0 && ::poll(fds.data(), fds.size(), 2000) > 0;)
        for (pollfd &fd : fds)
            if (fd.revents & POLLIN) {
                fd.events = 0, fd.fd = -fd.fd - 1, --left;
                last = nowNs();
            }
    for (const auto &line : lines)
        line->readAll(20);
    return (last - t0) / 1e3;
}

// What the page drew, in ms from its navigation: the helper's lines, one a load.
Figures drawn(const QString &url, const char *selector, int count, int runs)
{
    QProcess page;
    page.start(QStringLiteral("/usr/bin/python3"),
               {QCoreApplication::applicationDirPath() + QStringLiteral("/pagedraw.py"), url,
                QLatin1String(selector), QString::number(count), QString::number(runs)});
    page.waitForFinished(300000);
    Figures figures;
    for (const QByteArray &line : page.readAllStandardOutput().split('\n'))
        if (!line.isEmpty())
            figures.values << line.toDouble();
    return figures;
}

} // namespace

void building(int runs)
{
    const QString broker = QStandardPaths::findExecutable(QStringLiteral("mosquitto"));
    if (broker.isEmpty() || !QFile::exists(QStringLiteral("/usr/bin/chromedriver"))) {
        out() << "the building: no mosquitto or chromedriver here, skipped" << Qt::endl;
        return;
    }
    QTemporaryDir folder;
    write(folder.filePath(QStringLiteral("broker.conf")),
          QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\npersistence false\n"
                         "set_tcp_nodelay true\n%2")
              .arg(Broker)
              .arg(geteuid() == 0 ? QStringLiteral("user root\n") : QString()));
    QProcess mosquittoBroker;
    mosquittoBroker.start(broker,
                          {QStringLiteral("-c"), folder.filePath(QStringLiteral("broker.conf"))});
    QThread::msleep(300);
    const QString daemon =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/tessaryd");
    QString players = QStringLiteral("[players]\n");
    for (int id = 1; id <= 32; ++id)
        players += QStringLiteral("%1 speaker %1\n").arg(id);
    write(folder.filePath(QStringLiteral("players.txt")), players);
    std::vector<std::unique_ptr<PseudoTerminal>> lines;
    std::vector<std::unique_ptr<QProcess>> services;
    const auto start = [&](const QString &name, const QString &configuration) {
        const QString file = folder.filePath(name + QStringLiteral(".conf"));
        write(file, configuration);
        services.push_back(std::make_unique<QProcess>());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("STATE_DIRECTORY"), file + QStringLiteral(".state"));
        services.back()->setProcessEnvironment(environment);
        services.back()->start(daemon,
                               {QStringLiteral("--config"), file, QStringLiteral("--socket"),
                                file + QStringLiteral(".sock")});
    };
    for (int room = 0; room < Rooms; ++room) {
        lines.push_back(std::make_unique<PseudoTerminal>());
        // The first room's page is the floor of the venue's.
        start(QStringLiteral("room%1").arg(room),
              QStringLiteral("[line]\nport=%1\nmodel=Lumetto\nbaud=19200\n[installation]\nfile=%2\n"
                             "[mqtt]\nhost=127.0.0.1\nport=%3\nline=room%4\n%5")
                  .arg(lines.back()->slavePath, folder.filePath(QStringLiteral("players.txt")))
                  .arg(Broker)
                  .arg(room)
                  .arg(room ? QString()
                            : QStringLiteral("[web]\nenabled=true\nport=%1\ntoken=%2\n")
                                  .arg(RoomPage)
                                  .arg(QLatin1String(Token))));
    }
    start(QStringLiteral("venue"),
          QStringLiteral("[mqtt]\nhost=127.0.0.1\nport=%1\nline=desk\n[web]\nenabled=true\n"
                         "port=%2\ntoken=%3\n[venue]\nenabled=true\n")
              .arg(Broker)
              .arg(VenuePage)
              .arg(QLatin1String(Token)));
    mosquitto_lib_init();
    mosquitto *client = mosquitto_new(nullptr, true, nullptr);
    mosquitto_int_option(client, MOSQ_OPT_TCP_NODELAY, 1);
    if (mosquitto_connect(client, "127.0.0.1", Broker, 30) != MOSQ_ERR_SUCCESS)
        qFatal("no broker");
    mosquitto_loop_start(client);
    QThread::sleep(3); // every room has joined and told the building
    const auto publish = [client](const QByteArray &topic, const QByteArray &payload,
                                  bool retain = false) {
        mosquitto_publish(client, nullptr, topic.constData(), int(payload.size()),
                          payload.constData(), 1, retain);
    };

    // A press for a room through the venue, as the page makes it, and the same straight to the
    // room.
    // The floors: mosquitto_pub run for it, as a person would, and a client already connected.
    Figures press, byHand, straight;
    const int fd = connectTcp(VenuePage);
    const QString mosquittoPub = QStandardPaths::findExecutable(QStringLiteral("mosquitto_pub"));
    const QStringList pubArguments{QStringLiteral("-h"), QStringLiteral("127.0.0.1"),
                                   QStringLiteral("-p"), QString::number(Broker),
                                   QStringLiteral("-t"), QStringLiteral("tessary/room3/5/command"),
                                   QStringLiteral("-m"), QStringLiteral("play")};
    for (int i = 0; i < runs * 5; ++i) {
        const QByteArray request = post(QStringLiteral("/api/v1/rooms/room3/request"), "5 play");
        press.values << firstByte(*lines[3], [&] {
            (void)!::send(fd, request.constData(), request.size(), MSG_NOSIGNAL);
        });
        readAnswer(fd);
        straight.values << firstByte(*lines[3],
                                     [&] { publish("tessary/room3/5/command", "play"); });
        if (!mosquittoPub.isEmpty()) {
            QProcess pub;
            byHand.values << firstByte(*lines[3], [&] { pub.start(mosquittoPub, pubArguments); });
            pub.waitForFinished();
        }
        QThread::msleep(20);
    }
    if (!byHand.values.isEmpty())
        report("the building: a press for a room through the venue's API, to its line, against "
               "mosquitto_pub",
               press, byHand, "us", 1.3);
    report("the building: the same press against a client already connected to the broker", press,
           straight, "us", 1.3);

    // Stop All for the building, from the venue, until the last room's line; each room's own,
    // one at a time, the slowest of them the floor.
    Figures building, slowest, alarm;
    for (int i = 0; i < runs; ++i) {
        double worst = 0;
        for (int room = 0; room < Rooms; ++room) {
            worst =
                qMax(worst, firstByte(*lines[room], [&] {
                         publish(QStringLiteral("tessary/room%1/all/command").arg(room).toUtf8(),
                                 "stop");
                     }));
            QThread::msleep(150); // 32 frames at 19200 baud have left
        }
        slowest.values << worst;
        const QByteArray request = post(QStringLiteral("/api/v1/rooms/all/request"), "stop");
        building.values << everyLine(
            lines, [&] { (void)!::send(fd, request.constData(), request.size(), MSG_NOSIGNAL); });
        readAnswer(fd);
        QThread::msleep(150);
        alarm.values << everyLine(lines, [&] { publish("tessary/all/command", "stop"); });
        QThread::msleep(150);
    }
    ::close(fd);
    report("the building: Stop All of 12 rooms from the venue's page, to the last line", building,
           slowest, "us", 1.5);
    report("the building: Stop All of 12 rooms by tessary/all/command (a fire alarm)", alarm,
           slowest, "us", 1.5);

    // What the machine itself gives: twelve mosquitto_sub, each writing what it hears to a
    // pseudo-terminal of its own, the same twelve-way against the slowest one alone.
    if (const QString sub = QStandardPaths::findExecutable(QStringLiteral("mosquitto_sub"));
        !sub.isEmpty()) {
        std::vector<std::unique_ptr<PseudoTerminal>> bare;
        std::vector<std::unique_ptr<QProcess>> listeners;
        for (int room = 0; room < Rooms; ++room) {
            bare.push_back(std::make_unique<PseudoTerminal>());
            listeners.push_back(std::make_unique<QProcess>());
            listeners.back()->setStandardOutputFile(bare.back()->slavePath);
            listeners.back()->start(
                sub, {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                      QString::number(Broker), QStringLiteral("-t"), QStringLiteral("bare/all"),
                      QStringLiteral("-t"), QStringLiteral("bare/%1").arg(room)});
        }
        QThread::sleep(1);
        Figures together, alone;
        for (int i = 0; i < runs; ++i) {
            double worst = 0;
            for (int room = 0; room < Rooms; ++room) {
                worst = qMax(worst, firstByte(*bare[room], [&] {
                                 publish(QStringLiteral("bare/%1").arg(room).toUtf8(), "stop");
                             }));
                QThread::msleep(150);
            }
            alone.values << worst;
            together.values << everyLine(bare, [&] { publish("bare/all", "stop"); });
            QThread::msleep(150);
        }
        report("the machine alone: one message to 12 mosquitto_sub on 12 ptys, to the last line",
               together, alone, "us", 1.5);
        for (const auto &listener : listeners) {
            listener->kill();
            listener->waitForFinished();
        }
    }

    // 38 more rooms of 32 players, told by their retained topics as a service would.
    for (int room = Rooms; room < 50; ++room) {
        QJsonArray list;
        for (int id = 1; id <= 32; ++id)
            list.append(
                QJsonObject{{QStringLiteral("id"), id},
                            {QStringLiteral("name"), QStringLiteral("speaker %1").arg(id)}});
        const QJsonObject description{{QStringLiteral("model"), QStringLiteral("Lumetto")},
                                      {QStringLiteral("folders"), 1000},
                                      {QStringLiteral("volumeMinimum"), -31},
                                      {QStringLiteral("players"), list},
                                      {QStringLiteral("scenes"), QJsonArray()}};
        const QByteArray prefix = "tessary/sim" + QByteArray::number(room) + '/';
        publish(prefix + "status", "online", true);
        publish(prefix + "link", "open", true);
        publish(prefix + "room", QJsonDocument(description).toJson(QJsonDocument::Compact), true);
    }
    QThread::sleep(1);
    const QString page = QStringLiteral("http://127.0.0.1:%1/?token=") + QLatin1String(Token);
    report("the building: the venue's page of 50 rooms of 32 players drawn in Chromium at "
           "390x844",
           drawn(page.arg(VenuePage), ".room", 50, runs),
           drawn(page.arg(RoomPage), ".player", 32, runs), "ms", 1.5);

    // A burst of 1,000 states: the venue's memory, and what its page is sent.
    const qint64 venuePid = services.back()->processId();
    const double before = statusKiB(venuePid, "VmRSS:");
    QWebSocket events;
    int messages = 0;
    QObject::connect(&events, &QWebSocket::textMessageReceived, [&messages] { ++messages; });
    QNetworkRequest asked(QUrl(QStringLiteral("ws://127.0.0.1:%1/api/v1/events?token=%2")
                                   .arg(VenuePage)
                                   .arg(QLatin1String(Token))));
    asked.setRawHeader("Origin", "http://127.0.0.1:" + QByteArray::number(VenuePage));
    events.open(asked);
    for (const qint64 until = nowNs() + 2'000'000'000; nowNs() < until && !messages;)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    messages = 0;
    for (int i = 0; i < 1000; ++i)
        publish("tessary/sim" + QByteArray::number(Rooms + i % 38) + '/' +
                    QByteArray::number(i % 32 + 1) + "/state",
                QJsonDocument(QJsonObject{{QStringLiteral("sent"), QStringLiteral("play")},
                                          {QStringLiteral("level"), -(i % 30)}})
                    .toJson(QJsonDocument::Compact),
                true);
    for (const qint64 until = nowNs() + 1'500'000'000; nowNs() < until;)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    const double after = statusKiB(venuePid, "VmRSS:");
    out() << "the building: 1,000 states at once reached the venue's page as " << messages
          << " events; its memory " << QString::number(before / 1024, 'f', 1) << " MiB before, "
          << QString::number(after / 1024, 'f', 1) << " MiB after (+"
          << QString::number((after - before) / 1024, 'f', 1) << ")" << Qt::endl;

    mosquitto_loop_stop(client, true);
    mosquitto_destroy(client);
    for (const auto &service : services)
        service->terminate();
    for (const auto &service : services)
        service->waitForFinished();
    mosquittoBroker.kill();
    mosquittoBroker.waitForFinished();
}
