#pragma once

#include "figures.h"

// tessaryd's memory, and another client's cues, while strangers hold what they can.
void strangers(int runs);
