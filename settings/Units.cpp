#include "settings/Units.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace qda {

namespace {

// Rows 0-5 of families 0 and 1 are the display-digit rows; row 6 stands for an invalid index.
// Family 2 serves numbers without a length unit.
constexpr UnitRow kInvalidRow{false, "%f", 0, 6, "--", "--", 1, 1};
constexpr UnitRow kPlainRow{true, "%d", 0, 0, "", "", 1, 1};

constexpr UnitRow kUnitTable[kUnitFamilyCount][kUnitRowCount] = {
    {
        {false, "%3.2f", 3, 2, "mm", "0.01", 100000, 100},
        {false, "%4.3f", 4, 3, "mm", "0.001", 100000, 1000},
        {false, "%5.4f", 5, 4, "mm", "0.0001", 100000, 10000},
        {false, "%6.5f", 6, 5, "mm", "0.00001", 100000, 100000},
        {false, "%2.1f", 2, 1, "um", "0.1", 100, 10},
        {false, "%3.2f", 3, 2, "um", "0.01", 100, 100},
        kInvalidRow,
    },
    {
        {false, "%5.4f", 5, 4, "inch", "0.0001", 10000000, 10000},
        {false, "%6.5f", 6, 5, "inch", "0.00001", 10000000, 100000},
        {false, "%2.1f", 2, 1, "mil", "0.1", 10000, 10},
        {false, "%3.2f", 3, 2, "mil", "0.01", 10000, 100},
        {false, "%4.3f", 4, 3, "mil", "0.001", 10000, 1000},
        {false, "%5.4f", 5, 4, "mil", "0.0001", 10000, 10000},
        kInvalidRow,
    },
    {kPlainRow, kPlainRow, kPlainRow, kPlainRow, kPlainRow, kPlainRow, kPlainRow},
};

std::string FormatInt(int64_t v) {
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A row's format applied to a double ("%d" of the value cut to an integer for integer rows).
std::string FormatWithRow(const UnitRow& row, double x) {
    if (row.isInteger) {
        if (!(x > -2147483649.0 && x < 2147483648.0)) return FormatInt(x < 0 ? INT32_MIN : INT32_MAX);
        return FormatInt(static_cast<int32_t>(x));
    }
    return FormatFixed(x, row.precision, row.width);
}

// 10^n as a 128-bit integer; n is at most 38.
__int128 Pow10(int n) {
    __int128 p = 1;
    for (int i = 0; i < n; ++i) p *= 10;
    return p;
}

}  // namespace

const UnitRow& UnitTableRow(int family, int row) {
    if (family < 0 || family >= kUnitFamilyCount || row < 0 || row >= kUnitRowCount) return kPlainRow;
    return kUnitTable[family][row];
}

const UnitRow& SelectUnitRow(int family, int mmDigits, int inchDigits) {
    auto rowOf = [](int digits) { return digits >= 0 && digits < 6 ? digits : 6; };
    if (family == 0) return kUnitTable[0][rowOf(mmDigits)];
    if (family == 1) return kUnitTable[1][rowOf(inchDigits)];
    return kUnitTable[2][6];
}

int UnitRowOfReportedFormat(int unit, int rowHint, int decimals) {
    if (unit != 0 && unit != 1) return -1;
    if (rowHint >= 0 && rowHint <= 5 && UnitTableRow(unit, rowHint).precision == decimals) return rowHint;
    for (int row = 0; row <= 5; ++row) {
        if (UnitTableRow(unit, row).precision == decimals) return row;
    }
    return -1;
}

int64_t CountSteps(int32_t v, int family, int mmDigits, int inchDigits) {
    return RoundToStep(v, family, mmDigits, inchDigits) / SelectUnitRow(family, mmDigits, inchDigits).Step();
}

bool IsWithinSteps(int32_t v, int family, int mmDigits, int inchDigits) {
    const int64_t n = CountSteps(v, family, mmDigits, inchDigits);
    return n >= -kMaxSteps && n <= kMaxSteps;
}

bool IsWithinNonNegativeSteps(int32_t v, int family, int mmDigits, int inchDigits) {
    const int64_t n = CountSteps(v, family, mmDigits, inchDigits);
    return n >= 0 && n <= kMaxSteps;
}

std::string FormatFixed(double x, int precision, int width) {
    char buf[400];  // the widest double in fixed notation has 309 integer digits
    auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, precision);
    std::string text = res.ec == std::errc() ? std::string(buf, res.ptr) : std::string("nan");
    // A value that rounds to zero is zero, whatever side it came from: never "-0.0000".
    if (text.size() > 1 && text[0] == '-' && text.find_first_of("123456789") == std::string::npos &&
        text.find_first_of("0") != std::string::npos)
        text.erase(0, 1);
    if (static_cast<int>(text.size()) < width) text.insert(0, static_cast<size_t>(width) - text.size(), ' ');
    return text;
}

int32_t VoltsToMillivolts(double volts) {
    if (!std::isfinite(volts)) return 0;
    if (volts > 2.0e6) return INT32_MAX;
    if (volts < -2.0e6) return INT32_MIN;
    // Round to micro-volts first (the six decimals the value is written with), then cut.
    const long long micro = std::llround(volts * 1.0e6);
    const long long milli = micro / 1000;
    if (milli > INT32_MAX) return INT32_MAX;
    if (milli < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(milli);
}

bool ParseVoltageText(std::string_view text, double& volts) {
    if (!IsDecimalText(text)) return false;
    size_t i = 0;
    bool negative = false;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        ++i;
    }
    int64_t whole = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) whole = whole * 10 + (text[i] - '0');  // <= 999999
    int64_t milli = whole * 1000;
    if (i < text.size() && text[i] == '.') {
        int64_t scale = 100;
        for (++i; i < text.size() && scale > 0; ++i, scale /= 10) milli += (text[i] - '0') * scale;
    }
    volts = static_cast<double>(negative ? -milli : milli) / 1000.0;
    return true;
}

}  // namespace qda

using qda::SelectUnitRow;
using qda::UnitRow;

int64_t RoundToStep(int32_t v, int family, int mmDigits, int inchDigits) {
    const int64_t s = SelectUnitRow(family, mmDigits, inchDigits).Step();
    int64_t w = v;
    const int64_t half = s / 2;
    if ((w < 0 ? -w : w) % s >= half) w += w < 0 ? -half : half;
    return s * (w / s);
}

double ToDisplayValue(int32_t v, int family, int mmDigits, int inchDigits) {
    const UnitRow& row = SelectUnitRow(family, mmDigits, inchDigits);
    return static_cast<double>(RoundToStep(v, family, mmDigits, inchDigits)) /
           static_cast<double>(row.divisor);
}

int32_t ToSteps(int32_t v, int family, int mmDigits, int inchDigits) {
    // Exact integer arithmetic gives the same cut toward zero as the real quotient; the factor
    // never exceeds the divisor, so the result fits.
    const UnitRow& row = SelectUnitRow(family, mmDigits, inchDigits);
    return static_cast<int32_t>(row.factor * static_cast<int64_t>(v) / row.divisor);
}

double StepsToDisplayValue(int64_t n, int family, int mmDigits, int inchDigits) {
    return static_cast<double>(n) / static_cast<double>(SelectUnitRow(family, mmDigits, inchDigits).factor);
}

int64_t DisplayValueToSteps(double x, int family, int mmDigits, int inchDigits) {
    const double steps = static_cast<double>(SelectUnitRow(family, mmDigits, inchDigits).factor) * x;
    if (!std::isfinite(steps)) return 0;
    if (steps >= 9.2e18) return std::numeric_limits<int64_t>::max();
    if (steps <= -9.2e18) return std::numeric_limits<int64_t>::min();
    return std::llround(steps);  // halves away from zero
}

bool IsDisplayable(int32_t v, int family, int mmDigits, int inchDigits) {
    if (v == qda::kNoValue) return false;
    const UnitRow& row = SelectUnitRow(family, mmDigits, inchDigits);
    const int64_t g = v / row.divisor;
    const int64_t limit = 1000000 / row.factor;
    return -limit < g && g < limit;
}

qda::DecimalText ParseDecimal(std::string_view text) {
    // atoi rules on the text with every "." removed: leading white space, one sign, digits.
    // The mantissa keeps at most 18 significant digits; further digits are dropped together with
    // one decimal each, which never changes a result cut to a step of at most 7 decimals.
    const size_t dot = text.find('.');
    int decimals = dot == std::string_view::npos ? 0 : static_cast<int>(text.size() - dot - 1);
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t mantissa = 0;
    bool saturated = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.') continue;
        if (!qda::IsDigit(c)) break;
        if (mantissa < 100000000000000000LL) {
            mantissa = mantissa * 10 + (c - '0');
        } else if (decimals > 0 && dot != std::string_view::npos && i > dot) {
            --decimals;
        } else {
            saturated = true;
        }
    }
    if (saturated) mantissa = 999999999999999999LL;
    return {negative ? -mantissa : mantissa, decimals};
}

int64_t ParseLength64(std::string_view text, int family, int mmDigits, int inchDigits) {
    const UnitRow& row = SelectUnitRow(family, mmDigits, inchDigits);
    const qda::DecimalText d = ParseDecimal(text);
    // |mantissa| < 10^18 and divisor <= 10^7, so 38 decimals always give 0.
    if (d.decimals > 38) return 0;
    const __int128 w = static_cast<__int128>(d.mantissa) * row.divisor / qda::Pow10(d.decimals);
    const int64_t s = row.Step();
    const __int128 r = (w / s) * s;
    if (r > std::numeric_limits<int64_t>::max()) return std::numeric_limits<int64_t>::max();
    if (r < std::numeric_limits<int64_t>::min()) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(r);
}

int32_t ParseLength(std::string_view text, int family, int mmDigits, int inchDigits) {
    const int64_t r = ParseLength64(text, family, mmDigits, inchDigits);
    if (r >= INT32_MAX) return INT32_MAX;
    if (r < -INT32_MAX) return -INT32_MAX;
    return static_cast<int32_t>(r);
}

std::string FormatLength64(int64_t v, int family, int mmDigits, int inchDigits) {
    // The no-value marker may arrive sign-extended or as the 32-bit pattern held in 64 bits.
    if (v == qda::kNoValue || v == 0x80000000LL) return "--------";
    const UnitRow& row = SelectUnitRow(family, mmDigits, inchDigits);
    if (row.isInteger) return qda::FormatInt(v / row.divisor);
    return qda::FormatFixed(static_cast<double>(v) / static_cast<double>(row.divisor), row.precision,
                            row.width);
}

std::string FormatLength(int32_t v, int family, int mmDigits, int inchDigits) {
    return FormatLength64(v, family, mmDigits, inchDigits);
}

std::string FormatMeasured(int32_t v, int family, int mmDigits, int inchDigits) {
    if (v == qda::kNoValue) return "--------";
    if (v == qda::kMeasuredNegativeOver || v == qda::kMinusOver) return "-FFFFFF";
    if (v == qda::kPlusOver) return "FFFFFF";
    const UnitRow& row = SelectUnitRow(family, mmDigits, inchDigits);
    const int64_t g = v / row.divisor;
    const int64_t limit = 1000000 / row.factor;
    if (g >= limit) return "FFFFFF";
    if (g <= -limit) return "-FFFFFF";
    return FormatLength64(RoundToStep(v, family, mmDigits, inchDigits), family, mmDigits, inchDigits);
}

std::string FormatStored(int32_t v, int family, int mmDigits, int inchDigits) {
    if (v == qda::kNoValue) return "#-----";
    // The over markers keep their direction (the plain range test would call both "#-OVER").
    if (v == qda::kPlusOver) return "#+OVER";
    if (v == qda::kMinusOver) return "#-OVER";
    const UnitRow& row = SelectUnitRow(family, mmDigits, inchDigits);
    const int64_t g = v / row.divisor;
    const int64_t limit = 1000000 / row.factor;
    if (g >= limit) return "#+OVER";
    if (g <= -limit) return "#-OVER";
    if (row.isInteger) return qda::FormatInt(g);
    return qda::FormatFixed(static_cast<double>(v) / static_cast<double>(row.divisor), row.precision,
                            row.width);
}

int32_t ClassifySample(int32_t v, int family, int mmDigits, int inchDigits) {
    // Markers stay as they are, so classifying twice changes nothing.
    if (v == qda::kNoValue || v == qda::kPlusOver || v == qda::kMinusOver) return v;
    const UnitRow& row = SelectUnitRow(family, mmDigits, inchDigits);
    const int64_t g = v / row.divisor;
    const int64_t limit = 1000000 / row.factor;
    if (g >= limit) return qda::kPlusOver;
    if (g > -limit) return v;
    return qda::kMinusOver;
}

std::string FormatDisplayValue(double x, int family, int mmDigits, int inchDigits) {
    return qda::FormatWithRow(SelectUnitRow(family, mmDigits, inchDigits), x);
}

std::string FormatStepBound(int64_t n, int family, int mmDigits, int inchDigits) {
    return FormatDisplayValue(StepsToDisplayValue(n, family, mmDigits, inchDigits), family, mmDigits,
                              inchDigits);
}

std::string UnitLabel(int family, int digits) {
    return SelectUnitRow(family, digits, digits).label;
}

std::string StepText(int family, int digits) {
    return SelectUnitRow(family, digits, digits).stepText;
}

bool UnitFamilyOfLabel(std::string_view label, int& family) {
    if (label == "mm" || label == "um") {
        family = 0;
    } else if (label == "inch" || label == "mil") {
        family = 1;
    } else {
        family = 2;
        return false;
    }
    return true;
}

bool FindRow(std::string_view label, std::string_view stepText, int family, int& row) {
    for (int r = 0; r < qda::kUnitRowCount; ++r) {
        const UnitRow& u = qda::UnitTableRow(family, r);
        if (label == u.label && stepText == u.stepText) {
            row = r;
            return true;
        }
    }
    row = 6;
    return false;
}

bool IsIntegerText(std::string_view text) {
    if (text.empty() || text.size() > 9) return false;
    bool digit = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (qda::IsDigit(c)) {
            digit = true;
        } else if (!(i == 0 && (c == '+' || c == '-'))) {
            return false;
        }
    }
    return digit;
}

bool IsDecimalText(std::string_view text) {
    if (text.empty()) return false;
    size_t dots = 0;
    bool digit = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (qda::IsDigit(c)) {
            digit = true;
        } else if (c == '.') {
            if (i == 0 || ++dots > 1) return false;
        } else if (!(i == 0 && (c == '+' || c == '-'))) {
            return false;
        }
    }
    if (!digit) return false;
    // Range -999999..999999 inclusive, decided on the digits (no locale-dependent atof).
    size_t i = (text[0] == '+' || text[0] == '-') ? 1 : 0;
    while (i < text.size() && text[i] == '0') ++i;
    size_t significant = 0;
    int64_t whole = 0;
    for (; i < text.size() && qda::IsDigit(text[i]); ++i) {
        if (++significant > 6) return false;
        whole = whole * 10 + (text[i] - '0');
    }
    if (whole < 999999) return true;
    for (; i < text.size(); ++i) {
        if (text[i] != '.' && text[i] != '0') return false;
    }
    return true;
}

bool IsSingleByteText(std::string_view text) {
    for (unsigned char c : text) {
        if (c >= 0x80) return false;
    }
    return true;
}
