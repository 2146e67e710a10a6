#pragma once
// The record checks every settings record passes before it is accepted (pages, settings file,
// registry, controller). Each returns true when the record is acceptable, shows at most the
// messages of its checks through ShowMessage (silent in quiet mode), and moves the focus of
// `page` when one is given. A failed check changes nothing, except the silent repairs: the ROVA
// range in correct mode and the scaling of a head that the calculation method does not use.
#include "settings/SettingsBlock.h"
#include "settings/ValidationFocus.h"

// `correct`: the head page's own check; quietly restores the ROVA range 1..99 when ROVA is AUTO.
bool ValidateHead(qda::IValidationFocus* page, HeadSetting& head, bool correct);
// `unit` is the block's Environment.Unit; lengths are judged in the OUT's active digits row.
bool ValidateOut(qda::IValidationFocus* page, int unit, OutSetting& out);
// Runs every check and shows the message of each failing one.
bool ValidateCommon(qda::IValidationFocus* page, const CommonSetting& common);
bool ValidateEnvironment(qda::IValidationFocus* page, const EnvironmentSetting& env);
bool ValidatePcComm(qda::IValidationFocus* page, const PcCommSetting& pc);

namespace qda {

// Message codes the checks show.
enum ValidationMessage : int {
    kMsgInputRange = 192,    // "不正な入力です。\n%s～%sの数値を入力してください。"
    kMsgVoltageRange = 193,  // "不正な入力です。\n%4.3f～%4.3fの数値を入力してください。"
    kMsgUnitInvalid = 248,  // "UNITが不正です。"
    kMsgAnaThroughInvalid = 250,
    kMsgSampRateInvalid = 263,
    kMsgScalingSpan = 265,
    kMsgSlopeMm = 266,
    kMsgSlopeUm = 267,
    kMsgSlopeInch = 268,
    kMsgSlopeMil = 269,
    kMsgStrobeTimeInvalid = 271,
    kMsgSyncTimInvalid = 273,
    kMsgTriggerInvalid = 276,
    kMsgPanelLockInvalid = 278,
    kMsgParityInvalid = 279,
    kMsgPrgChangeInvalid = 282,
    kMsgPortInvalid = 285,
    kMsgBaudrateInvalid = 286,
    kMsgCalcInvalid = 290,
    kMsgLowerNotAboveUpper = 291,  // "下限値≦上限値となるように設定してください"
    kMsgLowerBelowUpper = 292,     // "下限値＜上限値となるように設定してください"
    kMsgOutMsrModeInvalid = 294,
    kMsgAutoTransInvalid = 310,
    kMsgHysteresisTooLarge = 314,
    kMsgSettableRange = 325,  // "設定可能範囲は%d～%dです。"
    kMsgAntiItfrncInvalid = 330,
    kMsgCommTypeInvalid = 344,
    kMsgSameInputValues = 349,
    kMsgCalcWaveInvalid = 350,
    kMsgOutStyleInvalid = 351,
    kMsgDSOutInvalid = 352,
    kMsgDispDigitInvalid = 353,
    kMsgAlarmCntInvalid = 381,
};

// Program checks of a whole block: for each program 0..7 head A, head B (correct flag off), OUT1,
// OUT2 (with the block's own unit) and common, stopping at the first failure.
bool ValidatePrograms(SettingsBlock& block);

// The check of a block restored from the registry at start-up: ValidateEnvironment, then
// ValidatePrograms (messages shown unless the message display is silent).
bool ValidateRestoredBlock(SettingsBlock& block);

}  // namespace qda
