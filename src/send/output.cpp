#include "send/output.h"

#include "process/stopsignals.h"

#include <QDeadlineTimer>
#include <QHash>
#include <csignal>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace Output {

namespace {

// A name from a file may hold anything: its control characters are shown as "?", so that it
// cannot drive the terminal.
QByteArray shownText(QString text)
{
    for (QChar &c : text)
        if (c.category() == QChar::Other_Control)
            c = u'?';
    return text.toLocal8Bit();
}

} // namespace

int fail(int status, const QString &message)
{
    std::fprintf(stderr, "tessary-send: %s\n", shownText(message).constData());
    return status;
}

bool say(const QString &line)
{
    const QByteArray text = shownText(line) + '\n';
    return std::fwrite(text.constData(), 1, size_t(text.size()), stdout) == size_t(text.size()) &&
           std::fflush(stdout) == 0;
}

bool stopped()
{
    return StopSignals::caughtSignal() != 0;
}

bool pause(int milliseconds)
{
#ifdef Q_OS_UNIX
    QDeadlineTimer deadline(milliseconds);
    for (pollfd stop{StopSignals::fd(), POLLIN, 0}; !stopped() && !deadline.hasExpired();)
        ::poll(&stop, 1, int(deadline.remainingTime()));
#endif
    return !stopped();
}

QString signalName(int signal)
{
    const QHash<int, QString> names{{SIGINT, QStringLiteral("SIGINT")},
                                    {SIGTERM, QStringLiteral("SIGTERM")},
                                    {SIGHUP, QStringLiteral("SIGHUP")}};
    return names.value(signal, QString::number(signal));
}

} // namespace Output
