#pragma once
// The checks the scaling dialog runs on OK: the eight numbers (for head A, then head B: input 1,
// display 1, input 2, display 2), then for each head that its inputs differ and that the gain
// between the two points stays within +-9.999.
#include <array>
#include <cstdint>
#include <string>

namespace qda {

// Field order within a head.
enum ScalingField { kScaleIn1 = 0, kScaleOut1 = 1, kScaleIn2 = 2, kScaleOut2 = 3 };

using ScalingTexts = std::array<std::array<std::string, 4>, 2>;  // [head][field]
using ScalingValueSet = std::array<std::array<int32_t, 4>, 2>;   // internal length units

struct ScalingCheckResult {
    bool ok = false;
    int message = 0;   // 192 invalid number, 349 equal inputs, 265 gain too large
    std::string text;  // the message filled with its values
    int head = 0;      // the edit to focus
    int field = kScaleIn1;
    ScalingValueSet values{};  // with ok: the eight values
};

// The largest gain a two-point scaling may have, in thousandths.
constexpr int64_t kMaxScalingGainMilli = 9999;

// Checks the typed texts in the OUT's unit row (unit family, metric and imperial digits).
ScalingCheckResult CheckScalingTexts(const ScalingTexts& texts, int unit, int mmDigits, int inchDigits);

// True when the gain (display 1 - display 2) / (input 1 - input 2) lies within +-9.999,
// decided on the integers (no rounding of a quotient). Inputs must differ.
bool ScalingGainAllowed(int32_t in1, int32_t out1, int32_t in2, int32_t out2);

}  // namespace qda
