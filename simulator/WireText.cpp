#include "simulator/WireText.h"

#include <cstdlib>

namespace qda::sim {

namespace {
constexpr int kDecimals[2][6] = {{2, 3, 4, 5, 1, 2}, {4, 5, 1, 2, 3, 4}};
constexpr int64_t kSteps[2][6] = {{1000, 100, 10, 1, 10, 1}, {1000, 100, 1000, 100, 10, 1}};

bool ValidRow(int unit, int row) {
    return unit >= 0 && unit <= 1 && row >= 0 && row <= 5;
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
}  // namespace

int DecimalsOfRow(int unit, int row) {
    return ValidRow(unit, row) ? kDecimals[unit][row] : 0;
}

int64_t StepSizeOfRow(int unit, int row) {
    return ValidRow(unit, row) ? kSteps[unit][row] : 1;
}

std::string FormatFixedText(int64_t value, int digits, int decimals, bool withSign) {
    const bool negative = value < 0;
    std::string body = std::to_string(negative ? -value : value);
    if (static_cast<int>(body.size()) < digits) body.insert(0, digits - body.size(), '0');
    if (decimals > 0 && decimals < static_cast<int>(body.size())) body.insert(body.size() - decimals, 1, '.');
    if (withSign)
        body.insert(0, 1, negative ? '-' : '+');
    else if (negative)
        body.insert(0, 1, '-');
    return body;
}

bool ParseSignedDigits(std::string_view text, int digits, int32_t& out) {
    if (static_cast<int>(text.size()) != digits + 1 || (text[0] != '+' && text[0] != '-')) return false;
    int32_t magnitude = 0;
    if (!ParseUnsignedDigits(text.substr(1), digits, magnitude)) return false;
    out = text[0] == '-' ? -magnitude : magnitude;
    return true;
}

bool ParseUnsignedDigits(std::string_view text, int digits, int32_t& out) {
    if (digits <= 0 || digits > 9 || static_cast<int>(text.size()) != digits) return false;
    int32_t v = 0;
    for (char c : text) {
        if (!IsDigit(c)) return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

}  // namespace qda::sim
