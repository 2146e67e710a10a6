#include "simulator/MeasurementModel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "simulator/WireText.h"

namespace qda::sim {

namespace {

constexpr int64_t kMaxTicksPerAdvance = 100000;  // catching up never takes longer than ~1000 s of ticks
constexpr double kThicknessNm = 1200000.0;       // spacing of the surfaces of a transparent body
constexpr double kNoiseNm = 3000.0;
constexpr double kNearLimitNm = 1000000.0;  // beyond 1 mm from mid-range the head lamp turns yellow

bool IsMarker(int32_t v) {
    return v == kNoValue || v == kMeasuredPlusOver || v == kMeasuredMinusOver;
}

double NanometresToInternal(double nm, int unit) {
    return unit == 1 ? nm / 2.54 : nm / 10.0;
}

int64_t RoundToStep(double v, int64_t step) {
    return static_cast<int64_t>(std::llround(v / step)) * step;
}

// Value in internal units to the OUT's representation: rounded to its step or an over marker.
int32_t ToOutValue(double v, int64_t step) {
    const double steps = v / step;
    if (steps >= 1000000.0) return kMeasuredPlusOver;
    if (steps <= -1000000.0) return kMeasuredMinusOver;
    return static_cast<int32_t>(RoundToStep(v, step));
}

}  // namespace

MeasurementModel::MeasurementModel(uint64_t seed, int64_t originUs) : seed_(seed), lastTickUs_(originUs) {}

double MeasurementModel::HeadNanometres(int head, int64_t tUs) const {
    const double t = static_cast<double>(tUs) * 1e-6;
    constexpr double kTwoPi = 2.0 * std::numbers::pi;
    // A per-seed phase keeps two simulators with different seeds visibly apart.
    const double phase = UnitFromHash(Mix64(seed_, 0x5EED, head)) * kTwoPi;
    if (head == 0)
        return 400000.0 * std::sin(kTwoPi * t / 17.0 + phase) + 15000.0 * std::sin(kTwoPi * t / 2.3);
    return 800000.0 + 250000.0 * std::sin(kTwoPi * t / 11.0 + phase) + 10000.0 * std::sin(kTwoPi * t / 1.7);
}

HeadSample MeasurementModel::Head(int head, int64_t tUs, int unit) const {
    HeadSample out;
    head &= 1;
    if (!IsHeadConnected(headModel_[head])) {
        out.connected = false;
        return out;
    }
    if (overShare_ > 0) {
        // Over-range events last one 10 ms tick, so statistics and displays agree on them.
        const uint64_t h = Mix64(seed_, 0x0E4 + head, static_cast<uint64_t>(tUs / kTickUs));
        if (UnitFromHash(h) < overShare_) {
            out.over = (Mix64(h) & 1) ? 1 : -1;
            return out;
        }
    }
    const double noise =
        (UnitFromHash(Mix64(seed_, 0x401 + head, static_cast<uint64_t>(tUs))) - 0.5) * kNoiseNm;
    out.value = std::llround(NanometresToInternal(HeadNanometres(head, tUs) + noise, unit));
    return out;
}

int32_t MeasurementModel::OutFromHeads(const ControllerSettings& s, int out, int64_t tUs,
                                       bool applyZero) const {
    const OutValues& o = s.Selected().out[out & 1];
    const int unit = s.Unit();
    const int64_t step = StepSizeOfRow(unit, o.digits);
    const bool needA = o.calc != 1 && o.calc != 5;
    const bool needB = o.calc == 1 || o.calc == 2 || o.calc == 3 || o.calc == 5;
    double scaled[2] = {0, 0};
    for (int head = 0; head < 2; ++head) {
        if (!(head == 0 ? needA : needB)) continue;
        const HeadSample hs = Head(head, tUs, unit);
        if (!hs.connected) return kNoValue;
        if (hs.over != 0) {
            const int sign = (o.calc == 3 && head == 1) ? -hs.over : hs.over;
            return sign > 0 ? kMeasuredPlusOver : kMeasuredMinusOver;
        }
        const int32_t* sc = o.scale[head];
        const double in1 = double(sc[0]) * step, out1 = double(sc[1]) * step;
        const double in2 = double(sc[2]) * step, out2 = double(sc[3]) * step;
        const double v = static_cast<double>(hs.value);
        scaled[head] = in1 == in2 ? v : out1 + (v - in1) * (out2 - out1) / (in2 - in1);
    }
    double v = 0;
    switch (o.calc) {
        case 1:
            v = scaled[1];
            break;
        case 2:
            v = scaled[0] + scaled[1];
            break;
        case 3:
            v = scaled[0] - scaled[1];
            break;
        case 4:
        case 5: {
            // The surfaces of a transparent body lie one thickness apart behind the first one.
            static constexpr int kPairs[6][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};
            const double first = scaled[o.calc == 4 ? 0 : 1];
            const double t = NanometresToInternal(kThicknessNm, unit);
            if (o.calcWave < 4)
                v = first + o.calcWave * t;
            else {
                const auto& pair = kPairs[std::clamp(o.calcWave - 4, 0, 5)];
                v = (pair[0] - pair[1]) * t;
            }
            break;
        }
        default:
            v = scaled[0];
            break;
    }
    v += double(o.offset) * step;
    const OutState& st = out_[out & 1];
    if (applyZero && st.zeroOn) v -= static_cast<double>(st.zeroPoint);
    return ToOutValue(v, step);
}

int32_t MeasurementModel::InstantOut(const ControllerSettings& s, int out, int64_t tUs) const {
    return OutFromHeads(s, out, tUs, true);
}

int32_t MeasurementModel::ScalingValue(const ControllerSettings& s, int out, int head, int64_t tUs) const {
    const int unit = s.Unit();
    const HeadSample hs = Head(head, tUs, unit);
    if (!hs.connected) return kNoValue;
    if (hs.over != 0) return hs.over > 0 ? kMeasuredPlusOver : kMeasuredMinusOver;
    return ToOutValue(static_cast<double>(hs.value), StepSizeOfRow(unit, s.Selected().out[out & 1].digits));
}

int MeasurementModel::Judge(const ControllerSettings& s, int out, int32_t value) const {
    if (value == kMeasuredPlusOver) return 1;
    if (value == kMeasuredMinusOver) return -1;
    const OutValues& o = s.Selected().out[out & 1];
    const int64_t step = StepSizeOfRow(s.Unit(), o.digits);
    if (value > int64_t{o.toleUpper} * step) return 1;
    if (value < int64_t{o.toleLower} * step) return -1;
    return 0;
}

void MeasurementModel::Advance(const ControllerSettings& s, int64_t nowUs) {
    int64_t ticks = (nowUs - lastTickUs_) / kTickUs;
    if (ticks <= 0) return;
    if (ticks > kMaxTicksPerAdvance) {
        lastTickUs_ += (ticks - kMaxTicksPerAdvance) * kTickUs;
        ticks = kMaxTicksPerAdvance;
    }
    for (int64_t i = 1; i <= ticks; ++i) {
        const int64_t t = lastTickUs_ + i * kTickUs;
        for (int out = 0; out < 2; ++out) {
            const int32_t v = InstantOut(s, out, t);
            if (v == kNoValue) continue;
            OutState& st = out_[out];
            Stats& a = st.stats;
            const int j = Judge(s, out, v);
            ++a.total;
            (j > 0 ? a.hi : j < 0 ? a.lo : a.go)++;
            if (IsMarker(v)) continue;
            ++a.valid;
            const double delta = v - a.mean;
            a.mean += delta / static_cast<double>(a.valid);
            a.m2 += delta * (v - a.mean);
            a.max = a.valid == 1 ? v : std::max(a.max, v);
            a.min = a.valid == 1 ? v : std::min(a.min, v);
            a.last = v;
            Hold& h = st.hold;
            ++h.count;
            h.sum += v;
            h.max = h.count == 1 ? v : std::max(h.max, v);
            h.min = h.count == 1 ? v : std::min(h.min, v);
            h.last = v;
        }
    }
    lastTickUs_ += ticks * kTickUs;
}

int32_t MeasurementModel::DisplayedOut(const ControllerSettings& s, int out, int64_t nowUs) const {
    const OutValues& o = s.Selected().out[out & 1];
    const Hold& h = out_[out & 1].hold;
    const int64_t step = StepSizeOfRow(s.Unit(), o.digits);
    switch (o.msrMode) {
        case 1:
            return h.count ? h.max : kNoValue;
        case 2:
            return h.count ? h.min : kNoValue;
        case 3:
            return h.count ? ToOutValue(double(h.max) - h.min, step) : kNoValue;
        case 4:
            return h.sample;
        case 5:
            return h.count ? ToOutValue(double(h.sum) / double(h.count), step) : kNoValue;
        default:
            return InstantOut(s, out, nowUs);
    }
}

uint8_t MeasurementModel::OutFlags(const ControllerSettings& s, int out, int32_t value) const {
    const OutState& st = out_[out & 1];
    uint8_t flags = 0;
    if (st.zeroOn) flags |= 0x80;
    if (value != kNoValue) {
        const int j = Judge(s, out, value);
        flags |= j > 0 ? 0x40 : j < 0 ? 0x10 : 0x20;
    }
    if (st.timingOn) flags |= 0x01;
    return flags;
}

uint8_t MeasurementModel::HeadFlags(const ControllerSettings& s, int head, int64_t nowUs) const {
    head &= 1;
    uint8_t flags = s.Selected().out[head].trigger == 1 ? 0x80 : 0x00;
    const HeadSample hs = Head(head, nowUs, s.Unit());
    if (!hs.connected) return flags | 0x03;
    if (hs.over != 0) return flags | 0x02 | 0x10;
    if (std::fabs(HeadNanometres(head, nowUs)) > kNearLimitNm) flags |= 0x01;
    return flags;
}

void MeasurementModel::SetAutoZero(const ControllerSettings& s, int out, bool on, int64_t nowUs) {
    OutState& st = out_[out & 1];
    st.zeroOn = on;
    st.zeroPoint = 0;
    if (on) {
        const int32_t v = OutFromHeads(s, out, nowUs, false);
        if (!IsMarker(v)) st.zeroPoint = v;
    }
}

void MeasurementModel::SetTiming(const ControllerSettings& s, int out, bool on, int64_t nowUs) {
    OutState& st = out_[out & 1];
    if (on && !st.timingOn) {
        // A timing edge latches the sample hold and starts a new hold period for the others.
        const int32_t sample = InstantOut(s, out, nowUs);
        st.hold = Hold{};
        st.hold.sample = sample;
    }
    st.timingOn = on;
}

void MeasurementModel::ResetHold(int out) {
    out_[out & 1].hold = Hold{};
}

void MeasurementModel::ClearStatistics() {
    for (OutState& st : out_) st.stats = Stats{};
}

void MeasurementModel::Restart(int64_t nowUs) {
    for (OutState& st : out_) st = OutState{};
    lastTickUs_ = nowUs;
}

OutStatistics MeasurementModel::Statistics(int out) const {
    const Stats& a = out_[out & 1].stats;
    OutStatistics r;
    r.count = a.total;
    r.hi = a.hi;
    r.go = a.go;
    r.lo = a.lo;
    if (a.valid > 0) {
        r.last = a.last;
        r.average = static_cast<int32_t>(std::llround(a.mean));
        r.maximum = a.max;
        r.minimum = a.min;
        r.range = static_cast<int32_t>(std::min<int64_t>(int64_t{a.max} - a.min, INT32_MAX));
        r.deviation = static_cast<int32_t>(std::llround(std::sqrt(a.m2 / static_cast<double>(a.valid))));
    }
    return r;
}

}  // namespace qda::sim
