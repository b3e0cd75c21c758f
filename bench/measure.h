#pragma once

// What every measure shares: the clock, the figures printed beside their floor, the process's
// own numbers, and the window driven to its line.

#include "figures.h"
#include "pseudoterminal.h"

#include <QTextStream>
#include <QWidget>
#include <chrono>
#include <functional>
#include <utility>

// CLOCK_MONOTONIC: comparable across processes.
inline qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QTextStream &out();
QByteArray randomBytes(qsizetype size);
QString describe(const Figures &f, const char *unit);
void report(const char *name, const Figures &f, const char *unit);
void reportUnder(const char *name, const Figures &f, const char *unit, double limit);
void report(const char *name, const Figures &f, const Figures &floor, const char *unit,
            double target);

// A field of this process's /proc status in kiB, such as "VmRSS:".
qint64 residentKiB(const char *field);
// A process's CPU time so far (ms) and its threads' voluntary wake-ups.
std::pair<double, qint64> cpuAndWakeups(qint64 pid);
// A field of /proc/PID/status in kiB, such as "VmRSS:".
double statusKiB(qint64 pid, const QByteArray &field);
// Lets closed windows go and posted events run, as the event loop does between two clicks.
void settle();
// Bytes the program holds on the heap now.
qint64 heapInUse();

template <typename T> T *child(QWidget *window, const char *name)
{
    return window->findChild<T *>(QLatin1String(name));
}
// The window's port set to this line, and opened.
void connectWindow(QWidget *window, const PseudoTerminal &line);
// From an action to its first frame at the other end of the line, timed on a thread of its own
// that waits there, so that what the program does after the frame (more frames, a reply) is
// not counted; the event loop turns meanwhile when the action needs it to.
double firstFrame(const PseudoTerminal &line, const std::function<void()> &action,
                  bool eventLoop = false);
