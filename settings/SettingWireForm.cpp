#include "settings/SettingWireForm.h"

#include <array>
#include <cstdio>

#include "settings/Units.h"

namespace qda {

namespace {

// Program addresses in the order the controller is walked: heads A and B alternating, then OUT1
// and OUT2 alternating, then the common settings.
constexpr SettingAddress kReadOrder[] = {
    {0, 0, 0},  {0, 1, 0},  {0, 0, 1},  {0, 1, 1},  {0, 0, 4},  {0, 1, 4},  {0, 0, 10}, {0, 1, 10},
    {0, 0, 5},  {0, 1, 5},  {0, 0, 6},  {0, 1, 6},  {1, 0, 0},  {1, 1, 0},  {1, 0, 1},  {1, 1, 1},
    {1, 0, 2},  {1, 1, 2},  {1, 0, 3},  {1, 1, 3},  {1, 0, 4},  {1, 1, 4},  {1, 0, 5},  {1, 1, 5},
    {1, 0, 6},  {1, 1, 6},  {1, 0, 7},  {1, 1, 7},  {1, 0, 8},  {1, 1, 8},  {1, 0, 9},  {1, 1, 9},
    {1, 0, 11}, {1, 1, 11}, {1, 0, 12}, {1, 1, 12}, {1, 0, 13}, {1, 1, 13}, {1, 0, 14}, {1, 1, 14},
    {2, 0, 0},  {2, 0, 1},  {2, 0, 2},  {2, 0, 3},  {2, 0, 4},  {2, 0, 5},  {2, 0, 6},  {2, 0, 7},
};

constexpr ProgramWrite kWriteOrder[] = {
    {{0, 0, 0}, false},  {{0, 1, 0}, false},  {{0, 0, 1}, false},  {{0, 1, 1}, false},  {{0, 0, 4}, false},
    {{0, 1, 4}, false},  {{0, 0, 10}, false}, {{0, 1, 10}, false}, {{0, 0, 5}, false},  {{0, 1, 5}, false},
    {{0, 0, 6}, false},  {{0, 1, 6}, false},  {{1, 0, 0}, false},  {{1, 1, 0}, false},  {{1, 0, 1}, false},
    {{1, 1, 1}, false},  {{1, 0, 2}, false},  {{1, 1, 2}, false},  {{1, 0, 3}, false},  {{1, 1, 3}, false},
    {{1, 0, 4}, false},  {{1, 1, 4}, false},  {{1, 0, 5}, false},  {{1, 1, 5}, false},  {{1, 0, 6}, false},
    {{1, 1, 6}, false},  {{1, 0, 7}, false},  {{1, 1, 7}, false},  {{1, 0, 8}, false},  {{1, 1, 8}, false},
    {{1, 0, 9}, false},  {{1, 1, 9}, false},  {{1, 0, 11}, false}, {{1, 1, 11}, false}, {{1, 0, 12}, false},
    {{1, 1, 12}, false}, {{1, 0, 14}, true},  {{1, 1, 14}, true},  {{1, 0, 13}, false}, {{1, 1, 13}, false},
    {{1, 0, 14}, false}, {{1, 1, 14}, false}, {{2, 0, 0}, false},  {{2, 0, 1}, false},  {{2, 0, 2}, false},
    {{2, 0, 3}, false},  {{2, 0, 4}, false},  {{2, 0, 5}, false},  {{2, 0, 6}, false},  {{2, 0, 7}, false},
};

// printf of integers into a text that must have exactly `width` characters (the address's data
// length); a value with more digits has no wire form.
template <class... Args>
bool FixedText(std::string& data, int width, const char* format, Args... args) {
    char buf[64];
    const int n = std::snprintf(buf, sizeof buf, format, args...);
    if (n != width) return false;
    data.assign(buf, static_cast<size_t>(n));
    return true;
}

// Splits `data` at "," into exactly `fields.size()` parts.
bool SplitFields(std::string_view data, std::span<std::string_view> fields) {
    size_t at = 0;
    for (size_t i = 0; i < fields.size(); ++i) {
        const size_t comma = data.find(',', at);
        const bool last = i + 1 == fields.size();
        if (last != (comma == std::string_view::npos)) return false;
        fields[i] = data.substr(at, last ? std::string_view::npos : comma - at);
        at = comma + 1;
    }
    return true;
}

// A digits text cut at its own width: at least one character, digits only.
bool DigitsValue(std::string_view text, size_t width, int32_t& value) {
    text = text.substr(0, width);
    if (text.empty()) return false;
    int32_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    value = v;
    return true;
}

// A length text of the reply (sign, digits, the row's decimal point) in internal units.
bool LengthValue(std::string_view text, int unit, const OutSetting& out, int32_t& value) {
    if (!IsDecimalText(text)) return false;
    value = ParseLength(text, unit, out.DispDigitMm, out.DispDigitInch);
    return true;
}

// The fields of one program address. Lengths (and the plain numbers of the digit forms) are
// `value`; the analog scale's two voltages are `volts`, between its two lengths. `out` is the OUT
// whose digits row the lengths are counted in (nullptr outside group 1).
struct Fields {
    const SettingEntry* entry = nullptr;
    std::array<int32_t*, 4> value{};
    std::array<double*, 2> volts{};
    OutSetting* out = nullptr;
};

bool HeadFields(HeadSetting& h, int item, Fields& f) {
    switch (item) {
        case kHeadRova:
            f.value = {&h.Rova};
            return true;
        case kHeadRovaRange:
            f.value = {&h.RovaUpper, &h.RovaLower};
            return true;
        case kHeadMeasureMode:
            f.value = {&h.HdMsrMode};
            return true;
        case kHeadAlarmCount:
            f.value = {&h.AlarmCnt};
            return true;
        case kHeadAlarmLevel:
            f.value = {&h.AlarmLv};
            return true;
        case kHeadInstallMode:
            f.value = {&h.InstallMode};
            return true;
        default:
            return false;
    }
}

bool OutFields(OutSetting& o, int unit, int item, Fields& f) {
    int32_t* digits = ActiveDigits(o, unit);
    f.out = &o;
    switch (item) {
        case kOutCalc:
            f.value = {&o.Calc};
            return true;
        case kOutCalcWave:
            f.value = {&o.CalcWave};
            return true;
        case kOutScaleA:
            f.value = {&o.ScaleAIn1, &o.ScaleAOut1, &o.ScaleAIn2, &o.ScaleAOut2};
            break;
        case kOutScaleB:
            f.value = {&o.ScaleBIn1, &o.ScaleBOut1, &o.ScaleBIn2, &o.ScaleBOut2};
            break;
        case kOutFilterType:
            f.value = {&o.FilterType};
            return true;
        case kOutFilterAverage:
            f.value = {&o.FilterAverage};
            return true;
        case kOutFilterCutoff:
            f.value = {&o.FilterCutoff};
            return true;
        case kOutMeasureMode:
            f.value = {&o.OutMsrMode};
            return true;
        case kOutTrigger:
            f.value = {&o.Trigger};
            return true;
        case kOutOffset:
            f.value = {&o.Offset};
            break;
        case kOutDispDigit:
            f.value = {digits};
            break;
        case kOutAnalogScale:
            f.value = {&o.AScaleIn1, &o.AScaleIn2};
            f.volts = {&o.AScaleOut1, &o.AScaleOut2};
            break;
        case kOutAnaThrough:
            f.value = {&o.AnaThrough};
            return true;
        case kOutTolerance:
            f.value = {&o.ToleUpper, &o.ToleLower};
            break;
        case kOutHysteresis:
            f.value = {&o.ToleHys};
            break;
        default:
            return false;
    }
    // Lengths and the digits themselves need the OUT's digits row of the unit.
    return digits != nullptr;
}

bool CommonFields(CommonSetting& c, int item, Fields& f) {
    switch (item) {
        case kCommonSampRate:
            f.value = {&c.SampRate};
            return true;
        case kCommonAntiItfrnc:
            f.value = {&c.AntiItfrnc};
            return true;
        case kCommonSyncTim:
            f.value = {&c.SyncTim};
            return true;
        case kCommonOutStyle:
            f.value = {&c.OutStyle};
            return true;
        case kCommonStrobeTime:
            f.value = {&c.StrobeTime};
            return true;
        case kCommonDSOut:
            f.value = {&c.DSOut};
            return true;
        case kCommonDSPoints:
            f.value = {&c.DSPoints};
            return true;
        case kCommonDSFreq:
            f.value = {&c.DSFreq};
            return true;
        default:
            return false;
    }
}

// The table row and the fields of program address `a`; false when `a` is not one.
bool ProgramFields(ProgramSetting& p, int unit, SettingAddress a, Fields& f) {
    f.entry = FindSetting(a);
    if (f.entry == nullptr || (a.sub != 0 && a.sub != 1)) return false;
    if (a.group == kGroupHead) return HeadFields(a.sub == 0 ? p.HeadA : p.HeadB, a.item, f);
    if (a.group == kGroupOut) return OutFields(a.sub == 0 ? p.Out1 : p.Out2, unit, a.item, f);
    if (a.group == kGroupCommon) return CommonFields(p.Common, a.item, f);
    return false;
}

bool Encode(const Fields& f, int unit, std::string& data) {
    const int width = WriteLength(f.entry->form);
    const auto v = [&f](size_t i) { return *f.value[i]; };
    const auto s = [&f, unit](size_t i) {
        return ToSteps(*f.value[i], unit, f.out->DispDigitMm, f.out->DispDigitInch);
    };
    switch (f.entry->form) {
        case WireForm::kByte:
            return EncodeByte(v(0), data);
        case WireForm::kTwoDigitPair:
            return FixedText(data, width, "%02d,%02d", v(0), v(1));
        case WireForm::kDigits3:
            return FixedText(data, width, "%03d", v(0));
        case WireForm::kDigits5:
            return FixedText(data, width, "%05d", v(0));
        case WireForm::kSteps:
            return FixedText(data, width, "%+07d", s(0));
        case WireForm::kStepsPair:
            return FixedText(data, width, "%+07d,%+07d", s(0), s(1));
        case WireForm::kStepsQuad:
            return FixedText(data, width, "%+07d,%+07d,%+07d,%+07d", s(0), s(1), s(2), s(3));
        case WireForm::kAnalogScale:
            // The voltages go as whole millivolts taken exactly from the volts (see Units.h).
            return FixedText(data, width, "%+07d,%+06d,%+07d,%+06d", s(0), VoltsToMillivolts(*f.volts[0]),
                             s(1), VoltsToMillivolts(*f.volts[1]));
        case WireForm::kHysteresis:
            return FixedText(data, width, "%06d", s(0));
        case WireForm::kAction:
            break;
    }
    return false;
}

// Parses `data` in the address's form into the fields. The caller works on a copy, so fields
// already stored before a later field fails do not matter.
bool Decode(const Fields& f, int unit, std::string_view data) {
    const auto length = [&f, unit](std::string_view text, size_t i) {
        return LengthValue(text, unit, *f.out, *f.value[i]);
    };
    switch (f.entry->form) {
        case WireForm::kByte:
            return DecodeByte(data, *f.value[0]);
        case WireForm::kTwoDigitPair: {
            std::string_view t[2];
            return SplitFields(data, t) && DigitsValue(t[0], 2, *f.value[0]) &&
                   DigitsValue(t[1], 2, *f.value[1]);
        }
        case WireForm::kDigits3:
            return DigitsValue(data, 3, *f.value[0]);
        case WireForm::kDigits5:
            return DigitsValue(data, 5, *f.value[0]);
        case WireForm::kSteps:
        case WireForm::kHysteresis:
            return length(data, 0);
        case WireForm::kStepsPair: {
            std::string_view t[2];
            return SplitFields(data, t) && length(t[0], 0) && length(t[1], 1);
        }
        case WireForm::kStepsQuad: {
            std::string_view t[4];
            if (!SplitFields(data, t)) return false;
            for (size_t i = 0; i < 4; ++i)
                if (!length(t[i], i)) return false;
            return true;
        }
        case WireForm::kAnalogScale: {
            std::string_view t[4];
            return SplitFields(data, t) && length(t[0], 0) && ParseVoltageText(t[1], *f.volts[0]) &&
                   length(t[2], 1) && ParseVoltageText(t[3], *f.volts[1]);
        }
        case WireForm::kAction:
            break;
    }
    return false;
}

}  // namespace

std::span<const SettingAddress> ProgramReadOrder() {
    return kReadOrder;
}

std::span<const ProgramWrite> ProgramWriteOrder() {
    return kWriteOrder;
}

const int32_t* ActiveDigits(const OutSetting& out, int unit) {
    if (unit == kUnitMetric) return &out.DispDigitMm;
    if (unit == kUnitImperial) return &out.DispDigitInch;
    return nullptr;
}

int32_t* ActiveDigits(OutSetting& out, int unit) {
    return const_cast<int32_t*>(ActiveDigits(static_cast<const OutSetting&>(out), unit));
}

bool EncodeByte(int32_t value, std::string& data) {
    if (value < 0 || value > 255) return false;
    data.assign(1, static_cast<char>(static_cast<uint8_t>(value)));
    return true;
}

bool DecodeByte(std::string_view data, int32_t& value) {
    if (data.empty()) return false;
    value = static_cast<uint8_t>(data[0]);
    return true;
}

bool EncodeProgramSetting(const ProgramSetting& program, int unit, SettingAddress a, std::string& data) {
    // The fields are only read; the copy keeps Fields to one (mutable) shape.
    ProgramSetting p = program;
    Fields f;
    return ProgramFields(p, unit, a, f) && Encode(f, unit, data);
}

bool DecodeProgramSetting(ProgramSetting& program, int unit, SettingAddress a, std::string_view data) {
    // Decoded into a copy, so that a malformed reply leaves the program as it was.
    ProgramSetting p = program;
    Fields f;
    if (!ProgramFields(p, unit, a, f) || !Decode(f, unit, data)) return false;
    program = p;
    return true;
}

}  // namespace qda
