#include "simulator/WaveformModel.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "simulator/SimProtocol.h"

namespace qda::sim {

std::vector<uint8_t> WaveformModel::Reply(const ControllerSettings& s, const MeasurementModel& m, int head,
                                          int peakSelect, uint8_t segmentFlags,
                                          std::span<const uint16_t> fixedPeaks, uint64_t seed,
                                          int64_t nowUs) {
    std::vector<uint8_t> r(kReplySize, 0);
    const int count = 256 * std::popcount(static_cast<unsigned>(segmentFlags & 0x0F));
    r[8] = segmentFlags & 0x0F;
    PutU16(r, 10, static_cast<uint16_t>(count));

    const HeadSample hs = m.Head(head, nowUs, s.Unit());
    if (!hs.connected) return r;  // no head, no light

    const int mode = s.Selected().head[head & 1].msrMode;
    static constexpr int kSurfaces[5] = {1, 1, 2, 4, 3};
    static constexpr double kHeights[4] = {210, 150, 110, 80};
    const int fixed = static_cast<int>(std::min<size_t>(fixedPeaks.size(), 4));
    const int surfaces = hs.over != 0 ? 0 : fixed > 0 ? fixed : kSurfaces[std::clamp(mode, 0, 4)];
    const double sigma = mode == 1 ? 24.0 : 9.0;  // a translucent body spreads the light
    double gain = 1.0;
    if (mode == 3) gain = 220.0 / kHeights[std::clamp(peakSelect, 0, 3)];  // ROVA levels the chosen peak

    const double first = 512.0 + m.HeadNanometres(head, nowUs) / 1e6 * 300.0;
    double pos[4] = {};
    int peaks = 0;
    for (int i = 0; i < surfaces; ++i) {
        const double p = fixed > 0 ? fixedPeaks[static_cast<size_t>(i)] : first + i * 70.0;
        if (p < 1 || p >= count) break;
        pos[peaks++] = p;
        PutU16(r, 14 + 2 * i, static_cast<uint16_t>(std::lround(p)));
    }
    PutU16(r, 12, static_cast<uint16_t>(peaks ? std::min(255.0, kHeights[0] * gain) : 0));

    const uint64_t frame = static_cast<uint64_t>(nowUs / 1000);
    for (int x = 0; x < count; ++x) {
        double v = 6.0 + UnitFromHash(Mix64(seed, frame * 2 + (head & 1), x)) * 6.0;
        for (int i = 0; i < peaks; ++i) {
            const double d = (x - pos[i]) / sigma;
            v += kHeights[i] * gain * std::exp(-0.5 * d * d);
        }
        r[22 + x] = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
    }
    return r;
}

}  // namespace qda::sim
