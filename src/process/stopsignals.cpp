#include "process/stopsignals.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
constexpr int Stops[] = {SIGINT, SIGTERM, SIGHUP};
int wake[2] = {-1, -1};
volatile std::sig_atomic_t caughtNumber = 0;

extern "C" void noteStop(int signal)
{
    const int saved = errno;
    caughtNumber = signal;
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t n = ::write(wake[1], &byte, 1);
    errno = saved;
}
#endif

} // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent)
{
#ifdef Q_OS_UNIX
    if (wake[0] < 0 && ::pipe(wake) == 0) {
        for (const int end : wake) {
            ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
            ::fcntl(end, F_SETFD, FD_CLOEXEC);
        }
    }
    // No SA_RESTART: a blocking call in progress returns, and the program looks at fd().
    struct sigaction action = {};
    action.sa_handler = noteStop;
    sigemptyset(&action.sa_mask);
    for (const int signal : Stops)
        sigaction(signal, &action, nullptr);
    m_notifier = new QSocketNotifier(wake[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        // Each signal in turn: a service reloads on one and stops on another.
        for (char byte = 0; ::read(wake[0], &byte, 1) > 0;)
            emit caught(int(byte));
    });
#endif
}

StopSignals::~StopSignals()
{
#ifdef Q_OS_UNIX
    for (const int signal : Stops)
        std::signal(signal, SIG_DFL);
#endif
}

void StopSignals::ignoreWriteFailures()
{
#ifdef Q_OS_UNIX
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

int StopSignals::fd()
{
#ifdef Q_OS_UNIX
    return wake[0];
#else
    return -1;
#endif
}

int StopSignals::caughtSignal()
{
#ifdef Q_OS_UNIX
    return int(caughtNumber);
#else
    return 0;
#endif
}
