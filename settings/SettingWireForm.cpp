#include "settings/SettingWireForm.h"

#include <cstdio>
#include <initializer_list>

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

int32_t Steps(int32_t v, int unit, const OutSetting& out) {
    return ToSteps(v, unit, out.DispDigitMm, out.DispDigitInch);
}

bool EncodeHead(const HeadSetting& h, int item, std::string& data) {
    switch (item) {
        case 0:
            return EncodeByte(h.Rova, data);
        case 1:
            return FixedText(data, 5, "%02d,%02d", h.RovaUpper, h.RovaLower);
        case 4:
            return EncodeByte(h.HdMsrMode, data);
        case 5:
            return FixedText(data, 3, "%03d", h.AlarmCnt);
        case 6:
            return EncodeByte(h.AlarmLv, data);
        case 10:
            return EncodeByte(h.InstallMode, data);
        default:
            return false;
    }
}

bool DecodeHead(HeadSetting& h, int item, std::string_view data) {
    int32_t v = 0;
    switch (item) {
        case 0:
            return DecodeByte(data, h.Rova);
        case 1: {
            std::string_view f[2];
            int32_t upper = 0, lower = 0;
            if (!SplitFields(data, f) || !DigitsValue(f[0], 2, upper) || !DigitsValue(f[1], 2, lower))
                return false;
            h.RovaUpper = upper;
            h.RovaLower = lower;
            return true;
        }
        case 4:
            return DecodeByte(data, h.HdMsrMode);
        case 5:
            if (!DigitsValue(data, 3, v)) return false;
            h.AlarmCnt = v;
            return true;
        case 6:
            return DecodeByte(data, h.AlarmLv);
        case 10:
            return DecodeByte(data, h.InstallMode);
        default:
            return false;
    }
}

bool EncodeOut(const OutSetting& o, int unit, int item, std::string& data) {
    const int32_t* digits = ActiveDigits(o, unit);
    const auto s = [unit, &o](int32_t v) { return Steps(v, unit, o); };
    switch (item) {
        case 0:
            return EncodeByte(o.Calc, data);
        case 1:
            return EncodeByte(o.CalcWave, data);
        case 2:
            return digits && FixedText(data, 31, "%+07d,%+07d,%+07d,%+07d", s(o.ScaleAIn1), s(o.ScaleAOut1),
                                       s(o.ScaleAIn2), s(o.ScaleAOut2));
        case 3:
            return digits && FixedText(data, 31, "%+07d,%+07d,%+07d,%+07d", s(o.ScaleBIn1), s(o.ScaleBOut1),
                                       s(o.ScaleBIn2), s(o.ScaleBOut2));
        case 4:
            return EncodeByte(o.FilterType, data);
        case 5:
            return EncodeByte(o.FilterAverage, data);
        case 6:
            return EncodeByte(o.FilterCutoff, data);
        case 7:
            return EncodeByte(o.OutMsrMode, data);
        case 8:
            return EncodeByte(o.Trigger, data);
        case 9:
            return digits && FixedText(data, 7, "%+07d", s(o.Offset));
        case kDispDigitItem:
            return digits && EncodeByte(*digits, data);
        case 11:
            // The voltages go as whole millivolts taken exactly from the volts (see Units.h).
            return digits && FixedText(data, 29, "%+07d,%+06d,%+07d,%+06d", s(o.AScaleIn1),
                                       VoltsToMillivolts(o.AScaleOut1), s(o.AScaleIn2),
                                       VoltsToMillivolts(o.AScaleOut2));
        case 12:
            return EncodeByte(o.AnaThrough, data);
        case kToleranceItem:
            return digits && FixedText(data, 15, "%+07d,%+07d", s(o.ToleUpper), s(o.ToleLower));
        case kHysteresisItem:
            return digits && FixedText(data, 6, "%06d", s(o.ToleHys));
        default:
            return false;
    }
}

bool DecodeOut(OutSetting& o, int unit, int item, std::string_view data) {
    int32_t* digits = ActiveDigits(o, unit);
    switch (item) {
        case 0:
            return DecodeByte(data, o.Calc);
        case 1:
            return DecodeByte(data, o.CalcWave);
        case 2:
        case 3: {
            std::string_view f[4];
            int32_t v[4] = {};
            if (!digits || !SplitFields(data, f)) return false;
            for (int i = 0; i < 4; ++i)
                if (!LengthValue(f[i], unit, o, v[i])) return false;
            int32_t* const target[2][4] = {{&o.ScaleAIn1, &o.ScaleAOut1, &o.ScaleAIn2, &o.ScaleAOut2},
                                           {&o.ScaleBIn1, &o.ScaleBOut1, &o.ScaleBIn2, &o.ScaleBOut2}};
            for (int i = 0; i < 4; ++i) *target[item - 2][i] = v[i];
            return true;
        }
        case 4:
            return DecodeByte(data, o.FilterType);
        case 5:
            return DecodeByte(data, o.FilterAverage);
        case 6:
            return DecodeByte(data, o.FilterCutoff);
        case 7:
            return DecodeByte(data, o.OutMsrMode);
        case 8:
            return DecodeByte(data, o.Trigger);
        case 9:
            return digits && LengthValue(data, unit, o, o.Offset);
        case kDispDigitItem:
            return digits && DecodeByte(data, *digits);
        case 11: {
            std::string_view f[4];
            int32_t in1 = 0, in2 = 0;
            double out1 = 0, out2 = 0;
            if (!digits || !SplitFields(data, f) || !LengthValue(f[0], unit, o, in1) ||
                !ParseVoltageText(f[1], out1) || !LengthValue(f[2], unit, o, in2) ||
                !ParseVoltageText(f[3], out2))
                return false;
            o.AScaleIn1 = in1;
            o.AScaleOut1 = out1;
            o.AScaleIn2 = in2;
            o.AScaleOut2 = out2;
            return true;
        }
        case 12:
            return DecodeByte(data, o.AnaThrough);
        case kToleranceItem: {
            std::string_view f[2];
            int32_t upper = 0, lower = 0;
            if (!digits || !SplitFields(data, f) || !LengthValue(f[0], unit, o, upper) ||
                !LengthValue(f[1], unit, o, lower))
                return false;
            o.ToleUpper = upper;
            o.ToleLower = lower;
            return true;
        }
        case kHysteresisItem:
            return digits && LengthValue(data, unit, o, o.ToleHys);
        default:
            return false;
    }
}

bool EncodeCommon(const CommonSetting& c, int item, std::string& data) {
    switch (item) {
        case 0:
            return EncodeByte(c.SampRate, data);
        case 1:
            return EncodeByte(c.AntiItfrnc, data);
        case 2:
            return EncodeByte(c.SyncTim, data);
        case 3:
            return EncodeByte(c.OutStyle, data);
        case 4:
            return EncodeByte(c.StrobeTime, data);
        case 5:
            return EncodeByte(c.DSOut, data);
        case 6:
            return FixedText(data, 5, "%05d", c.DSPoints);
        case 7:
            return EncodeByte(c.DSFreq, data);
        default:
            return false;
    }
}

bool DecodeCommon(CommonSetting& c, int item, std::string_view data) {
    int32_t v = 0;
    switch (item) {
        case 0:
            return DecodeByte(data, c.SampRate);
        case 1:
            return DecodeByte(data, c.AntiItfrnc);
        case 2:
            return DecodeByte(data, c.SyncTim);
        case 3:
            return DecodeByte(data, c.OutStyle);
        case 4:
            return DecodeByte(data, c.StrobeTime);
        case 5:
            return DecodeByte(data, c.DSOut);
        case 6:
            if (!DigitsValue(data, 5, v)) return false;
            c.DSPoints = v;
            return true;
        case 7:
            return DecodeByte(data, c.DSFreq);
        default:
            return false;
    }
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
    if (a.group == 0 && (a.sub == 0 || a.sub == 1))
        return EncodeHead(a.sub == 0 ? program.HeadA : program.HeadB, a.item, data);
    if (a.group == 1 && (a.sub == 0 || a.sub == 1))
        return EncodeOut(a.sub == 0 ? program.Out1 : program.Out2, unit, a.item, data);
    if (a.group == 2 && a.sub == 0) return EncodeCommon(program.Common, a.item, data);
    return false;
}

bool DecodeProgramSetting(ProgramSetting& program, int unit, SettingAddress a, std::string_view data) {
    // Decoded into a copy, so that a malformed reply leaves the program as it was.
    ProgramSetting p = program;
    bool ok = false;
    if (a.group == 0 && (a.sub == 0 || a.sub == 1))
        ok = DecodeHead(a.sub == 0 ? p.HeadA : p.HeadB, a.item, data);
    else if (a.group == 1 && (a.sub == 0 || a.sub == 1))
        ok = DecodeOut(a.sub == 0 ? p.Out1 : p.Out2, unit, a.item, data);
    else if (a.group == 2 && a.sub == 0)
        ok = DecodeCommon(p.Common, a.item, data);
    if (ok) program = p;
    return ok;
}

}  // namespace qda
