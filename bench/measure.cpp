#include "measure.h"

#include "serial/serialport.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QThread>
#include <atomic>
#include <malloc.h>
#include <thread>
#include <unistd.h>

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

double statusKiB(qint64 pid, const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toDouble();
    return 0;
}

void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

qint64 heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
}

void connectWindow(QWidget *window, const PseudoTerminal &line)
{
    auto *ports = child<QComboBox>(window, "comboBox_Serial_Port");
    ports->addItem(line.slavePath);
    ports->setCurrentIndex(ports->count() - 1);
    child<QPushButton>(window, "pushButton_Open")->click();
    if (!serialPort->isOpen())
        qFatal("cannot open %s", qPrintable(line.slavePath));
}

double firstFrame(const PseudoTerminal &line, const std::function<void()> &action, bool eventLoop)
{
    std::atomic<qint64> first{0};
    std::thread watch([&line, &first] {
        if (int(line.read(4).size()) >= 4)
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
