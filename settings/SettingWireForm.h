#pragma once
// The settings fields behind the controller's setting addresses, carried in each address's wire
// form (comm/SettingAddresses.h): how a program's fields travel in a write (the data bytes) and
// come back in a read (the reply data). Pure functions, no I/O; the transfer walks the addresses
// with them.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "comm/SettingAddresses.h"
#include "settings/SettingsBlock.h"

namespace qda {

// The program addresses a receive reads after the two display-digit reads, in order.
std::span<const SettingAddress> ProgramReadOrder();

// One write of a send's program loop. `zeroHysteresis` writes the hysteresis as 0 ("000000"): the
// controller refuses tolerance limits whose band is not wider than the hysteresis in force, so
// both hysteresis values are cleared before the limits and written for real after them.
struct ProgramWrite {
    SettingAddress address;
    bool zeroHysteresis;
};
// The program addresses a send writes after the two display-digit writes, in order.
std::span<const ProgramWrite> ProgramWriteOrder();

// The active display-digits row of an OUT for `unit` (DispDigitMm for 0, DispDigitInch for 1);
// nullptr for any other unit.
const int32_t* ActiveDigits(const OutSetting& out, int unit);
int32_t* ActiveDigits(OutSetting& out, int unit);

// The data of a write of program address `a` (group 0, 1 or 2) from `program`. Lengths go as step
// counts in the OUT's active digits row of `unit`, analog voltages as whole millivolts. False
// (nothing to send) when the address is not a program address, the unit has no digits row, or a
// value does not fit its fixed-width text (e.g. more than 999999 steps).
bool EncodeProgramSetting(const ProgramSetting& program, int unit, SettingAddress a, std::string& data);

// Stores the reply data of a read of program address `a` into `program`. Lengths are read in the
// OUT's active digits row of `unit`, which must have been stored before. False (program
// unchanged) when the data is not the address's reply form.
bool DecodeProgramSetting(ProgramSetting& program, int unit, SettingAddress a, std::string_view data);

// The one-byte form of an enumeration; false when the value does not fit a byte.
bool EncodeByte(int32_t value, std::string& data);
// The byte of a one-byte reply; false for empty data.
bool DecodeByte(std::string_view data, int32_t& value);

}  // namespace qda
