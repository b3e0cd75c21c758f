#pragma once

#include <QObject>

class QSocketNotifier;

// The signals that ask a program to stop (SIGINT, SIGTERM, SIGHUP: Ctrl+C, a shutdown, a closed
// terminal) are caught and handed to the program, which then closes as it would on its own:
// settings saved, the line drained, the port and its lock released. A handler only notes the
// signal and wakes whoever waits on fd(); the work is done outside it.
class StopSignals : public QObject
{
    Q_OBJECT

public:
    // Catches the three from now on; emits caught() from the event loop when one comes.
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

    // Writes that fail make the call fail instead of killing the process: a pipe whose reader has
    // gone (SIGPIPE) and a file beyond the size limit (SIGXFSZ). For the whole process.
    static void ignoreWriteFailures();
    // Readable once a signal has come, for a program that waits in poll() rather than in an
    // event loop; -1 where there are no such signals.
    static int fd();
    // The signal that came, 0 while none has.
    static int caughtSignal();

signals:
    void caught(int signal);

private:
    QSocketNotifier *m_notifier = nullptr;
};
