#pragma once
// Resets of the settings records to their defaults. Plain functions; none shows anything.
#include "settings/SettingsBlock.h"

// Head defaults; IsRunBeforeSendSetting keeps its value (a PC-side preference).
void SetHeadDefaults(HeadSetting& head);
// OUT defaults; the length fields (tolerances, both scalings, AScaleIn1/2) only for unit 0 or 1.
void SetOutDefaults(OutSetting& out, int unit);
void SetCommonDefaults(CommonSetting& common);
// Both heads, both OUTs with `unit` (the block's current Environment.Unit), common, ListWord 0.
// A program index outside 0..7 changes nothing.
void SetProgramDefaults(SettingsBlock& block, int program, int unit);
// Environment (Unit becomes 0), programs 0..7 with unit 0, PC communication, the head letters of
// both waveform views (InitialXScale keeps its value), measured-value flags and storage graphs.
void SetBlockDefaults(SettingsBlock& block);
// After a change of the OUT's display-digits row: scalings, offset, analog scaling, tolerances
// back to their defaults (the lengths only for unit 0 or 1); other fields untouched.
void ResetOutForDigits(OutSetting& out, int unit);

namespace qda {

void SetEnvironmentDefaults(EnvironmentSetting& env);
void SetPcCommDefaults(PcCommSetting& pc);
void SetCalcViewDefaults(CalcViewSetting& calc);
// Graph `index` (0..3): enabled, its colour, offset 0, name "Graph0n".
void SetStorageGraphDefaults(StorageGraphSetting& graph, int index);

// A block as the main window starts from: zero bytes, then SetBlockDefaults.
SettingsBlock DefaultBlock();

}  // namespace qda
