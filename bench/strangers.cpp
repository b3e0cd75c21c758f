// What a stranger on the network can make tessaryd hold, and what it costs everyone else: the
// service's resident memory and another client's cue to the line while clients that never read
// their answers, trickle half lines or take every connection they may, against the same service
// left alone.

#include "measures.h"
#include "sockets.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <fcntl.h>

namespace {

// The service's resident memory now, in MiB.
double residentMiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

// A stranger's connections to the text port, fed from this thread between two cues.
struct Stranger
{
    const char *name;
    int connections;
    QByteArray each; // what every connection sends, again and again, reading nothing back
};

} // namespace

void strangers(int runs)
{
    QTextStream out(stdout);
    QTemporaryDir folder;
    PseudoTerminal line;
    enum Port : quint16 { Osc = 47821, Text };
    QFile config(folder.filePath(QStringLiteral("tessaryd.conf")));
    config.open(QIODevice::WriteOnly);
    config.write(QStringLiteral("[line]\nport=%1\nmodel=Lumetto\nbaud=19200\n[remote]\n"
                                "enabled=true\noscPort=%2\ntextPort=%3\n")
                     .arg(line.slavePath)
                     .arg(Osc)
                     .arg(Text)
                     .toUtf8());
    config.close();
    QProcess service;
    service.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    service.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/tessaryd"),
                  {QStringLiteral("--config"), config.fileName(), QStringLiteral("--socket"),
                   folder.filePath(QStringLiteral("tessaryd.sock"))});
    const int cues = connectTcp(Text);
    if (cues < 0) {
        out << "strangers: the service did not start; skipped" << Qt::endl;
        return;
    }
    const Stranger kinds[] = {
        {"alone", 0, {}},
        {"a client that reads nothing", 1, QByteArray("x\n").repeated(4096)},
        {"four connections trickling", 4, "5"},
        {"connections beyond the caps", 40, "5 play"},
    };
    const qint64 pid = service.processId();
    for (const Stranger &kind : kinds) {
        std::vector<int> held;
        for (int i = 0; i < kind.connections; ++i) {
            const int fd = connectTcp(Text);
            if (fd >= 0)
                ::fcntl(fd, F_SETFL, O_NONBLOCK);
            held.push_back(fd);
        }
        Figures memory, cue;
        for (int round = 0; round < runs * 10; ++round) {
            // 50 ms of the stranger's doing, then a cue of another client's.
            for (const qint64 until = nowNs() + 50'000'000; nowNs() < until;) {
                for (const int fd : held)
                    (void)!::send(fd, kind.each.constData(), size_t(kind.each.size()),
                                  MSG_NOSIGNAL);
                QThread::msleep(kind.each.size() > 1 ? 1 : 20);
            }
            cue.values << firstByte(line, [cues] { (void)!::write(cues, "5 play\n", 7); });
            char answer[64];
            (void)!::recv(cues, answer, sizeof answer, MSG_DONTWAIT);
            memory.values << residentMiB(pid);
        }
        for (const int fd : held)
            ::close(fd);
        out << "strangers, " << kind.name << ": resident " << QString::number(memory.max(), 'f', 1)
            << " MiB at most (median " << QString::number(memory.median(), 'f', 1)
            << "); another client's cue median " << QString::number(cue.median(), 'f', 0)
            << " us, max " << QString::number(cue.max(), 'f', 0) << " us" << Qt::endl;
        QThread::msleep(200);
    }
    ::close(cues);
    service.terminate();
    service.waitForFinished();
}
