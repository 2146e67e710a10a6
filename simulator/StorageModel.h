#pragma once
// The controller's data storage: once started it takes one value of each stored OUT every
// storage interval (sampling period x storage frequency of the selected program) until the
// programmed number of points is reached. Counts follow the clock; the values themselves are
// computed when they are read out, from the measurement model at each sample's instant.
// Not thread-safe; SimController serialises access.

#include <cstdint>
#include <vector>

#include "simulator/ControllerSettings.h"
#include "simulator/MeasurementModel.h"

namespace qda::sim {

class StorageModel {
public:
    // Sampling periods (us) of SampRate 0..5 and the multiples of DSFreq 0..9.
    static int64_t IntervalUs(const CommonValues& c);

    // Starts or resumes storing with the selected program's storage settings. False when the
    // program stores no OUT (DSOut OFF).
    bool Start(const ControllerSettings& s, int64_t nowUs);
    void Stop(int64_t nowUs);
    void Clear();
    // True while storing (it ends by itself once the point count is reached).
    bool Storing(int64_t nowUs);
    // Values stored so far for an OUT (0 for an OUT the program does not store).
    uint32_t Count(int out, int64_t nowUs);
    // The stored values of an OUT in storage form (over markers as the controller stores them).
    std::vector<int32_t> Values(const ControllerSettings& s, const MeasurementModel& m, int out,
                                int64_t nowUs);

private:
    struct Segment {
        int64_t startUs;
        uint32_t firstIndex;
    };
    uint32_t TotalAt(int64_t nowUs) const;

    bool storing_ = false;
    int outMask_ = 0;  // bit 0 OUT1, bit 1 OUT2
    int64_t intervalUs_ = 1;
    uint32_t points_ = 0;
    uint32_t stoppedCount_ = 0;  // values taken before the current segment
    std::vector<Segment> segments_;
};

}  // namespace qda::sim
