// The window over repeated use (a leak keeps growing from the hundredth use to the thousandth),
// following the ports, a device gone, and the program left alone.

#include "command/commandlog.h"
#include "mainwindow/mainwindow.h"
#include "measure.h"
#include "measures.h"
#include "serial/portwatcher.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <ctime>

void useFigures(MainWindow *window, PseudoTerminal &line, int runs)
{
    auto *models = child<QComboBox>(window, "comboBox_Device");
    // 7. Memory over repeated use: a leak keeps growing from the hundredth use to the thousandth,
    // while caches have filled by the hundredth.
    const std::pair<const char *, std::function<void(int)>> uses[] = {
        {"About window opened and closed",
         [window](int) {
             child<QAction>(window, "actionAbout")->trigger();
             QApplication::activeModalWidget()->close();
         }},
        {"model change",
         [models](int i) {
             emit models->activated(i % 3);
         }},
        {"language change",
         [window](int i) {
             const char *const entries[] = {"actionFran_ais", "actionEnglish", "actionDefault"};
             child<QAction>(window, entries[i % 3])->trigger();
         }},
        {"connect, play, disconnect",
         [window, &line](int) {
             child<QPushButton>(window, "pushButton_Open")->click();
             child<QPushButton>(window, "pushButton_Play")->click();
             child<QPushButton>(window, "pushButton_Close")->click();
             line.readAll(0);
         }},
    };
    connectWindow(window, line);
    child<QPushButton>(window, "pushButton_Close")->click();
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
    child<QAction>(window, "actionEnglish")->trigger();
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
    auto *status = child<QLabel>(window, "label_Status");
    Figures loss;
    for (int i = 0; i < runs; ++i) {
        auto lost = std::make_unique<PseudoTerminal>();
        connectWindow(window, *lost);
        const qint64 t0 = nowNs();
        lost->closeMaster();
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
}
