#pragma once
// Synthesised measurements: each head follows a slow sine with a faster ripple and noise, fully
// determined by the random seed and the time, so that a run with a given --seed gives the same values at
// the same instants. The OUT values follow the selected program's calculation, scaling, offset,
// auto-zero and hold mode; statistics and holds sample every OUT value each 10 ms.
// Not thread-safe; SimController serialises access.

#include <cstdint>

#include "simulator/ControllerSettings.h"
#include "simulator/SimProtocol.h"

namespace qda::sim {

// One head reading in internal length units of the current unit.
struct HeadSample {
    int64_t value = 0;
    bool connected = true;
    int over = 0;  // +1 above range, -1 below range, 0 in range
};

// Statistics of one OUT since the last clear (internal units; kNoValue fields without data).
struct OutStatistics {
    int32_t last = kNoValue;
    int32_t average = kNoValue;
    int32_t maximum = kNoValue;
    int32_t minimum = kNoValue;
    int32_t range = kNoValue;
    int32_t deviation = kNoValue;
    int32_t count = 0;
    int32_t hi = 0;
    int32_t go = 0;
    int32_t lo = 0;
};

class MeasurementModel {
public:
    static constexpr int64_t kTickUs = 10000;  // statistics and hold sampling period

    MeasurementModel(uint64_t seed, int64_t originUs);

    void SetOverRangeShare(double share) { overShare_ = share; }
    void SetHeadModel(int head, uint8_t code) { headModel_[head & 1] = code; }
    uint8_t HeadModel(int head) const { return headModel_[head & 1]; }
    static bool IsHeadConnected(uint8_t code) { return (code & 0x0F) <= 6; }

    // The head's reading at time t (us) for the given unit.
    HeadSample Head(int head, int64_t tUs, int unit) const;
    // Distance of the head's surface from mid-range in nanometres, without noise (for waveforms).
    double HeadNanometres(int head, int64_t tUs) const;
    // The OUT's value at time t with the selected program's settings and the current auto-zero,
    // no hold applied; markers kNoValue, kMeasuredPlusOver, kMeasuredMinusOver.
    int32_t InstantOut(const ControllerSettings& s, int out, int64_t tUs) const;
    // A head value as seen through an OUT's digits: rounded to its step, or a marker.
    int32_t ScalingValue(const ControllerSettings& s, int out, int head, int64_t tUs) const;

    // Samples every 10 ms tick up to now into the statistics and holds.
    void Advance(const ControllerSettings& s, int64_t nowUs);
    // The OUT's displayed value now: the hold mode's result (Advance first).
    int32_t DisplayedOut(const ControllerSettings& s, int out, int64_t nowUs) const;
    // Flag byte of an OUT: bit 7 auto-zero, bit 6 HI, bit 5 GO, bit 4 LO, bit 0 timing on.
    uint8_t OutFlags(const ControllerSettings& s, int out, int32_t value) const;
    // Flag byte of a head: bits 0-1 lamp (0 green, 1 yellow, 2 red, 3 dark), bit 4 alarm,
    // bit 7 the timing form of the OUT of the same number.
    uint8_t HeadFlags(const ControllerSettings& s, int head, int64_t nowUs) const;

    void SetAutoZero(const ControllerSettings& s, int out, bool on, int64_t nowUs);
    void SetTiming(const ControllerSettings& s, int out, bool on, int64_t nowUs);
    void ResetHold(int out);
    void ClearStatistics();
    // Starting to measure afresh (back from setting mode, initialisation): holds, statistics,
    // zero and timing are cleared.
    void Restart(int64_t nowUs);

    OutStatistics Statistics(int out) const;

private:
    struct Hold {
        int64_t count = 0;
        int64_t sum = 0;
        int32_t max = 0;
        int32_t min = 0;
        int32_t sample = INT32_MIN;
        int32_t last = INT32_MIN;
    };
    struct Stats {
        int64_t valid = 0;
        double mean = 0;  // running mean and squared deviations (Welford)
        double m2 = 0;
        int32_t max = 0;
        int32_t min = 0;
        int32_t last = INT32_MIN;
        int32_t total = 0;
        int32_t hi = 0, go = 0, lo = 0;
    };
    struct OutState {
        bool zeroOn = false;
        int64_t zeroPoint = 0;
        bool timingOn = false;
        Hold hold;
        Stats stats;
    };

    int32_t OutFromHeads(const ControllerSettings& s, int out, int64_t tUs, bool applyZero) const;
    int Judge(const ControllerSettings& s, int out, int32_t value) const;  // +1 HI, 0 GO, -1 LO

    uint64_t seed_;
    int64_t lastTickUs_;
    double overShare_ = 0;
    uint8_t headModel_[2] = {0x00, 0x21};
    OutState out_[2];
};

}  // namespace qda::sim
