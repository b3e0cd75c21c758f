// Measures how close Tessary comes to the floor: start-up and memory against a bare Qt window of
// the same size, a model change, the latency of a command against a raw write on the same
// pseudo-terminal, a volume drag, and the settings file.
//
//   tessary-bench [--runs N]
//
// Each figure is printed as median, minimum and maximum over repeated runs, with the floor and
// the ratio where it has one. Start-up and memory are taken from fresh processes.

#include "aboutwindows.h"
#include "commandlog.h"
#include "commandpath.h"
#include "configfile.h"
#include "constants.h"
#include "globals.h"
#include "mainwindow.h"
#include "osc.h"
#include "portwatcher.h"
#include "remoteserver.h"
#include "seriallink.h"
#include "servicelatency.h"
#include "settingsstore.h"
#include "strangers.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QNetworkDatagram>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QSlider>
#include <QStandardPaths>
#include <QStatusBar>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>
#include <QVBoxLayout>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <malloc.h>
#include <mosquitto.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock; // CLOCK_MONOTONIC: comparable across processes

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(7);
    for (char &byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

QString describe(const Figures &f, const char *unit)
{
    return QStringLiteral("median %1 %4, min %2, max %3")
        .arg(f.median(), 0, 'f', 3)
        .arg(f.min(), 0, 'f', 3)
        .arg(f.max(), 0, 'f', 3)
        .arg(QLatin1String(unit));
}

void report(const char *name, const Figures &f, const char *unit)
{
    out() << name << ": " << describe(f, unit) << Qt::endl;
}

void reportUnder(const char *name, const Figures &f, const char *unit, double limit)
{
    out() << name << ": " << describe(f, unit) << " (target under " << limit << ' ' << unit << ", "
          << (f.median() < limit ? "met" : "MISSED") << ")" << Qt::endl;
}

void report(const char *name, const Figures &f, const Figures &floor, const char *unit,
            double target)
{
    const double ratio = f.median() / floor.median();
    out() << name << ": " << describe(f, unit) << "; floor " << describe(floor, unit) << "; ratio "
          << QString::number(ratio, 'f', 2) << " (target " << target << ", "
          << (ratio <= target ? "met" : "MISSED") << ")" << Qt::endl;
}

// --- Child processes: one window up to its first paint ------------------------------------------

qint64 residentKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// The floor: a plain main window built from the same kinds and number of widgets as Tessary's,
// one list holding 1000 items, but no pictures, texts, settings, catalogues or serial port.
QMainWindow *bareWindow(int widgets)
{
    auto *window = new QMainWindow;
    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    for (int i = 0; i < 7; ++i)
        layout->addWidget(new QGroupBox);
    for (int i = 0; i < 9; ++i)
        layout->addWidget(new QPushButton);
    auto *list = new QComboBox;
    QStringList items;
    for (int i = 0; i < 1000; ++i)
        items << QString::number(i);
    list->addItems(items);
    layout->addWidget(list);
    for (int i = 0; i < 4; ++i)
        layout->addWidget(new QComboBox);
    layout->addWidget(new QSlider(Qt::Horizontal));
    layout->addWidget(new QCheckBox);
    window->setCentralWidget(central);
    window->setStatusBar(new QStatusBar);
    for (int i = 0; i < 3; ++i)
        window->menuBar()->addMenu(QStringLiteral("Menu"));
    while (window->findChildren<QWidget *>().size() + 1 < widgets)
        layout->addWidget(new QLabel);
    return window;
}

class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !seen) {
            seen = true;
            painted = nowNs();
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        }
        return QObject::eventFilter(watched, event);
    }
    bool seen = false;
    qint64 painted = 0;
};

// Starts as main() does, up to the first paint.
int runChild(int argc, char **argv, bool tessary, int widgets)
{
    if (tessary)
        PortWatcher::scanEarly();
    Tessary::applyApplicationIdentity();
    QApplication app(argc, argv);
    FirstPaint watcher;
    QWidget *window = tessary ? static_cast<QWidget *>(new MainWindow) : bareWindow(widgets);
    window->installEventFilter(&watcher);
    window->show();
    app.exec();
    out() << watcher.painted << ' ' << residentKiB("VmRSS:") << ' ' << residentKiB("VmHWM:")
          << Qt::endl;
    // Leave without saving settings: a save at exit would still be reaching the disk while the
    // next start is being measured.
    _exit(0);
}

struct StartUp
{
    double milliseconds;
    double residentMiB;
    double peakMiB;
};

StartUp startChild(const QString &mode, int widgets)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    const qint64 started = nowNs();
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--child"), mode, QString::number(widgets)});
    child.waitForFinished(30000);
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 3)
        qFatal("child %s failed", qPrintable(mode));
    return {(fields[0].toLongLong() - started) / 1e6, fields[1].toDouble() / 1024,
            fields[2].toDouble() / 1024};
}

// Instructions of a start-up's main thread, counted by callgrind: the same for the same binary
// and inputs however busy the machine is. Zero when valgrind is not installed.
double startUpInstructions(const QString &mode, int widgets)
{
    const QString valgrind = QStandardPaths::findExecutable(QStringLiteral("valgrind"));
    QTemporaryDir scratch;
    if (valgrind.isEmpty() || !scratch.isValid())
        return 0;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.start(valgrind,
                {QStringLiteral("--tool=callgrind"), QStringLiteral("--separate-threads=yes"),
                 QStringLiteral("--callgrind-out-file=") + scratch.filePath(QStringLiteral("cg")),
                 QCoreApplication::applicationFilePath(), QStringLiteral("--child"), mode,
                 QString::number(widgets)});
    child.waitForFinished(300000);
    QFile profile(scratch.filePath(QStringLiteral("cg-01")));
    if (!profile.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : profile.readAll().split('\n')) {
        if (line.startsWith("summary:"))
            return line.mid(8).trimmed().toDouble() / 1e6;
    }
    return 0;
}

// --- In-process figures -------------------------------------------------------------------------

template <typename T> T *child(QWidget *window, const char *name)
{
    return window->findChild<T *>(QLatin1String(name));
}

struct Line
{
    int master = -1;
    int slave = -1;
    QString path;

    Line()
    {
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
            qFatal("no pseudo-terminal");
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        path = QString::fromLocal8Bit(name);
    }
    ~Line()
    {
        ::close(master);
        ::close(slave);
    }
    // Waits until count bytes have arrived at the master; returns how many did.
    int receive(int count) const
    {
        int got = 0;
        char buffer[512];
        while (got < count) {
            pollfd fd{master, POLLIN, 0};
            if (poll(&fd, 1, 1000) <= 0)
                break;
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            got += int(n);
        }
        return got;
    }
    int drain() const
    {
        int got = 0;
        char buffer[512];
        for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
            got += int(n);
        return got;
    }
};

// A process's CPU time so far (ms) and its threads' voluntary wake-ups.
std::pair<double, qint64> cpuAndWakeups(qint64 pid)
{
    const QString proc = QStringLiteral("/proc/%1").arg(pid);
    QFile stat(proc + QStringLiteral("/stat"));
    stat.open(QIODevice::ReadOnly);
    const QList<QByteArray> fields = stat.readAll().split(')').last().split(' ');
    qint64 wakeups = 0;
    for (const QString &task :
         QDir(proc + QStringLiteral("/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(proc + QStringLiteral("/task/") + task + QStringLiteral("/status"));
        status.open(QIODevice::ReadOnly);
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("voluntary_ctxt_switches"))
                wakeups += line.split('\t').last().toLongLong();
    }
    // utime and stime are fields 14 and 15 of the line, 12 and 13 after the name.
    return {(fields[12].toLongLong() + fields[13].toLongLong()) * 1000.0 / sysconf(_SC_CLK_TCK),
            wakeups};
}

// A field of /proc/PID/status in kiB, such as "VmRSS:".
double statusKiB(qint64 pid, const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toDouble();
    return 0;
}

// Lets closed windows go and posted events run, as the event loop does between two clicks.
void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// Bytes the program holds on the heap now.
qint64 heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
}

void connectWindow(QWidget *window, const Line &line)
{
    auto *ports = child<QComboBox>(window, "comboBox_Serial_Port");
    ports->addItem(line.path);
    ports->setCurrentIndex(ports->count() - 1);
    child<QPushButton>(window, "pushButton_Open")->click();
    if (!serialPort->isOpen())
        qFatal("cannot open %s", qPrintable(line.path));
}

// From an action to its first frame at the other end of the line, timed on a thread of its own
// that waits there, so that what the program does after the frame (more frames, a reply) is
// not counted; the event loop turns meanwhile when the action needs it to.
double firstFrame(const Line &line, const std::function<void()> &action, bool eventLoop = false)
{
    std::atomic<qint64> first{0};
    std::thread watch([&line, &first] {
        if (line.receive(4) >= 4)
            first = nowNs();
    });
    QThread::msleep(2);
    const qint64 start = nowNs();
    action();
    while (eventLoop && !first)
        QCoreApplication::processEvents();
    watch.join();
    if (!first)
        qFatal("nothing sent");
    return (first - start) / 1e3;
}

// 10. Remote control. A cue as an OSC datagram until its four bytes are at the line, against
// Play's click, with a UDP echo on the loopback as the cost of the network itself; the window's
// frame time while one client floods it with 10,000 datagrams a second, against none; tessaryd
// with remote control on, idle.
void remoteControl(QWidget *window, int runs)
{
    Line line;
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
    line.drain();
    report("window frame time, 10,000 datagrams a second", flooded, quiet, "ms", 1.2);
    server->stop();

    // tessaryd left alone for 10 s with remote control on, and its memory.
    QTemporaryDir folder;
    QFile config(folder.filePath(QStringLiteral("tessaryd.conf")));
    config.open(QIODevice::WriteOnly);
    config.write(QStringLiteral("[line]\nport=%1\nmodel=Lumetto\nbaud=19200\n[remote]\n"
                                "enabled=true\noscPort=47711\ntextPort=47712\n")
                     .arg(line.path)
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
// start to its first frame at the line, against a click of Play.
void installationFigures(QWidget *window, int runs)
{
    Line line;
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
        if (line.receive(512) != 512)
            qFatal("Stop All lost frames");
        all.values << (nowNs() - t0) / 1e6;
        Asked twenty;
        twenty.target = Asked::Target::Scene;
        twenty.scene = QStringLiteral("Twenty");
        scene.values << firstFrame(line, [path, twenty] {
            path->request(Request::press(QStringLiteral("bench"), twenty));
        });
        QThread::msleep(5);
        line.drain();
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
    std::vector<std::unique_ptr<Line>> lines;
    std::vector<std::unique_ptr<QProcess>> services;
    const auto startService = [&](int room) {
        lines.push_back(std::make_unique<Line>());
        QFile config(folder.filePath(QStringLiteral("room%1.conf").arg(room)));
        config.open(QIODevice::WriteOnly);
        config.write(QStringLiteral("[line]\nport=%1\nmodel=Lumetto\nbaud=19200\n[remote]\n"
                                    "enabled=false\n[mqtt]\nhost=127.0.0.1\nport=%2\nline=room%3\n")
                         .arg(lines.back()->path)
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
        line->drain();
    const qint64 t0 = nowNs();
    for (int room = 0; room < 100; ++room) {
        const QByteArray topic = QStringLiteral("tessary/room%1/5/command").arg(room).toUtf8();
        mosquitto_publish(client, nullptr, topic.constData(), 4, "stop", 1, false);
    }
    int reached = 0;
    for (const auto &line : lines)
        reached += line->receive(4) == 4;
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

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv, qstrcmp(argv[2], "tessary") == 0, atoi(argv[3]));

    Tessary::applyApplicationIdentity();
    QApplication app(argc, argv);
    int runs = 21;
    const QStringList args = app.arguments();
    if (const qsizetype i = args.indexOf(QStringLiteral("--runs")); i > 0 && i + 1 < args.size())
        runs = qMax(3, args[i + 1].toInt());

    out() << "Tessary benchmark on " << QSysInfo::prettyProductName() << ", "
          << QThread::idealThreadCount() << " cores, Qt " << qVersion() << ", platform "
          << QGuiApplication::platformName() << ", " << runs << " runs" << Qt::endl;

    auto window = std::make_unique<MainWindow>();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qFatal("window not shown");
    const int widgets = int(window->findChildren<QWidget *>().size()) + 1;
    // The remote-control figures alone: tessary-bench --remote
    const auto serviceFigures = [runs] {
        serviceLatency(runs, [](const char *name, const Figures &f, const Figures &floor,
                                double target) { report(name, f, floor, "us", target); });
    };
    // tessaryd's cues beside relays that only copy: tessary-bench --service
    if (args.contains(QStringLiteral("--service"))) {
        serviceFigures();
        return 0;
    }
    // What strangers can make it hold: tessary-bench --strangers
    if (args.contains(QStringLiteral("--strangers"))) {
        strangers(runs);
        return 0;
    }
    if (args.contains(QStringLiteral("--remote"))) {
        serviceFigures();
        strangers(runs);
        remoteControl(window.get(), runs);
        installationFigures(window.get(), runs);
        manyRooms(runs);
        return 0;
    }

    // 1 and 6. Start-up and memory, fresh processes taking turns, each finding the settings of an
    // earlier run as the program does from its second start on.
    const SettingsStore settings = SettingsStore::forApplication();
    Configuration saved{ModelName1,
                        QString(),
                        QStringLiteral("19200"),
                        false,
                        Configuration::Language::English,
                        QStringLiteral("0")};
    settings.write(ConfigFile::format(saved, QCoreApplication::applicationName(),
                                      QCoreApplication::applicationVersion()));
    Figures startTessary, startBare, rssTessary, rssBare, peakTessary, peakBare;
    startChild(QStringLiteral("tessary"), widgets); // warm the file cache
    startChild(QStringLiteral("bare"), widgets);
    for (int i = 0; i < runs; ++i) {
        const StartUp t = startChild(QStringLiteral("tessary"), widgets);
        const StartUp b = startChild(QStringLiteral("bare"), widgets);
        startTessary.values << t.milliseconds;
        startBare.values << b.milliseconds;
        rssTessary.values << t.residentMiB;
        rssBare.values << b.residentMiB;
        peakTessary.values << t.peakMiB;
        peakBare.values << b.peakMiB;
    }
    report("start-up to first paint", startTessary, startBare, "ms", 1.15);
    const double instructions = startUpInstructions(QStringLiteral("tessary"), widgets);
    const double bareInstructions = startUpInstructions(QStringLiteral("bare"), widgets);
    if (instructions > 0 && bareInstructions > 0)
        out() << "start-up instructions, main thread (callgrind): "
              << QString::number(instructions, 'f', 1) << " M; floor "
              << QString::number(bareInstructions, 'f', 1) << " M; ratio "
              << QString::number(instructions / bareInstructions, 'f', 2) << Qt::endl;

    // A damaged settings file in its place: the start stays as quick as with a good one.
    const QString settingsPath = settings.programFilePath();
    const std::pair<const char *, QByteArray> damages[] = {
        {"one line of 10 MB", "KVX11.00" + QByteArray(10 * 1024 * 1024, '9')},
        {"200 KB of random bytes", randomBytes(200 * 1024)},
        {"a link to /dev/zero", QByteArray()},
    };
    const int damagedRuns = qMax(3, runs / 3);
    for (const auto &[name, bytes] : damages) {
        QFile::remove(settingsPath);
        if (bytes.isEmpty()) {
            QFile::link(QStringLiteral("/dev/zero"), settingsPath);
        } else {
            QFile file(settingsPath);
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                qFatal("cannot write %s", qPrintable(settingsPath));
        }
        Figures damaged;
        for (int i = 0; i < damagedRuns; ++i)
            damaged.values << startChild(QStringLiteral("tessary"), widgets).milliseconds;
        report(qPrintable(QStringLiteral("start-up, settings file replaced by ") +
                          QLatin1String(name)),
               damaged, startTessary, "ms", 1.15);
    }
    QFile::remove(settingsPath);
    settings.write(ConfigFile::format(saved, QCoreApplication::applicationName(),
                                      QCoreApplication::applicationVersion()));

    // 2. Model change, the window shown.
    Figures change;
    auto *models = child<QComboBox>(window.get(), "comboBox_Device");
    for (int i = 0; i < runs * 30; ++i) {
        const int index = i % 3;
        models->setCurrentIndex(index);
        const qint64 t0 = nowNs();
        emit models->activated(index);
        change.values << (nowNs() - t0) / 1e3;
    }
    reportUnder("model change", change, "us", 500);

    // 3. Command latency: from Play's click until the four bytes are readable at the master. The
    // click is the button's own (QAbstractButton::click); the window system's delivery of a
    // mouse press and release is the same for every Qt button and is left out.
    Line line;
    connectWindow(window.get(), line);
    auto *play = child<QPushButton>(window.get(), "pushButton_Play");
    Figures command, raw;
    const char frame[4] = {char(0x80), 0x02, 0x01, 0x00};
    for (int i = 0; i < runs * 50; ++i) {
        qint64 t0 = nowNs();
        play->click();
        if (line.receive(4) != 4)
            qFatal("frame lost");
        command.values << (nowNs() - t0) / 1e3;
        t0 = nowNs();
        if (::write(line.slave, frame, 4) != 4 || line.receive(4) != 4)
            qFatal("raw write lost");
        raw.values << (nowNs() - t0) / 1e3;
    }
    report("command latency", command, raw, "us", 1.5);

    // 4. Volume drag across the whole range, one value at a time.
    models->setCurrentIndex(1);
    emit models->activated(1);
    connectWindow(window.get(), line);
    auto *slider = child<QSlider>(window.get(), "horizontalSlider_All");
    // Sweeps across the whole range, the event loop running after each value as in a drag, so
    // that a shown command log draws its rows.
    int changes = 0, frames = 0;
    const auto dragged = [&] {
        Figures drag;
        for (int sweep = 0; sweep < runs; ++sweep) {
            const int from = sweep % 2 ? slider->minimum() : slider->maximum();
            const int to = sweep % 2 ? slider->maximum() : slider->minimum();
            slider->setValue(from);
            QCoreApplication::processEvents();
            while (line.drain() > 0)
                QThread::msleep(1);
            const int step = from < to ? 1 : -1;
            const qint64 t0 = nowNs();
            for (int v = from + step; v != to + step; v += step) {
                slider->setValue(v);
                QCoreApplication::processEvents();
                ++changes;
            }
            const qint64 t1 = nowNs();
            frames += line.receive(4 * std::abs(to - from)) / 4;
            drag.values << (t1 - t0) / 1e3 / std::abs(to - from);
        }
        return drag;
    };
    QAction *showLog = child<QAction>(window.get(), "actionCommand_Log");
    if (showLog->isChecked())
        showLog->trigger();
    const Figures hidden = dragged();
    showLog->trigger();
    const Figures shown = dragged();
    showLog->trigger();
    report("volume drag, per frame, command log hidden", hidden, "us");
    report("volume drag, per frame, command log shown", shown, hidden, "us", 1.2);
    out() << "volume drag, frames at the line: " << frames << " for " << changes
          << " value changes (" << (frames == changes ? "equal" : "DIFFERENT") << ")" << Qt::endl;

    // A stalled line: its queue full and nobody reading. Only the first command waits for room.
    {
        const int writer = ::open(qPrintable(line.path), O_WRONLY | O_NONBLOCK | O_NOCTTY);
        for (int quiet = 0; quiet < 3; QThread::msleep(20))
            quiet = ::write(writer, "0123456789abcdef", 16) > 0 ? 0 : quiet + 1;
        ::close(writer);
        const qint64 t0 = nowNs();
        for (int i = 0; i < 50; ++i)
            play->click();
        out() << "50 commands on a stalled line: " << (nowNs() - t0) / 1e6
              << " ms (target under 150 ms, the first one's wait included)" << Qt::endl;
        while (line.drain() > 0)
            QThread::msleep(20);
        play->click();
        if (line.receive(4) < 4)
            qFatal("the line did not come back");
    }

    // 5. Settings file: gather, write whole, read back and parse.
    QTemporaryDir scratch;
    const SettingsStore store(scratch.path(), scratch.filePath(QStringLiteral("user")),
                              QStringLiteral("bench.cfg"));
    Configuration configuration{ModelName2,
                                line.path,
                                QStringLiteral("38400"),
                                true,
                                Configuration::Language::French,
                                QStringLiteral("42")};
    Figures save, load;
    for (int i = 0; i < runs * 10; ++i) {
        qint64 t0 = nowNs();
        store.write(ConfigFile::format(configuration, QCoreApplication::applicationName(),
                                       QCoreApplication::applicationVersion()));
        save.values << (nowNs() - t0) / 1e3;
        t0 = nowNs();
        if (!ConfigFile::parse(store.read().value_or(QString())))
            qFatal("settings not read back");
        load.values << (nowNs() - t0) / 1e3;
    }
    report("settings save", save, "us");
    report("settings load", load, "us");

    // 7. Memory over repeated use: a leak keeps growing from the hundredth use to the thousandth,
    // while caches have filled by the hundredth.
    const std::pair<const char *, std::function<void(int)>> uses[] = {
        {"About window opened and closed",
         [&window](int) {
             child<QAction>(window.get(), "actionAbout")->trigger();
             QApplication::activeModalWidget()->close();
         }},
        {"model change",
         [models](int i) {
             emit models->activated(i % 3);
         }},
        {"language change",
         [&window](int i) {
             const char *const entries[] = {"actionFran_ais", "actionEnglish", "actionDefault"};
             child<QAction>(window.get(), entries[i % 3])->trigger();
         }},
        {"connect, play, disconnect",
         [&window, &line](int) {
             child<QPushButton>(window.get(), "pushButton_Open")->click();
             child<QPushButton>(window.get(), "pushButton_Play")->click();
             child<QPushButton>(window.get(), "pushButton_Close")->click();
             line.drain();
         }},
    };
    connectWindow(window.get(), line);
    child<QPushButton>(window.get(), "pushButton_Close")->click();
    // The log's rows are kept by design (up to 10,000): it is emptied before each reading.
    auto *log = window->findChild<CommandLog *>();
    for (const auto &[name, use] : uses) {
        for (int i = 0; i < 100; ++i)
            use(i), settle();
        log->clear();
        const qint64 afterHundred = heapInUse();
        for (int i = 100; i < 1000; ++i)
            use(i), settle();
        log->clear();
        const qint64 growth = heapInUse() - afterHundred;
        out() << "heap over repeated use, " << name << ": " << growth / 1024.0
              << " KiB more after 1000 uses than after 100 (" << growth / 900.0
              << " bytes per use; " << (growth < 256 * 900 ? "steady" : "GROWING") << ")"
              << Qt::endl;
    }

    // 8. Following the ports. A rescan gathers the list on a thread of its own: the GUI thread's
    // share is the CPU time it spends while rescans run, waiting included.
    child<QAction>(window.get(), "actionEnglish")->trigger();
    auto *watcher = window->findChild<PortWatcher *>();
    const auto guiThreadMs = [](const std::function<void()> &work) {
        timespec before{}, after{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &before);
        work();
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &after);
        return (after.tv_sec - before.tv_sec) * 1e3 + (after.tv_nsec - before.tv_nsec) / 1e6;
    };
    double idle = 0, busy = 0;
    const int rescans = 60;
    for (int i = 0; i < rescans; ++i) {
        idle += guiThreadMs([] { QTest::qWait(50); });
        busy += guiThreadMs([watcher] {
            watcher->rescan();
            QTest::qWait(50);
        });
    }
    Figures scan;
    for (int i = 0; i < runs; ++i) {
        const qint64 t0 = nowNs();
        PortWatcher::systemPorts();
        scan.values << (nowNs() - t0) / 1e6;
    }
    report("port list from the system, per scan (on a thread of its own)", scan, "ms");
    out() << "GUI thread's CPU time per rescan, beyond what its event loop spends idle: "
          << QString::number((busy - idle) * 1e3 / rescans, 'f', 1) << " us of "
          << QString::number(busy * 1e3 / rescans, 'f', 1) << " (target: none to speak of)"
          << Qt::endl;

    // The device gone: from the other end of the line closing to "Connection lost" shown.
    auto *status = child<QLabel>(window.get(), "label_Status");
    Figures loss;
    for (int i = 0; i < runs; ++i) {
        auto lost = std::make_unique<Line>();
        connectWindow(window.get(), *lost);
        const qint64 t0 = nowNs();
        ::close(std::exchange(lost->master, -1));
        if (!QTest::qWaitFor(
                [status] { return status->text() == QLatin1String("Connection lost"); }, 2000))
            qFatal("the loss went unnoticed");
        loss.values << (nowNs() - t0) / 1e6;
    }
    reportUnder("device gone to \"Connection lost\" shown", loss, "ms", 100);

    // The running program left alone for 10 s: its CPU time and its threads' wake-ups.
    {
        QTemporaryDir home;
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/tessary"),
                      {});
        program.waitForStarted();
        QThread::sleep(2);
        const auto sample = [&program] {
            return cpuAndWakeups(program.processId());
        };
        const auto first = sample();
        QThread::sleep(10);
        const auto last = sample();
        program.kill();
        program.waitForFinished();
        out() << "the program idle for 10 s: " << last.first - first.first << " ms of CPU, "
              << last.second - first.second << " wake-ups (target: none from port watching)"
              << Qt::endl;
    }

    // 9. tessary-send: from its start to the frame readable at the line, against a bare Qt
    // program that opens the same terminal with QSerialPort and writes the frame, and a C
    // program that does the same with termios; interleaved, in fresh processes.
    {
        const QString bin = QCoreApplication::applicationDirPath();
        Line sendLine;
        const std::pair<const char *, QStringList> programs[] = {
            {"tessary-send play",
             {bin + QStringLiteral("/../bin/tessary-send"), QStringLiteral("--port"), sendLine.path,
              QStringLiteral("--model"), QStringLiteral("Lumetto"), QStringLiteral("--baud"),
              QStringLiteral("19200"), QStringLiteral("--id"), QStringLiteral("0"),
              QStringLiteral("play")}},
            {"Qt floor", {bin + QStringLiteral("/tessary-floor-qt"), sendLine.path}},
            {"C floor", {bin + QStringLiteral("/tessary-floor-c"), sendLine.path}},
        };
        Figures times[3];
        double peakKiB = 0;
        for (int i = 0; i < runs * 3; ++i) {
            for (int p = 0; p < 3; ++p) {
                QList<QByteArray> words;
                for (const QString &word : programs[p].second)
                    words << word.toLocal8Bit();
                std::vector<char *> argv;
                for (QByteArray &word : words)
                    argv.push_back(word.data());
                argv.push_back(nullptr);
                pid_t child = 0;
                const qint64 t0 = nowNs();
                if (posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
                    qFatal("cannot start %s", argv[0]);
                if (sendLine.receive(4) != 4)
                    qFatal("%s sent nothing", programs[p].first);
                times[p].values << (nowNs() - t0) / 1e6;
                int status = 0;
                waitpid(child, &status, 0);
            }
        }
        // Its memory, read while it waits for commands on standard input.
        QProcess waiting;
        waiting.start(programs[0].second.first(), programs[0].second.mid(1, 8)
                                                      << QStringLiteral("-"));
        waiting.write("play\n");
        waiting.waitForBytesWritten();
        if (sendLine.receive(4) != 4)
            qFatal("tessary-send - sent nothing");
        QFile status(QStringLiteral("/proc/%1/status").arg(waiting.processId()));
        status.open(QIODevice::ReadOnly);
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                peakKiB = line.mid(6).trimmed().split(' ').first().toDouble();
        waiting.closeWriteChannel();
        waiting.waitForFinished();
        report("tessary-send play, start to frame at the line", times[0], times[1], "ms", 1.3);
        out() << "  against the C floor: median " << QString::number(times[2].median(), 'f', 3)
              << " ms; ratio " << QString::number(times[0].median() / times[2].median(), 'f', 2)
              << Qt::endl;
        out() << "tessary-send, peak resident memory: " << peakKiB / 1024 << " MiB" << Qt::endl;
    }

    remoteControl(window.get(), runs);
    installationFigures(window.get(), runs);
    manyRooms(runs);

    report("memory after start-up, resident", rssTessary, rssBare, "MiB", 1.15);
    report("memory after start-up, peak resident", peakTessary, peakBare, "MiB", 1.15);

    serialPort->close();
    window.reset();
    QFile::remove(settings.programFilePath());
    return 0;
}
