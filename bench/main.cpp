// Measures how close Tessary comes to the floor, each figure beside a floor taken in the same
// run: start-up and memory, the window at work, the sender, remote control and the service.
//
//   tessary-bench [--runs N] [--service | --strangers | --building | --remote]
//
// Each figure is printed as median, minimum and maximum over repeated runs, with the floor and
// the ratio where it has one. Start-up and memory are taken from fresh processes.

#include "mainwindow/mainwindow.h"
#include "measure.h"
#include "measures.h"
#include "process/constants.h"
#include "serial/serialport.h"
#include "storage/settingsstore.h"

#include <QApplication>
#include <QFile>
#include <QSerialPort>
#include <QSysInfo>
#include <QTest>
#include <QThread>

int main(int argc, char **argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv, argv[2], atoi(argv[3]));

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
    // The whole building on one page: tessary-bench --building
    if (args.contains(QStringLiteral("--building"))) {
        building(runs);
        return 0;
    }
    if (args.contains(QStringLiteral("--remote"))) {
        serviceFigures();
        strangers(runs);
        remoteControl(window.get(), runs);
        installationFigures(window.get(), runs);
        manyRooms(runs);
        building(runs);
        return 0;
    }

    startUpFigures(runs, widgets);
    // The start-up figures alone: tessary-bench --startup
    if (args.contains(QStringLiteral("--startup")))
        return 0;
    PseudoTerminal line;
    windowFigures(window.get(), line, runs);
    useFigures(window.get(), line, runs);
    senderFigures(runs);

    remoteControl(window.get(), runs);
    installationFigures(window.get(), runs);
    manyRooms(runs);
    building(runs);

    serialPort->close();
    window.reset();
    QFile::remove(SettingsStore::forApplication().programFilePath());
    return 0;
}