#pragma once

#include <QString>

// What tessary-send says, and how it ends: exit statuses as sysexits.h has them; a stop signal
// with nothing left unsent ends as the shell reports a signal, 128 and its number.
namespace Output {

enum Exit {
    Sent = 0,
    Usage = 64,
    LinesRefused = 65,
    PortUnavailable = 69,
    NotSent = 74,
    SignalBase = 128
};

// "tessary-send: <message>" on standard error; the status given.
int fail(int status, const QString &message);
// A line on standard output; false when it could not be written (its reader gone).
bool say(const QString &line);

// Whether a stop signal came; waits, or less when one comes (false then); its name.
bool stopped();
bool pause(int milliseconds);
QString signalName(int signal);

} // namespace Output
