// Start-up and memory against a bare Qt window of the same size, in fresh processes taking
// turns, and the start with a damaged settings file in its place.

#include "mainwindow/mainwindow.h"
#include "measure.h"
#include "measures.h"
#include "process/constants.h"
#include "serial/portwatcher.h"
#include "storage/configfile.h"
#include "storage/settingsstore.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>
#include <unistd.h>

namespace {

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

} // namespace

// Starts as main() does, up to the first paint. "bare-ports" is the bare window that, as the
// main window must, has Qt's list of serial ports gathered beside its start and in hand before
// it is shown.
int runChild(int argc, char **argv, const QByteArray &mode, int widgets)
{
    const bool tessary = mode == "tessary";
    if (mode != "bare")
        PortWatcher::scanEarly();
    Tessary::applyApplicationIdentity();
    QApplication app(argc, argv);
    FirstPaint watcher;
    QWidget *window = tessary ? static_cast<QWidget *>(new MainWindow) : bareWindow(widgets);
    if (mode == "bare-ports")
        new PortWatcher(window);
    window->installEventFilter(&watcher);
    window->show();
    app.exec();
    out() << watcher.painted << ' ' << residentKiB("VmRSS:") << ' ' << residentKiB("VmHWM:")
          << Qt::endl;
    // Leave without saving settings: a save at exit would still be reaching the disk while the
    // next start is being measured.
    _exit(0);
}

void startUpFigures(int runs, int widgets)
{
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
    Figures startTessary, startBare, startBarePorts, rssTessary, rssBare, peakTessary, peakBare;
    startChild(QStringLiteral("tessary"), widgets); // warm the file cache
    startChild(QStringLiteral("bare"), widgets);
    for (int i = 0; i < runs; ++i) {
        const StartUp t = startChild(QStringLiteral("tessary"), widgets);
        const StartUp b = startChild(QStringLiteral("bare"), widgets);
        startBarePorts.values << startChild(QStringLiteral("bare-ports"), widgets).milliseconds;
        startTessary.values << t.milliseconds;
        startBare.values << b.milliseconds;
        rssTessary.values << t.residentMiB;
        rssBare.values << b.residentMiB;
        peakTessary.values << t.peakMiB;
        peakBare.values << b.peakMiB;
    }
    // The window is mapped sooner than a bare one of its size, or the start does too much.
    report("start-up to first paint", startTessary, startBare, "ms", 1.0);
    // The same bare window, waiting for the port list as the main window does: what the port
    // list costs a start on this machine.
    report("start-up to first paint, against the bare window with the port list", startTessary,
           startBarePorts, "ms", 1.0);
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
    report("memory after start-up, resident", rssTessary, rssBare, "MiB", 1.15);
    report("memory after start-up, peak resident", peakTessary, peakBare, "MiB", 1.15);
}
