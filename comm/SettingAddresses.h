#pragma once
// The controller's setting addresses: the group, sub and item that CMD_READ_SETTING and
// CMD_WRITE_SETTING carry, and the wire form of the value at each address. One table for every
// caller that reads or writes a setting (the settings transfer, ROVA tuning, the mode handling).
#include <span>

namespace qda {

// One setting address: group, sub (0 head A / OUT1, 1 head B / OUT2, 255 see below), item.
struct SettingAddress {
    int group;
    int sub;
    int item;
    friend constexpr bool operator==(const SettingAddress&, const SettingAddress&) = default;
};

// Groups.
constexpr int kGroupHead = 0;
constexpr int kGroupOut = 1;
constexpr int kGroupCommon = 2;
constexpr int kGroupEnvironment = 3;
constexpr int kGroupController = 4;
// Sub of group 0 that addresses both heads at once (the ROVA tuning actions).
constexpr int kSubBothHeads = 255;

// Items of group 0, one head per sub.
enum HeadItem : int {
    kHeadRova = 0,
    kHeadRovaRange = 1,
    kHeadMeasureMode = 4,
    kHeadAlarmCount = 5,
    kHeadAlarmLevel = 6,
    kHeadTuningStart = 7,   // action: start ROVA tuning
    kHeadTuningFinish = 8,  // action: end it and keep the result
    kHeadTuningCancel = 9,  // action: abandon it
    kHeadInstallMode = 10,
};

// Items of group 1, one OUT per sub.
enum OutItem : int {
    kOutCalc = 0,
    kOutCalcWave = 1,
    kOutScaleA = 2,
    kOutScaleB = 3,
    kOutFilterType = 4,
    kOutFilterAverage = 5,
    kOutFilterCutoff = 6,
    kOutMeasureMode = 7,
    kOutTrigger = 8,
    kOutOffset = 9,
    kOutDispDigit = 10,  // the active display digits, read and written before the OUT's lengths
    kOutAnalogScale = 11,
    kOutAnaThrough = 12,
    kOutTolerance = 13,
    kOutHysteresis = 14,
};

// Items of group 2 (sub 0).
enum CommonItem : int {
    kCommonSampRate = 0,
    kCommonAntiItfrnc = 1,
    kCommonSyncTim = 2,
    kCommonOutStyle = 3,
    kCommonStrobeTime = 4,
    kCommonDSOut = 5,
    kCommonDSPoints = 6,
    kCommonDSFreq = 7,
};

constexpr SettingAddress HeadAddress(int head, HeadItem item) {
    return {kGroupHead, head, item};
}
constexpr SettingAddress OutAddress(int out, OutItem item) {
    return {kGroupOut, out, item};
}
constexpr SettingAddress CommonAddress(CommonItem item) {
    return {kGroupCommon, 0, item};
}

// Group 3: the controller's environment.
constexpr SettingAddress kBaudrateAddress{kGroupEnvironment, 0, 0};
constexpr SettingAddress kParityAddress{kGroupEnvironment, 0, 1};
constexpr SettingAddress kAutoTransAddress{kGroupEnvironment, 0, 2};
constexpr SettingAddress kPrgChangeAddress{kGroupEnvironment, 0, 3};
constexpr SettingAddress kPanelLockAddress{kGroupEnvironment, 0, 5};
constexpr SettingAddress kEcoAddress{kGroupEnvironment, 0, 6};
// Group 4: the unit, and the program that group 0 to 2 addresses refer to (also the
// controller's selected program).
constexpr SettingAddress kUnitAddress{kGroupController, 0, 1};
constexpr SettingAddress kProgramAddress{kGroupController, 255, 0};
// Cancels a ROVA tuning on both heads.
constexpr SettingAddress kCancelTuningBothAddress{kGroupHead, kSubBothHeads, kHeadTuningCancel};

// How the value of an address travels: in a write as the data after the address, in a read as
// the reply data from byte 8 on. Texts are ASCII without terminator; "steps" are lengths counted
// in the OUT's active display-digits row, and a read gives them back as decimal texts in the
// row's format (8 characters with sign and decimal point; the hysteresis 7).
enum class WireForm {
    kAction,        // no data (written only)
    kByte,          // the enumeration index as one raw byte
    kTwoDigitPair,  // "%02d,%02d" (upper limit first)
    kDigits3,       // "%03d"
    kDigits5,       // "%05d"
    kSteps,         // "%+07d" steps
    kStepsPair,     // "%+07d,%+07d" steps
    kStepsQuad,     // "%+07d,%+07d,%+07d,%+07d" steps
    kAnalogScale,   // "%+07d,%+06d,%+07d,%+06d": steps, millivolts, steps, millivolts
    kHysteresis,    // "%06d" steps
};

// The data length of a write in `form`.
constexpr int WriteLength(WireForm form) {
    switch (form) {
        case WireForm::kAction:
            return 0;
        case WireForm::kByte:
            return 1;
        case WireForm::kTwoDigitPair:
            return 5;
        case WireForm::kDigits3:
            return 3;
        case WireForm::kDigits5:
            return 5;
        case WireForm::kSteps:
            return 7;
        case WireForm::kStepsPair:
            return 15;
        case WireForm::kStepsQuad:
            return 31;
        case WireForm::kAnalogScale:
            return 29;
        case WireForm::kHysteresis:
            return 6;
    }
    return 0;
}

// One row of the table.
struct SettingEntry {
    SettingAddress address;
    WireForm form;
};

// Every address the program reads or writes, with its wire form.
std::span<const SettingEntry> SettingTable();
// The row of `address`; nullptr for an address the controller does not have.
const SettingEntry* FindSetting(SettingAddress address);

}  // namespace qda
