#pragma once

#include <QProcess>
#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

// A broker or a service a test starts ends with the test, even one that crashes: left running,
// it would hold its port and its files into the next run.
inline void endsWithTest(QProcess &process)
{
#ifdef Q_OS_LINUX
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
#else
    Q_UNUSED(process)
#endif
}
