#pragma once
// Units and value formatting: the one set of conversions between lengths in internal units
// (32-bit integers, 0.01 um or 0.1 uinch) and the decimal texts users and the controller see.
//
// Every operation picks a row of the unit table from (unit family, metric digits, imperial
// digits): family 0 uses the metric digits, family 1 the imperial digits, any other family row 6.
// For an OUT these are Environment.Unit, DispDigitMm and DispDigitInch. All functions are pure
// and thread-safe. Number texts are always written and read with "." as the decimal point,
// whatever the process locale says.
#include <cstdint>
#include <string>
#include <string_view>

namespace qda {

// One row of the unit table.
struct UnitRow {
    bool isInteger;        // plain numbers: "%d" of value / divisor
    const char* format;    // printf-style format the row stands for ("%5.4f", "%f", "%d")
    int width;             // field width of the format
    int precision;         // decimals of the format
    const char* label;     // "mm", "um", "inch", "mil", "--" or ""
    const char* stepText;  // least displayed step, e.g. "0.0001"
    int64_t divisor;       // internal units per label unit
    int64_t factor;        // display steps per label unit
    int64_t Step() const { return divisor / factor; }  // internal units per display step
};

constexpr int kUnitFamilyCount = 3;
constexpr int kUnitRowCount = 7;

// Marker values of measured and stored samples.
constexpr int32_t kNoValue = INT32_MIN;               // 0x80000000
constexpr int32_t kPlusOver = INT32_MIN + 1;          // 0x80000001, stored/chart samples
constexpr int32_t kMinusOver = INT32_MIN + 2;         // 0x80000002, stored/chart samples
constexpr int32_t kMeasuredNegativeOver = INT32_MAX;  // 0x7FFFFFFF in live measured values

// Limits of "within +-999999 steps".
constexpr int64_t kMaxSteps = 999999;

// The row of the table for (family, row); out-of-range arguments give row 6 of family 2.
const UnitRow& UnitTableRow(int family, int row);
// The row an operation uses for (family, metric digits, imperial digits).
const UnitRow& SelectUnitRow(int family, int mmDigits, int inchDigits);

// The table row of a value format the controller reports with a measured value: the row it names
// when that row's decimal places agree with the decimal places it gives, else the first row of the
// unit with those decimal places; -1 when the unit is not 0 or 1 or no row has them.
int UnitRowOfReportedFormat(int unit, int rowHint, int decimals);

// A length's value in display steps of the row: RoundToStep(v) / step.
int64_t CountSteps(int32_t v, int family, int mmDigits, int inchDigits);
// True when the length lies within -999999..999999 display steps.
bool IsWithinSteps(int32_t v, int family, int mmDigits, int inchDigits);
// True when the length lies within 0..999999 display steps.
bool IsWithinNonNegativeSteps(int32_t v, int family, int mmDigits, int inchDigits);

// Fixed-point text of x with `precision` decimals, padded to `width` (as "%W.Pf", "." always),
// except that a value rounding to zero has no sign ("0.0000", never "-0.0000").
std::string FormatFixed(double x, int precision, int width = 0);

// Analog output voltages travel as millivolts (volts x 1000, cut toward zero). The cut is taken on
// the value's decimal digits, so -8.19 gives -8190 even though the double is -8.18999...
int32_t VoltsToMillivolts(double volts);
// Reads a voltage text (IsDecimalText) cut to three decimals; false for any other text.
bool ParseVoltageText(std::string_view text, double& volts);

// Result of ParseDecimal: the value is mantissa / 10^decimals.
struct DecimalText {
    int64_t mantissa;
    int decimals;
};

}  // namespace qda

// ---- Conversions ----

// Rounds to the nearest display step, halves away from zero.
int64_t RoundToStep(int32_t v, int family, int mmDigits, int inchDigits);
// RoundToStep(v) / divisor: the value in the row's label unit.
double ToDisplayValue(int32_t v, int family, int mmDigits, int inchDigits);
// The integer the controller's write commands carry: factor x v / divisor cut toward zero.
int32_t ToSteps(int32_t v, int family, int mmDigits, int inchDigits);
// n / factor.
double StepsToDisplayValue(int64_t n, int family, int mmDigits, int inchDigits);
// factor x x, rounded to the nearest integer with halves away from zero.
int64_t DisplayValueToSteps(double x, int family, int mmDigits, int inchDigits);
// False for the no-value marker and for values beyond +-1000000 steps of the row.
bool IsDisplayable(int32_t v, int family, int mmDigits, int inchDigits);
// Splits a decimal text (untrimmed, atoi rules) into mantissa and number of decimals.
qda::DecimalText ParseDecimal(std::string_view text);
// A typed or received text in the row's label unit to internal units, cut toward zero onto a
// step and clamped to -2147483647..2147483647.
int32_t ParseLength(std::string_view text, int family, int mmDigits, int inchDigits);
// ParseLength without the final clamp.
int64_t ParseLength64(std::string_view text, int family, int mmDigits, int inchDigits);

// ---- Formatting ----

// "--------" for no value, else the row's format of v / divisor (no rounding to the step).
std::string FormatLength(int32_t v, int family, int mmDigits, int inchDigits);
std::string FormatLength64(int64_t v, int family, int mmDigits, int inchDigits);
// Live measured values: "--------", "FFFFFF", "-FFFFFF" or the value rounded to the step.
std::string FormatMeasured(int32_t v, int family, int mmDigits, int inchDigits);
// Storage data file form: "#-----", "#+OVER", "#-OVER" or the row's format of v / divisor.
std::string FormatStored(int32_t v, int family, int mmDigits, int inchDigits);
// Sorts a stored sample into no value, plus-over, minus-over or the value itself.
int32_t ClassifySample(int32_t v, int family, int mmDigits, int inchDigits);
// A display value with the row's format ("%d" of x cut to an integer for integer rows).
std::string FormatDisplayValue(double x, int family, int mmDigits, int inchDigits);
// The bound text of the range messages: FormatDisplayValue(StepsToDisplayValue(n)).
std::string FormatStepBound(int64_t n, int family, int mmDigits, int inchDigits);
// The row's label ("mm", "um", "inch", "mil", "--", "").
std::string UnitLabel(int family, int digits);
// The row's step text ("0.01", ... "--", "").
std::string StepText(int family, int digits);
// "mm"/"um" give 0, "inch"/"mil" give 1 (exact bytes); anything else gives 2 and returns false.
bool UnitFamilyOfLabel(std::string_view label, int& family);
// The first row 0..6 of the family with this label and step text; none gives 6 and false.
bool FindRow(std::string_view label, std::string_view stepText, int family, int& row);

// ---- Text validators (single-byte text) ----

// 1 to 9 characters of digits, an optional leading sign, at least one digit.
bool IsIntegerText(std::string_view text);
// Digits, an optional leading sign, at most one "." not first, at least one digit, and a value
// within -999999..999999.
bool IsDecimalText(std::string_view text);
// No byte of the text starts a multi-byte character (plain ASCII).
bool IsSingleByteText(std::string_view text);
