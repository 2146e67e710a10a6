#pragma once
// Settings blocks for the transfer tests: a block whose every transferred field differs from the
// defaults, and the fields a transfer leaves alone.
#include "settings/SettingsBlock.h"

namespace qda::test {

// Every enumeration at a non-default index, lengths on steps of several digit rows (each OUT of
// each program has its own row), voltages on whole millivolts, all in `unit`. Passes the record
// checks.
SettingsBlock NonDefaultBlock(int unit);

// Copies from `from` into `to` the fields a transfer in `unit` never moves: the PC-side head
// option, the list word, the display digits of the other unit, the PC communication and window
// settings.
void CopyUntransferred(const SettingsBlock& from, SettingsBlock& to, int unit);

}  // namespace qda::test
