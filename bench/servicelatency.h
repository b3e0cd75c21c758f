#pragma once

#include "figures.h"

#include <functional>

// tessaryd's cue to the line over OSC, text and MQTT, each beside a relay that only copies; the
// ratios reported through report(name, measured, floor, target).
void serviceLatency(
    int runs,
    const std::function<void(const char *, const Figures &, const Figures &, double)> &report);
