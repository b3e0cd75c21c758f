// Remote control in the window and the installation's bursts.

#include "command/commandpath.h"
#include "mainwindow/mainwindow.h"
#include "measure.h"
#include "measures.h"
#include "remote/osc.h"
#include "remote/remoteserver.h"
#include "sockets.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QNetworkDatagram>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>

// frame time while one client floods it with 10,000 datagrams a second, against none; tessaryd
// with remote control on, idle.
void remoteControl(MainWindow *window, int runs)
{
    PseudoTerminal line;
    connectWindow(window, line);
    auto *server = window->findChild<RemoteServer *>();
    RemoteSettings settings;
    settings.enabled = true;
    settings.oscPort = 47701;
    settings.textPort = 47702;
    QString why;
    if (!server->start(settings, &why))
        qFatal("remote control: %s", qPrintable(why));
    const QByteArray cue = Osc::encode({"/tessary/0/play", {}});
    QUdpSocket client, echo;
    client.bind(QHostAddress::LocalHost);
    echo.bind(QHostAddress::LocalHost);
    QObject::connect(&echo, &QUdpSocket::readyRead, &echo, [&echo] {
        while (echo.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = echo.receiveDatagram();
            echo.writeDatagram(datagram.makeReply(datagram.data()));
        }
    });
    auto *play = child<QPushButton>(window, "pushButton_Play");
    Figures osc, click, loopback;
    for (int i = 0; i < runs * 50; ++i) {
        // Within the hundred commands a second each client may send.
        QThread::msleep(8);
        osc.values << firstFrame(
            line, [&] { client.writeDatagram(cue, QHostAddress::LocalHost, settings.oscPort); },
            true);
        QCoreApplication::processEvents(); // the reply goes out
        while (client.hasPendingDatagrams())
            client.receiveDatagram();
        click.values << firstFrame(line, [play] { play->click(); });
        const qint64 t0 = nowNs();
        client.writeDatagram(cue, echo.localAddress(), echo.localPort());
        while (!client.hasPendingDatagrams())
            QCoreApplication::processEvents();
        client.receiveDatagram();
        loopback.values << (nowNs() - t0) / 1e3;
    }
    const double floor = 1.5 * click.median() + loopback.median();
    out() << "OSC cue to the frame at the line: " << describe(osc, "us") << "; Play's click "
          << describe(click, "us") << "; UDP echo " << describe(loopback, "us")
          << "; target 1.5 x click + echo = " << QString::number(floor, 'f', 1) << " us ("
          << (osc.median() <= floor ? "met" : "MISSED") << ")" << Qt::endl;

    // Frames asked for 60 times a second, as an animation would, for two seconds.
    const auto frameTime = [window] {
        int paints = 0;
        struct Counter : QObject
        {
            int *paints;
            bool eventFilter(QObject *, QEvent *event) override
            {
                *paints += event->type() == QEvent::UpdateRequest;
                return false;
            }
        } counter;
        counter.paints = &paints;
        window->installEventFilter(&counter);
        QTimer ask;
        QObject::connect(&ask, &QTimer::timeout, window, [window] { window->update(); });
        ask.start(16);
        QElapsedTimer elapsed;
        elapsed.start();
        while (elapsed.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        window->removeEventFilter(&counter);
        return elapsed.elapsed() / double(qMax(paints, 1));
    };
    Figures quiet, flooded;
    quiet.values << frameTime();
    std::atomic<bool> flooding{true};
    std::thread flood([&flooding, &cue, port = settings.oscPort] {
        const int sender = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in to = {};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        for (qint64 next = nowNs(); flooding; next += 100 * 1000) { // 10,000 a second
            ::sendto(sender, cue.constData(), size_t(cue.size()), 0,
                     reinterpret_cast<const sockaddr *>(&to), sizeof to);
            while (nowNs() < next)
                std::this_thread::yield();
        }
        ::close(sender);
    });
    flooded.values << frameTime();
    flooding = false;
    flood.join();
    line.readAll(0);
    report("window frame time, 10,000 datagrams a second", flooded, quiet, "ms", 1.2);
    server->stop();

    // tessaryd left alone for 10 s with remote control on, and its memory.
    QTemporaryDir folder;
    QFile config(folder.filePath(QStringLiteral("tessaryd.conf")));
    config.open(QIODevice::WriteOnly);
    config.write(QStringLiteral("[line]\nport=%1\nmodel=Lumetto\nbaud=19200\n[remote]\n"
                                "enabled=true\noscPort=47711\ntextPort=47712\n")
                     .arg(line.slavePath)
                     .toUtf8());
    config.close();
    child<QPushButton>(window, "pushButton_Close")->click();
    QProcess service;
    service.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/tessaryd"),
                  {QStringLiteral("--config"), config.fileName()});
    service.waitForStarted();
    QThread::sleep(2);
    const auto first = cpuAndWakeups(service.processId());
    QThread::sleep(10);
    const auto last = cpuAndWakeups(service.processId());
    out() << "tessaryd idle for 10 s, remote control on: " << last.first - first.first
          << " ms of CPU, " << last.second - first.second << " wake-ups (target 0); resident "
          << statusKiB(service.processId(), "VmRSS:") / 1024 << " MiB" << Qt::endl;
    service.kill();
    service.waitForFinished();
}

// 11. The installation. Stop All for 128 players, from the action to the last frame at the line,
// against the line's own time for 512 bytes at 19200 baud; a scene of 20 commands, from its

void installationFigures(MainWindow *window, int runs)
{
    PseudoTerminal line;
    connectWindow(window, line);
    auto *path = window->findChild<CommandPath *>();
    QString text = QStringLiteral("[scene Twenty]\n");
    for (int i = 0; i < 20; ++i)
        text += QStringLiteral("%1 folder %2\n").arg(i).arg(i);
    path->setInstallation(Installation::parse(text)); // no players: Stop All stops every ID
    auto *stopAll = child<QAction>(window, "actionStop_All");
    auto *play = child<QPushButton>(window, "pushButton_Play");
    Figures all, scene, click;
    for (int i = 0; i < runs * 10; ++i) {
        qint64 t0 = nowNs();
        stopAll->trigger();
        if (int(line.read(512).size()) != 512)
            qFatal("Stop All lost frames");
        all.values << (nowNs() - t0) / 1e6;
        Asked twenty;
        twenty.target = Asked::Target::Scene;
        twenty.scene = QStringLiteral("Twenty");
        scene.values << firstFrame(line, [path, twenty] {
            path->request(Request::press(QStringLiteral("bench"), twenty));
        });
        QThread::msleep(5);
        line.readAll(0);
        click.values << firstFrame(line, [play] { play->click(); });
    }
    Figures wire;
    wire.values << 512 * 10 * 1000.0 / 19200;
    report("Stop All, 128 players, to the last frame at the line", all, wire, "ms", 1.1);
    report("a scene of 20 commands, to its first frame at the line", scene, click, "us", 1.0);
}

// 12. Many rooms on one broker (needs mosquitto): from a publish to the four bytes at the line
// through a local broker, against the broker's own round trip (a publish to a subscriber's
// receipt); tessaryd's wake-ups with the broker joined and nothing to do; and one command to
