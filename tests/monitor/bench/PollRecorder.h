#pragma once
// Notes through the command layer's dump hook when each poll request of the measured-value and
// waveform windows goes out and when its reply comes back, per window, so that the poll periods
// can be read off the wire's own timeline without touching the program.
#include <array>
#include <cstdint>
#include <mutex>
#include <vector>

#include "comm/DumpSink.h"
#include "support/BenchFigures.h"

namespace qda::bench {

// The polling windows told apart by their requests.
enum PollSource { kCalcPolls = 0, kWaveAPolls = 1, kWaveBPolls = 2, kPollSources = 3 };

struct PollTimes {
    std::vector<int64_t> sent;     // steady clock, ns
    std::vector<int64_t> replied;  // when its reply had been taken from the receive queue; 0 none
};

class CPollRecorder final : public IDumpSink {
public:
    void Log(const char* caption, const uint8_t* bytes, int length) override;
    // The requests of `source` sent between `from` and `to` (steady clock, ns) and their replies.
    PollTimes Times(PollSource source, int64_t from, int64_t to) const;
    // How many requests `source` has sent so far.
    size_t Sent(PollSource source) const;

private:
    mutable std::mutex m_lock;
    std::array<PollTimes, kPollSources> m_times;
    int m_lastSource = -1;  // the polling window whose request went out last, -1 none
};

}  // namespace qda::bench
