#include "comm/SettingAddresses.h"

#include <algorithm>
#include <array>

namespace qda {

namespace {

using F = WireForm;

struct ItemForm {
    int item;
    WireForm form;
};

constexpr ItemForm kHeadItems[] = {
    {kHeadRova, F::kByte},           {kHeadRovaRange, F::kTwoDigitPair}, {kHeadMeasureMode, F::kByte},
    {kHeadAlarmCount, F::kDigits3},  {kHeadAlarmLevel, F::kByte},        {kHeadTuningStart, F::kAction},
    {kHeadTuningFinish, F::kAction}, {kHeadTuningCancel, F::kAction},    {kHeadInstallMode, F::kByte},
};

constexpr ItemForm kOutItems[] = {
    {kOutCalc, F::kByte},         {kOutCalcWave, F::kByte},       {kOutScaleA, F::kStepsQuad},
    {kOutScaleB, F::kStepsQuad},  {kOutFilterType, F::kByte},     {kOutFilterAverage, F::kByte},
    {kOutFilterCutoff, F::kByte}, {kOutMeasureMode, F::kByte},    {kOutTrigger, F::kByte},
    {kOutOffset, F::kSteps},      {kOutDispDigit, F::kByte},      {kOutAnalogScale, F::kAnalogScale},
    {kOutAnaThrough, F::kByte},   {kOutTolerance, F::kStepsPair}, {kOutHysteresis, F::kHysteresis},
};

constexpr ItemForm kCommonItems[] = {
    {kCommonSampRate, F::kByte},    {kCommonAntiItfrnc, F::kByte}, {kCommonSyncTim, F::kByte},
    {kCommonOutStyle, F::kByte},    {kCommonStrobeTime, F::kByte}, {kCommonDSOut, F::kByte},
    {kCommonDSPoints, F::kDigits5}, {kCommonDSFreq, F::kByte},
};

constexpr SettingAddress kByteAddresses[] = {kBaudrateAddress,  kParityAddress,    kAutoTransAddress,
                                             kPrgChangeAddress, kPanelLockAddress, kEcoAddress,
                                             kUnitAddress,      kProgramAddress};

constexpr size_t kRows = 2 * std::size(kHeadItems) + 1 + 2 * std::size(kOutItems) + std::size(kCommonItems) +
                         std::size(kByteAddresses);

constexpr std::array<SettingEntry, kRows> BuildTable() {
    std::array<SettingEntry, kRows> rows{};
    size_t n = 0;
    for (int sub = 0; sub < 2; ++sub)
        for (const ItemForm& i : kHeadItems) rows[n++] = {{kGroupHead, sub, i.item}, i.form};
    rows[n++] = {kCancelTuningBothAddress, F::kAction};
    for (int sub = 0; sub < 2; ++sub)
        for (const ItemForm& i : kOutItems) rows[n++] = {{kGroupOut, sub, i.item}, i.form};
    for (const ItemForm& i : kCommonItems) rows[n++] = {{kGroupCommon, 0, i.item}, i.form};
    for (const SettingAddress& a : kByteAddresses) rows[n++] = {a, F::kByte};
    return rows;
}

constexpr std::array<SettingEntry, kRows> kTable = BuildTable();

}  // namespace

std::span<const SettingEntry> SettingTable() {
    return kTable;
}

const SettingEntry* FindSetting(SettingAddress address) {
    const auto it = std::find_if(kTable.begin(), kTable.end(),
                                 [&](const SettingEntry& e) { return e.address == address; });
    return it == kTable.end() ? nullptr : &*it;
}

}  // namespace qda
