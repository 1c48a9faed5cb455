// Axis ticks a reader can read: round numbers, 1, 2 or 5 times a power of ten apart.
#pragma once

#include <vector>

namespace e14::host {

// About `aim` ticks inside [low, high], on multiples of the chosen step, in
// increasing order. An empty or non-finite range gives no ticks.
std::vector<double> RoundTicks(double low, double high, int aim = 5);

}  // namespace e14::host
