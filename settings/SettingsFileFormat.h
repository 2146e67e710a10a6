#pragma once
// The text of a settings file (".qdt"): the environment and the 8 programs of a block and the
// active program, as sections of "Key = value;" lines. Writing and parsing work on memory; file
// handling is CConfiguration's.
#include <string>
#include <string_view>

#include "settings/SettingsBlock.h"

namespace qda {

// Stored into an integer field whose text is not an integer; validation rejects it.
constexpr int32_t kUnreadableInteger = 2147483647;
// Stored into an analog output voltage whose text is not a decimal number; validation rejects it.
constexpr double kUnreadableVoltage = 140737488355327.0;

// The whole file as the writer produces it: CR LF line ends, TAB indentation, no comments.
std::string WriteSettingsText(const SettingsBlock& block, int activeProgram);

// Reads a settings text over `block` (which the caller has reset to defaults) and `activeProgram`.
// Lines may end with LF or CR LF, indentation and spaces around "=" are free, ";" and what follows
// it are optional, blank and "//" lines are skipped. Returns false for any structural fault; the
// block may then be partly filled. Values are not range-checked here (see Validation.h).
bool ParseSettingsText(std::string_view text, SettingsBlock& block, int& activeProgram);

}  // namespace qda
