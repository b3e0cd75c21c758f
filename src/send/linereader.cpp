#include "send/linereader.h"

#include "process/stopsignals.h"
#include "send/output.h"

#include <cerrno>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <unistd.h>
#endif

// Reads what standard input has; false when a stop signal came first.
bool LineReader::fill()
{
#ifdef Q_OS_UNIX
    pollfd ready[2] = {{STDIN_FILENO, POLLIN, 0}, {StopSignals::fd(), POLLIN, 0}};
    while (!Output::stopped() && ::poll(ready, 2, -1) < 0 && errno == EINTR) {
    }
    if (Output::stopped())
        return false;
    char chunk[4096];
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n > 0)
        m_buffer.append(chunk, n);
    else if (n == 0 || errno != EINTR)
        m_ended = true;
#else
    char chunk[4096];
    const size_t n = std::fread(chunk, 1, sizeof chunk, stdin);
    m_buffer.append(chunk, qsizetype(n));
    m_ended = n == 0;
#endif
    return true;
}
