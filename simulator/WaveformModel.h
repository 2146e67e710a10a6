#pragma once
// The received-light waveform of a head: a noise floor with one Gaussian peak per surface the
// head sees (one for standard and translucent bodies, two to four for transparent and multiple
// reflection modes), placed according to the head's current distance.

#include <cstdint>
#include <span>
#include <vector>

#include "simulator/ControllerSettings.h"
#include "simulator/MeasurementModel.h"

namespace qda::sim {

class WaveformModel {
public:
    static constexpr int kSamples = 1024;
    static constexpr size_t kReplySize = 1046;

    // The whole reply of the waveform command (header included, status 0): segment flags at 8,
    // sample count at 10, main peak height at 12, four peak positions at 14, samples from 22.
    // `peakSelect` (0..3) chooses the peak that ROVA levels in the "transparent 2" mode.
    // `fixedPeaks`, when not empty, places the peaks there instead of where the head's distance
    // puts them (one surface per position).
    static std::vector<uint8_t> Reply(const ControllerSettings& s, const MeasurementModel& m, int head,
                                      int peakSelect, uint8_t segmentFlags,
                                      std::span<const uint16_t> fixedPeaks, uint64_t seed, int64_t nowUs);
};

}  // namespace qda::sim
