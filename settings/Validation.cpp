#include "settings/Validation.h"

#include <cstdint>

#include "resources/Messages.h"
#include "settings/MessageFormat.h"
#include "settings/Units.h"

using namespace qda;

namespace {

constexpr unsigned kWarning = MB_OK | MB_ICONWARNING;

bool InRange(int32_t v, int32_t lo, int32_t hi) {
    return v >= lo && v <= hi;
}

void Warn(const std::string& text) {
    ShowMessage(text, kWarning);
}

void Focus(IValidationFocus* page, int dialogId, int controlId, bool selectText = false) {
    if (page != nullptr) page->FocusControl(dialogId, controlId, selectText);
}

// Checking lengths of one OUT in its active digits row.
class OutRow {
public:
    OutRow(int unit, const OutSetting& out)
        : m_unit(unit), m_mm(out.DispDigitMm), m_inch(out.DispDigitInch) {}

    bool Within(int32_t v) const { return IsWithinSteps(v, m_unit, m_mm, m_inch); }
    bool WithinNonNegative(int32_t v) const { return IsWithinNonNegativeSteps(v, m_unit, m_mm, m_inch); }
    // "不正な入力です。\n%s～%sの数値を入力してください。" with the bounds of `lo`..`hi` steps.
    std::string RangeMessage(int64_t lo, int64_t hi) const {
        return FormatMessage(kMsgInputRange, {FormatStepBound(lo, m_unit, m_mm, m_inch),
                                              FormatStepBound(hi, m_unit, m_mm, m_inch)});
    }

private:
    int m_unit;
    int m_mm;
    int m_inch;
};

// Scaling fields of one head in check order, with the controls that show them.
struct ScalingRefs {
    int32_t* values[4];  // In1, Out1, In2, Out2
    int controls[4];
    bool strict;
};

void ResetScaling(const ScalingRefs& s) {
    *s.values[0] = 0;
    *s.values[1] = 0;
    *s.values[2] = 100000;
    *s.values[3] = 100000;
}

// Range rule of the scaling group for one head; false when a strictly checked value is out of
// range (its message shown). A value of a head that is not strictly checked is replaced by its
// default instead (lengths units only).
bool CheckScalingValues(IValidationFocus* page, const OutRow& row, int unit, const ScalingRefs& s) {
    static constexpr int32_t kDefaults[4] = {0, 0, 100000, 100000};
    const bool repairable = unit == kUnitMetric || unit == kUnitImperial;
    for (int k = 0; k < 4; ++k) {
        if (row.Within(*s.values[k])) continue;
        if (s.strict) {
            Warn(row.RangeMessage(-kMaxSteps, kMaxSteps));
            Focus(page, kDialogOutCalcData, s.controls[k], true);
            return false;
        }
        if (repairable) *s.values[k] = kDefaults[k];
    }
    return true;
}

// Rules 2 and 3 of the scaling group for one head: different inputs, span within +-9.999.
bool CheckScalingPair(IValidationFocus* page, int unit, const ScalingRefs& s) {
    const int64_t in1 = *s.values[0], out1 = *s.values[1], in2 = *s.values[2], out2 = *s.values[3];
    bool sameInputs = in1 == in2;
    bool spanOk = !sameInputs;
    if (spanOk) {
        const double span = static_cast<double>(out1 - out2) / static_cast<double>(in1 - in2);
        spanOk = span >= -9.999 && span <= 9.999;
    }
    if (!sameInputs && spanOk) return true;
    if (!s.strict) {
        if (unit == kUnitMetric || unit == kUnitImperial) ResetScaling(s);
        return true;
    }
    if (sameInputs) {
        Warn(LoadMessage(kMsgSameInputValues));
    } else {
        Warn(FormatMessage(kMsgScalingSpan, {9.999}));
    }
    Focus(page, kDialogOutCalcData, s.controls[0], true);
    return false;
}

// The slope message names the smallest range per volt in the OUT's display unit.
int SlopeMessage(int unit, const OutSetting& out) {
    if (unit == kUnitMetric)
        return (out.DispDigitMm == 4 || out.DispDigitMm == 5) ? kMsgSlopeUm : kMsgSlopeMm;
    if (unit == kUnitImperial) {
        return (out.DispDigitInch == 0 || out.DispDigitInch == 1) ? kMsgSlopeInch : kMsgSlopeMil;
    }
    return kMsgSlopeMm;
}

bool CheckLoadDataGroup(IValidationFocus* page, const OutRow& row, const OutSetting& out) {
    if (!InRange(out.OutMsrMode, 0, kOutMsrModeCount - 1)) {
        Warn(LoadMessage(kMsgOutMsrModeInvalid));
        Focus(page, kDialogOutLoadData, 1017);
        return false;
    }
    if (!InRange(out.Trigger, 0, kTriggerCount - 1)) {
        Warn(LoadMessage(kMsgTriggerInvalid));
        Focus(page, kDialogOutLoadData, 1018);
        return false;
    }
    if (!InRange(out.FilterType, 0, kFilterTypeCount - 1) ||
        !InRange(out.FilterAverage, 0, kFilterAverageCount - 1) ||
        !InRange(out.FilterCutoff, 0, kFilterCutoffCount - 1)) {
        return false;
    }
    if (!row.Within(out.ToleUpper)) {
        Warn(row.RangeMessage(-kMaxSteps, kMaxSteps));
        Focus(page, kDialogOutLoadData, 1062, true);
        return false;
    }
    if (!row.Within(out.ToleLower)) {
        Warn(row.RangeMessage(-kMaxSteps, kMaxSteps));
        Focus(page, kDialogOutLoadData, 1063, true);
        return false;
    }
    if (!row.WithinNonNegative(out.ToleHys)) {
        Warn(row.RangeMessage(0, kMaxSteps));
        Focus(page, kDialogOutLoadData, 1064, true);
        return false;
    }
    if (out.ToleLower >= out.ToleUpper) {
        Warn(LoadMessage(kMsgLowerBelowUpper));
        Focus(page, kDialogOutLoadData, 1062, true);
        return false;
    }
    if (static_cast<int64_t>(out.ToleHys) >= static_cast<int64_t>(out.ToleUpper) - out.ToleLower) {
        Warn(LoadMessage(kMsgHysteresisTooLarge));
        Focus(page, kDialogOutLoadData, 1064, true);
        return false;
    }
    return true;
}

bool CheckCalcDataGroup(IValidationFocus* page, const OutRow& row, int unit, OutSetting& out) {
    // Head A feeds methods 0-4, head B methods 0-3 and 5; an unused head is repaired, not refused.
    const ScalingRefs heads[2] = {
        {{&out.ScaleAIn1, &out.ScaleAOut1, &out.ScaleAIn2, &out.ScaleAOut2},
         {1035, 1036, 1039, 1040},
         InRange(out.Calc, 0, 4)},
        {{&out.ScaleBIn1, &out.ScaleBOut1, &out.ScaleBIn2, &out.ScaleBOut2},
         {1043, 1044, 1047, 1048},
         InRange(out.Calc, 0, 3) || out.Calc == 5},
    };
    for (const ScalingRefs& h : heads) {
        if (!CheckScalingValues(page, row, unit, h)) return false;
    }
    for (const ScalingRefs& h : heads) {
        if (!CheckScalingPair(page, unit, h)) return false;
    }
    if (!row.Within(out.Offset)) {
        Warn(row.RangeMessage(-kMaxSteps, kMaxSteps));
        Focus(page, kDialogOutCalcData, 1060, true);
        return false;
    }
    return true;
}

bool CheckDetailsGroup(IValidationFocus* page, const OutRow& row, int unit, const OutSetting& out) {
    // The digits row of the active unit must be valid too: a bad imperial row would otherwise pass
    // and every length of the OUT would be shown with the invalid row.
    if (!InRange(out.DispDigitMm, 0, kDigitRowCount - 1) ||
        (unit == kUnitImperial && !InRange(out.DispDigitInch, 0, kDigitRowCount - 1))) {
        Warn(LoadMessage(kMsgDispDigitInvalid));
        Focus(page, kDialogOutDetails, 1069);
        return false;
    }
    if (!InRange(out.AnaThrough, 0, 1)) {
        Warn(LoadMessage(kMsgAnaThroughInvalid));
        Focus(page, kDialogOutDetails, 1070);
        return false;
    }
    const struct {
        int32_t in;
        double volts;
        int inControl;
        int voltControl;
    } points[2] = {{out.AScaleIn1, out.AScaleOut1, 1071, 1072}, {out.AScaleIn2, out.AScaleOut2, 1073, 1074}};
    for (const auto& p : points) {
        if (!row.Within(p.in)) {
            Warn(row.RangeMessage(-kMaxSteps, kMaxSteps));
            Focus(page, kDialogOutDetails, p.inControl, true);
            return false;
        }
        if (!(p.volts >= -10.5 && p.volts <= 10.5)) {
            Warn(FormatMessage(kMsgVoltageRange, {-10.5, 10.5}));
            Focus(page, kDialogOutDetails, p.voltControl, true);
            return false;
        }
    }
    if (out.AScaleIn1 == out.AScaleIn2) {
        Warn(LoadMessage(kMsgSameInputValues));
        Focus(page, kDialogOutDetails, 1071, true);
        return false;
    }
    // At most 10 mV per internal unit (1 V per 0.001 mm or per 0.00001 inch).
    const int64_t k =
        static_cast<int64_t>(VoltsToMillivolts(out.AScaleOut1)) - VoltsToMillivolts(out.AScaleOut2);
    const double slope =
        static_cast<double>(k) / static_cast<double>(static_cast<int64_t>(out.AScaleIn1) - out.AScaleIn2);
    if (!(slope >= -10.0 && slope <= 10.0)) {
        Warn(LoadMessage(SlopeMessage(unit, out)));
        Focus(page, kDialogOutDetails, 1071, true);
        return false;
    }
    return true;
}

}  // namespace

bool ValidateHead(IValidationFocus* page, HeadSetting& head, bool correct) {
    if (!InRange(head.HdMsrMode, 0, kHdMsrModeCount - 1) || !InRange(head.Rova, 0, 1)) return false;
    const auto resetRange = [&head] {
        head.RovaLower = 1;
        head.RovaUpper = 99;
    };
    if (head.Rova == kRovaManual) {
        if (!InRange(head.RovaLower, 1, 99)) {
            Warn(FormatMessage(kMsgSettableRange, {int64_t{1}, int64_t{99}}));
            Focus(page, kDialogHead, 1021, true);
            return false;
        }
    } else if (correct && !InRange(head.RovaLower, 1, 99)) {
        resetRange();
    }
    if (head.RovaUpper < head.RovaLower) {
        if (correct && head.Rova == kRovaAuto) {
            resetRange();
        } else {
            Warn(LoadMessage(kMsgLowerNotAboveUpper));
            Focus(page, kDialogHead, 1022, true);
            return false;
        }
    }
    if (!InRange(head.RovaLower, 1, 99) || !InRange(head.RovaUpper, 1, 99) ||
        !InRange(head.InstallMode, 0, 1)) {
        return false;
    }
    if (!InRange(head.AlarmCnt, 0, 999)) {
        Warn(LoadMessage(kMsgAlarmCntInvalid));
        Focus(page, kDialogHead, 1027, true);
        return false;
    }
    return InRange(head.AlarmLv, 0, 9);
}

bool ValidateOut(IValidationFocus* page, int unit, OutSetting& out) {
    bool ok = true;
    if (!InRange(out.Calc, 0, kCalcCount - 1)) {
        Warn(LoadMessage(kMsgCalcInvalid));
        Focus(page, kDialogOut, 1017);
        ok = false;
    } else if (!InRange(out.CalcWave, 0, kCalcWaveCount - 1)) {
        Warn(LoadMessage(kMsgCalcWaveInvalid));
        Focus(page, kDialogOut, 1018);
        ok = false;
    }
    // The groups below run even after a bad method or target; each runs only if the one before
    // passed.
    const OutRow row(unit, out);
    if (!CheckLoadDataGroup(page, row, out)) return false;
    if (!CheckCalcDataGroup(page, row, unit, out)) return false;
    if (!CheckDetailsGroup(page, row, unit, out)) return false;
    return ok;
}

bool ValidateCommon(IValidationFocus* page, const CommonSetting& common) {
    bool ok = true;
    const auto check = [&](bool good, int message, int control) {
        if (good) return;
        Warn(LoadMessage(message));
        Focus(page, kDialogCommon, control);
        ok = false;
    };
    check(InRange(common.SampRate, 0, kSampRateCount - 1), kMsgSampRateInvalid, 1073);
    check(InRange(common.AntiItfrnc, 0, 1), kMsgAntiItfrncInvalid, 1018);
    check(InRange(common.SyncTim, 0, 1), kMsgSyncTimInvalid, 1019);
    check(InRange(common.StrobeTime, 0, kStrobeTimeCount - 1), kMsgStrobeTimeInvalid, 1020);
    check(InRange(common.OutStyle, 0, kOutStyleCount - 1), kMsgOutStyleInvalid, 1074);
    check(InRange(common.DSOut, 0, kDSOutCount - 1), kMsgDSOutInvalid, 1080);
    if (ok && !InRange(common.DSPoints, 1, kDSPointsMax)) {
        Warn(FormatMessage(kMsgSettableRange, {int64_t{1}, int64_t{kDSPointsMax}}));
        Focus(page, kDialogCommon, 1078, true);
        ok = false;
    }
    check(InRange(common.DSFreq, 0, kDSFreqCount - 1), kMsgSampRateInvalid, 1077);
    return ok;
}

bool ValidateEnvironment(IValidationFocus* page, const EnvironmentSetting& env) {
    const struct {
        bool good;
        int message;
        int control;
    } checks[] = {
        {InRange(env.Baudrate, 0, kBaudrateCount - 1), kMsgBaudrateInvalid, 1108},
        {InRange(env.Parity, 0, kParityCount - 1), kMsgParityInvalid, 1109},
        {InRange(env.AutoTrans, 0, kAutoTransCount - 1), kMsgAutoTransInvalid, 1110},
        {InRange(env.Eco, 0, kEcoCount - 1), kMsgAutoTransInvalid, 1111},
        {InRange(env.PanelLock, 0, 1), kMsgPanelLockInvalid, 1112},
        {InRange(env.PrgChange, 0, 1), kMsgPrgChangeInvalid, 1113},
        {InRange(env.Unit, 0, 1), kMsgUnitInvalid, 1114},
    };
    for (const auto& c : checks) {
        if (c.good) continue;
        Warn(LoadMessage(c.message));
        Focus(page, kDialogEnvironment, c.control);
        return false;
    }
    return true;
}

bool ValidatePcComm(IValidationFocus* page, const PcCommSetting& pc) {
    const struct {
        bool good;
        int message;
        int control;
    } checks[] = {
        {InRange(pc.CommType, 0, 1), kMsgCommTypeInvalid, 1117},
        {InRange(pc.PortNo, 0, kPortCount - 1), kMsgPortInvalid, 1119},
        {InRange(pc.Baudrate, 0, kBaudrateCount - 1), kMsgBaudrateInvalid, 1108},
        {InRange(pc.Parity, 0, kParityCount - 1), kMsgParityInvalid, 1109},
    };
    for (const auto& c : checks) {
        if (c.good) continue;
        Warn(LoadMessage(c.message));
        Focus(page, kDialogPcComm, c.control);
        return false;
    }
    return true;
}

namespace qda {

bool ValidatePrograms(SettingsBlock& block) {
    const int unit = block.Environment.Unit;
    for (ProgramSetting& p : block.Programs) {
        if (!ValidateHead(nullptr, p.HeadA, false) || !ValidateHead(nullptr, p.HeadB, false) ||
            !ValidateOut(nullptr, unit, p.Out1) || !ValidateOut(nullptr, unit, p.Out2) ||
            !ValidateCommon(nullptr, p.Common)) {
            return false;
        }
    }
    return true;
}

bool ValidateRestoredBlock(SettingsBlock& block) {
    return ValidateEnvironment(nullptr, block.Environment) && ValidatePrograms(block);
}

}  // namespace qda
