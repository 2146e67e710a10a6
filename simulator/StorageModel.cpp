#include "simulator/StorageModel.h"

#include <algorithm>

#include "simulator/SimProtocol.h"

namespace qda::sim {

int64_t StorageModel::IntervalUs(const CommonValues& c) {
    static constexpr int64_t kPeriodUs[6] = {20, 50, 100, 200, 500, 1000};
    static constexpr int64_t kMultiple[10] = {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000};
    return kPeriodUs[std::clamp(c.sampRate, 0, 5)] * kMultiple[std::clamp(c.dsFreq, 0, 9)];
}

uint32_t StorageModel::TotalAt(int64_t nowUs) const {
    if (!storing_ || segments_.empty()) return stoppedCount_;
    const int64_t taken = std::max<int64_t>(0, (nowUs - segments_.back().startUs) / intervalUs_);
    return static_cast<uint32_t>(std::min<int64_t>(points_, int64_t{stoppedCount_} + taken));
}

bool StorageModel::Start(const ControllerSettings& s, int64_t nowUs) {
    const CommonValues& c = s.Selected().common;
    if (c.dsOut == 0) return false;
    if (storing_) return true;
    outMask_ = c.dsOut;
    intervalUs_ = IntervalUs(c);
    points_ = static_cast<uint32_t>(c.dsPoints);
    if (stoppedCount_ >= points_) return true;  // full: nothing more to take
    segments_.push_back({nowUs, stoppedCount_});
    storing_ = true;
    return true;
}

void StorageModel::Stop(int64_t nowUs) {
    stoppedCount_ = TotalAt(nowUs);
    storing_ = false;
}

void StorageModel::Clear() {
    *this = StorageModel{};
}

bool StorageModel::Storing(int64_t nowUs) {
    if (storing_ && TotalAt(nowUs) >= points_) Stop(nowUs);
    return storing_;
}

uint32_t StorageModel::Count(int out, int64_t nowUs) {
    Storing(nowUs);
    return (outMask_ & (1 << (out & 1))) ? TotalAt(nowUs) : 0;
}

std::vector<int32_t> StorageModel::Values(const ControllerSettings& s, const MeasurementModel& m, int out,
                                          int64_t nowUs) {
    const uint32_t n = Count(out, nowUs);
    std::vector<int32_t> values;
    values.reserve(n);
    for (size_t seg = 0; seg < segments_.size() && values.size() < n; ++seg) {
        const uint32_t end = seg + 1 < segments_.size() ? segments_[seg + 1].firstIndex : n;
        for (uint32_t i = segments_[seg].firstIndex; i < end && values.size() < n; ++i) {
            const int64_t t =
                segments_[seg].startUs + int64_t(i - segments_[seg].firstIndex + 1) * intervalUs_;
            int32_t v = m.InstantOut(s, out, t);
            if (v == kMeasuredPlusOver)
                v = kStoredPlusOver;
            else if (v == kMeasuredMinusOver)
                v = kStoredMinusOver;
            values.push_back(v);
        }
    }
    return values;
}

}  // namespace qda::sim
