// Many rooms on one broker.

#include "measure.h"
#include "measures.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <mosquitto.h>

// each of 100 lines, 100 services on one broker, until the last frame is at its line.
void manyRooms(int runs)
{
    const QString broker = QStandardPaths::findExecutable(QStringLiteral("mosquitto"));
    if (broker.isEmpty()) {
        out() << "many rooms: no mosquitto here, skipped" << Qt::endl;
        return;
    }
    QTemporaryDir folder;
    const quint16 port = 47883;
    QFile conf(folder.filePath(QStringLiteral("broker.conf")));
    conf.open(QIODevice::WriteOnly);
    conf.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\npersistence false\n"
                              "max_queued_messages 10000\nset_tcp_nodelay true\n%2")
                   .arg(port)
                   .arg(geteuid() == 0 ? QStringLiteral("user root\n") : QString())
                   .toUtf8());
    conf.close();
    QProcess mosquittoBroker;
    mosquittoBroker.start(broker, {QStringLiteral("-c"), conf.fileName()});
    QThread::msleep(300);
    const QString daemon =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/tessaryd");
    std::vector<std::unique_ptr<PseudoTerminal>> lines;
    std::vector<std::unique_ptr<QProcess>> services;
    const auto startService = [&](int room) {
        lines.push_back(std::make_unique<PseudoTerminal>());
        QFile config(folder.filePath(QStringLiteral("room%1.conf").arg(room)));
        config.open(QIODevice::WriteOnly);
        config.write(QStringLiteral("[line]\nport=%1\nmodel=Lumetto\nbaud=19200\n[remote]\n"
                                    "enabled=false\n[mqtt]\nhost=127.0.0.1\nport=%2\nline=room%3\n")
                         .arg(lines.back()->slavePath)
                         .arg(port)
                         .arg(room)
                         .toUtf8());
        config.close();
        services.push_back(std::make_unique<QProcess>());
        services.back()->start(daemon, {QStringLiteral("--config"), config.fileName()});
    };
    startService(0);
    mosquitto_lib_init();
    mosquitto *client = mosquitto_new(nullptr, true, nullptr);
    // Without it a publish waits for the broker's acknowledgement of the one before (Nagle).
    mosquitto_int_option(client, MOSQ_OPT_TCP_NODELAY, 1);
    std::atomic<qint64> received{0};
    mosquitto_user_data_set(client, &received);
    mosquitto_message_callback_set(client, [](mosquitto *, void *data, const mosquitto_message *) {
        *static_cast<std::atomic<qint64> *>(data) = nowNs();
    });
    if (mosquitto_connect(client, "127.0.0.1", port, 30) != MOSQ_ERR_SUCCESS)
        qFatal("no broker");
    mosquitto_subscribe(client, nullptr, "bench/echo", 1);
    mosquitto_loop_start(client);
    QThread::sleep(2); // the service has joined
    Figures command, echo;
    for (int i = 0; i < runs * 20; ++i) {
        QThread::msleep(10);
        command.values << firstFrame(*lines[0], [client] {
            mosquitto_publish(client, nullptr, "tessary/room0/5/command", 4, "play", 1, false);
        });
        received = 0;
        const qint64 t0 = nowNs();
        mosquitto_publish(client, nullptr, "bench/echo", 4, "play", 1, false);
        while (!received)
            std::this_thread::yield();
        echo.values << (received - t0) / 1e3;
    }
    out() << "MQTT command to the frame at the line: " << describe(command, "us")
          << "; broker round trip " << describe(echo, "us") << "; target floor + 1 ms ("
          << (command.median() <= echo.median() + 1000 ? "met" : "MISSED") << ")" << Qt::endl;
    const auto first = cpuAndWakeups(services[0]->processId());
    QThread::sleep(10);
    const auto last = cpuAndWakeups(services[0]->processId());
    out() << "tessaryd joined to the broker, idle for 10 s: " << last.first - first.first
          << " ms of CPU, " << last.second - first.second << " wake-ups (its keep-alive only)"
          << Qt::endl;
    for (int room = 1; room < 100; ++room)
        startService(room);
    QThread::sleep(8); // all have joined
    for (const auto &line : lines)
        line->readAll(0);
    const qint64 t0 = nowNs();
    for (int room = 0; room < 100; ++room) {
        const QByteArray topic = QStringLiteral("tessary/room%1/5/command").arg(room).toUtf8();
        mosquitto_publish(client, nullptr, topic.constData(), 4, "stop", 1, false);
    }
    int reached = 0;
    for (const auto &line : lines)
        reached += int(line->read(4).size()) == 4;
    out() << "one command to each of 100 lines on one broker: " << (nowNs() - t0) / 1e6
          << " ms until the last frame, " << reached << " of 100 lines reached" << Qt::endl;
    mosquitto_loop_stop(client, true);
    mosquitto_destroy(client);
    for (const auto &service : services)
        service->kill();
    for (const auto &service : services)
        service->waitForFinished();
    mosquittoBroker.kill();
    mosquittoBroker.waitForFinished();
}
