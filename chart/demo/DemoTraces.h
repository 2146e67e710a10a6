#pragma once
// Generated traces for the chart demo and the chart benchmark: four shapes with noise, a stretch
// of no data and over-range stretches, so both draw the same kind of picture.
#include <cstdint>
#include <vector>

namespace qda {

// Trace `kind` (0 sine, 1 ramp, 2 noisy square, 3 decaying burst) of `n` samples in 0.01 um,
// shown in the 0.001 mm row. The marker stretches lie between samples 20,000 and 50,300.
std::vector<int32_t> MakeDemoTrace(int kind, int n);

}  // namespace qda
