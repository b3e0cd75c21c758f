#pragma once

// Each measure of the benchmark: it runs, and prints its figures beside their floor.

#include "figures.h"

#include <QByteArray>
#include <functional>

class MainWindow;
class PseudoTerminal;

// Runs a child process's start-up (tessary-bench --child tessary|bare|bare-ports WIDGETS).
int runChild(int argc, char **argv, const QByteArray &mode, int widgets);
// Start-up and memory against a bare window of as many widgets, and with damaged settings.
void startUpFigures(int runs, int widgets);
// A model change, a command's latency, a volume drag, a stalled line, the settings file.
void windowFigures(MainWindow *window, PseudoTerminal &line, int runs);
// The heap over repeated use, following the ports, a device gone, the program left alone.
void useFigures(MainWindow *window, PseudoTerminal &line, int runs);
// tessary-send's start to its frame, against a bare Qt program and a C program.
void senderFigures(int runs);
// A cue over OSC against Play's click, the window's frames under a flood, tessaryd idle.
void remoteControl(MainWindow *window, int runs);
// Stop All for 128 players and a scene of 20 commands.
void installationFigures(MainWindow *window, int runs);
// Many rooms on one broker (needs mosquitto).
void manyRooms(int runs);
// The whole building on one page: a venue and twelve rooms (needs mosquitto and Chromium).
void building(int runs);
// tessaryd's cue to the line over OSC, text and MQTT, each beside a relay that only copies; the
// ratios reported through report(name, measured, floor, target).
void serviceLatency(
    int runs,
    const std::function<void(const char *, const Figures &, const Figures &, double)> &report);
// tessaryd's memory, and another client's cues, while strangers hold what they can.
void strangers(int runs);
