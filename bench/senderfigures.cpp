// tessary-send: from its start to the frame at the line, against a bare Qt program and a C
// program that open the same terminal and write the frame; in fresh processes, interleaved.

#include "measure.h"
#include "measures.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

void senderFigures(int runs)
{
    // 9. tessary-send: from its start to the frame readable at the line, against a bare Qt
    // program that opens the same terminal with QSerialPort and writes the frame, and a C
    // program that does the same with termios; interleaved, in fresh processes.
    {
        const QString bin = QCoreApplication::applicationDirPath();
        PseudoTerminal sendLine;
        const std::pair<const char *, QStringList> programs[] = {
            {"tessary-send play",
             {bin + QStringLiteral("/../bin/tessary-send"), QStringLiteral("--port"),
              sendLine.slavePath, QStringLiteral("--model"), QStringLiteral("Lumetto"),
              QStringLiteral("--baud"), QStringLiteral("19200"), QStringLiteral("--id"),
              QStringLiteral("0"), QStringLiteral("play")}},
            {"Qt floor", {bin + QStringLiteral("/tessary-floor-qt"), sendLine.slavePath}},
            {"C floor", {bin + QStringLiteral("/tessary-floor-c"), sendLine.slavePath}},
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
                if (int(sendLine.read(4).size()) != 4)
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
        if (int(sendLine.read(4).size()) != 4)
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
}
