#pragma once
// Texts and step sizes of the controller's setting values on the wire.
// Lengths are kept by the controller as integer display steps of the OUT's display-digits row;
// they are written as signed step counts ("%+07d") and read back as decimal texts with the
// row's decimal point ("+05.0000").

#include <cstdint>
#include <string>
#include <string_view>

namespace qda::sim {

// Decimal places of a display-digits row (unit 0 metric, 1 imperial; rows 0..5); 0 when invalid.
int DecimalsOfRow(int unit, int row);

// Internal length units (0.01 um or 0.1 uinch) per display step of a row; 1 when invalid.
int64_t StepSizeOfRow(int unit, int row);

// |value| zero-padded to `digits` digits, a '.' before the last `decimals` of them, and a leading
// sign when `withSign` is set: FormatFixedText(460, 6, 4, true) is "+00.0460".
std::string FormatFixedText(int64_t value, int digits, int decimals, bool withSign);

// Parses exactly a sign ('+' or '-') followed by `digits` decimal digits. True on success.
bool ParseSignedDigits(std::string_view text, int digits, int32_t& out);

// Parses exactly `digits` decimal digits with no sign. True on success.
bool ParseUnsignedDigits(std::string_view text, int digits, int32_t& out);

}  // namespace qda::sim
