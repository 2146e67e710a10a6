#include "monitor/ScalingCheck.h"

#include <cstdlib>

#include "settings/MessageFormat.h"
#include "settings/Units.h"

namespace qda {

namespace {

constexpr int kMsgInvalidNumber = 192;
constexpr int kMsgEqualInputs = 349;
constexpr int kMsgGainTooLarge = 265;
constexpr double kMaxGain = 9.999;

}  // namespace

bool ScalingGainAllowed(int32_t in1, int32_t out1, int32_t in2, int32_t out2) {
    const int64_t display = std::llabs(int64_t{out1} - out2);
    const int64_t input = std::llabs(int64_t{in1} - in2);
    // |display| / |input| <= 9.999  <=>  |display| * 1000 <= 9999 * |input|; both sides stay far
    // below 2^63 for 32-bit values.
    return display * 1000 <= kMaxScalingGainMilli * input;
}

ScalingCheckResult CheckScalingTexts(const ScalingTexts& texts, int unit, int mm, int inch) {
    ScalingCheckResult r;
    for (int head = 0; head < 2; ++head) {
        for (int field = 0; field < 4; ++field) {
            const std::string& text = texts[static_cast<size_t>(head)][static_cast<size_t>(field)];
            const int32_t v = ParseLength(text, unit, mm, inch);
            if (!IsDecimalText(text) || !IsWithinSteps(v, unit, mm, inch)) {
                r.message = kMsgInvalidNumber;
                r.text = FormatMessage(kMsgInvalidNumber, {FormatStepBound(-kMaxSteps, unit, mm, inch),
                                                           FormatStepBound(kMaxSteps, unit, mm, inch)});
                r.head = head;
                r.field = field;
                return r;
            }
            r.values[static_cast<size_t>(head)][static_cast<size_t>(field)] = v;
        }
    }
    for (int head = 0; head < 2; ++head) {
        const auto& v = r.values[static_cast<size_t>(head)];
        r.head = head;
        r.field = kScaleIn1;
        if (v[kScaleIn1] == v[kScaleIn2]) {
            r.message = kMsgEqualInputs;
            r.text = FormatMessage(kMsgEqualInputs, {});
            return r;
        }
        if (!ScalingGainAllowed(v[kScaleIn1], v[kScaleOut1], v[kScaleIn2], v[kScaleOut2])) {
            r.message = kMsgGainTooLarge;
            r.text = FormatMessage(kMsgGainTooLarge, {kMaxGain});
            return r;
        }
    }
    r.ok = true;
    r.head = 0;
    return r;
}

}  // namespace qda
