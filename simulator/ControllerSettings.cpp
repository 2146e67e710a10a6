#include "simulator/ControllerSettings.h"

#include <string>
#include <string_view>

#include "simulator/SimProtocol.h"
#include "simulator/WireText.h"

namespace qda::sim {

namespace {

// Lengths of the factory defaults, in internal units (0.01 um or 0.1 uinch).
constexpr int64_t kDefaultTolerance = 500000;
constexpr int64_t kDefaultScaleIn2 = 100000;
constexpr int64_t kDefaultAnalogIn = 100000;
constexpr int32_t kMaxMillivolts = 10500;

std::string_view AsText(std::span<const uint8_t> data) {
    return {reinterpret_cast<const char*>(data.data()), data.size()};
}

void AppendText(std::vector<uint8_t>& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

// A one-byte enumeration write: length 1, value lo..hi.
uint8_t WriteByte(int32_t& field, std::span<const uint8_t> data, int32_t lo, int32_t hi, uint8_t& result) {
    if (data.size() != 1) return kStatusLengthError;
    const int32_t v = data[0];
    if (v < lo || v > hi)
        result = kWriteRefused;
    else if (v == field)
        result = kWriteUnchanged;
    else {
        field = v;
        result = kWriteStored;
    }
    return kStatusOk;
}

// Splits "a,b,c" into fields of the given text widths; false when the shape differs.
bool SplitFields(std::string_view text, std::span<const int> widths, std::span<std::string_view> out) {
    size_t at = 0;
    for (size_t i = 0; i < widths.size(); ++i) {
        if (i > 0) {
            if (at >= text.size() || text[at] != ',') return false;
            ++at;
        }
        if (at + widths[i] > text.size()) return false;
        out[i] = text.substr(at, widths[i]);
        at += widths[i];
    }
    return at == text.size();
}

// Stores `values` into `fields` when they differ; sets `result` accordingly.
void StoreAll(std::span<int32_t* const> fields, std::span<const int32_t> values, uint8_t& result) {
    bool same = true;
    for (size_t i = 0; i < fields.size(); ++i) same = same && *fields[i] == values[i];
    if (same) {
        result = kWriteUnchanged;
        return;
    }
    for (size_t i = 0; i < fields.size(); ++i) *fields[i] = values[i];
    result = kWriteStored;
}

std::string StepsText(int32_t steps, int unit, int row) {
    return FormatFixedText(steps, 6, DecimalsOfRow(unit, row), true);
}

}  // namespace

ControllerSettings::ControllerSettings() {
    ResetAll();
}

void ControllerSettings::ResetAll() {
    env_ = EnvValues{};
    unit_ = 0;
    selected_ = 0;
    effectivePrgChange_ = env_.prgChange;
    ResetPrograms(unit_);
}

void ControllerSettings::ResetPrograms(int unit) {
    for (ProgramValues& p : programs_) {
        p = ProgramValues{};
        for (OutValues& o : p.out) {
            const int64_t step = StepSizeOfRow(unit, o.digits);
            const auto steps = [step](int64_t internal) { return static_cast<int32_t>(internal / step); };
            o.toleUpper = steps(kDefaultTolerance);
            o.toleLower = steps(-kDefaultTolerance);
            for (auto& s : o.scale) {
                s[2] = steps(kDefaultScaleIn2);
                s[3] = steps(kDefaultScaleIn2);
            }
            o.aScaleIn1 = steps(kDefaultAnalogIn);
            o.aScaleIn2 = steps(-kDefaultAnalogIn);
        }
    }
}

int64_t ControllerSettings::StepSize(int out) const {
    return StepSizeOfRow(unit_, programs_[selected_].out[out & 1].digits);
}

uint8_t ControllerSettings::Read(uint8_t group, uint8_t sub, uint8_t item,
                                 std::vector<uint8_t>& value) const {
    value.clear();
    const ProgramValues& p = programs_[selected_];
    const auto byte = [&value](int32_t v) {
        value.push_back(static_cast<uint8_t>(v));
        return kStatusOk;
    };
    switch (group) {
        case 0: {
            if (sub > 1) return kStatusCommandError;
            const HeadValues& h = p.head[sub];
            switch (item) {
                case 0:
                    return byte(h.rova);
                case 1:
                    AppendText(value, FormatFixedText(h.rovaUpper, 2, 0, false) + "," +
                                          FormatFixedText(h.rovaLower, 2, 0, false));
                    return kStatusOk;
                case 4:
                    return byte(h.msrMode);
                case 5:
                    AppendText(value, FormatFixedText(h.alarmCnt, 3, 0, false));
                    return kStatusOk;
                case 6:
                    return byte(h.alarmLv);
                case 10:
                    return byte(h.installMode);
                default:
                    return kStatusCommandError;
            }
        }
        case 1:
            if (sub > 1) return kStatusCommandError;
            return ReadOut(p.out[sub], item, value);
        case 2: {
            if (sub != 0) return kStatusCommandError;
            const CommonValues& c = p.common;
            switch (item) {
                case 0:
                    return byte(c.sampRate);
                case 1:
                    return byte(c.antiItfrnc);
                case 2:
                    return byte(c.syncTim);
                case 3:
                    return byte(c.outStyle);
                case 4:
                    return byte(c.strobeTime);
                case 5:
                    return byte(c.dsOut);
                case 6:
                    AppendText(value, FormatFixedText(c.dsPoints, 5, 0, false));
                    return kStatusOk;
                case 7:
                    return byte(c.dsFreq);
                default:
                    return kStatusCommandError;
            }
        }
        case 3:
            if (sub != 0) return kStatusCommandError;
            switch (item) {
                case 0:
                    return byte(env_.baudrate);
                case 1:
                    return byte(env_.parity);
                case 2:
                    return byte(env_.autoTrans);
                case 3:
                    return byte(env_.prgChange);
                case 5:
                    return byte(env_.panelLock);
                case 6:
                    return byte(env_.eco);
                default:
                    return kStatusCommandError;
            }
        case 4:
            if (sub == 255 && item == 0) return byte(selected_);
            if (sub == 0 && item == 1) return byte(unit_);
            return kStatusCommandError;
        default:
            return kStatusCommandError;
    }
}

uint8_t ControllerSettings::ReadOut(const OutValues& o, uint8_t item, std::vector<uint8_t>& value) const {
    const auto byte = [&value](int32_t v) {
        value.push_back(static_cast<uint8_t>(v));
        return kStatusOk;
    };
    const auto steps = [this, &o](int32_t v) { return StepsText(v, unit_, o.digits); };
    switch (item) {
        case 0:
            return byte(o.calc);
        case 1:
            return byte(o.calcWave);
        case 2:
        case 3: {
            const auto& s = o.scale[item - 2];
            AppendText(value, steps(s[0]) + "," + steps(s[1]) + "," + steps(s[2]) + "," + steps(s[3]));
            return kStatusOk;
        }
        case 4:
            return byte(o.filterType);
        case 5:
            return byte(o.filterAverage);
        case 6:
            return byte(o.filterCutoff);
        case 7:
            return byte(o.msrMode);
        case 8:
            return byte(o.trigger);
        case 9:
            AppendText(value, steps(o.offset));
            return kStatusOk;
        case 10:
            return byte(o.digits);
        case 11:
            // Voltages read back in volts with three decimals: +10.000, -02.500.
            AppendText(value, steps(o.aScaleIn1) + "," + FormatFixedText(o.aScaleOut1mV, 5, 3, true) + "," +
                                  steps(o.aScaleIn2) + "," + FormatFixedText(o.aScaleOut2mV, 5, 3, true));
            return kStatusOk;
        case 12:
            return byte(o.anaThrough);
        case 13:
            AppendText(value, steps(o.toleUpper) + "," + steps(o.toleLower));
            return kStatusOk;
        case 14:
            AppendText(value, FormatFixedText(o.toleHys, 6, DecimalsOfRow(unit_, o.digits), false));
            return kStatusOk;
        default:
            return kStatusCommandError;
    }
}

uint8_t ControllerSettings::Write(uint8_t group, uint8_t sub, uint8_t item, std::span<const uint8_t> data,
                                  uint8_t& result) {
    result = kWriteStored;
    ProgramValues& p = programs_[selected_];
    switch (group) {
        case 0:
            if (sub == 255) {  // both heads take the same value
                uint8_t resultB = kWriteStored;
                const uint8_t status = WriteHead(p.head[0], item, data, result);
                if (status != kStatusOk || result == kWriteRefused) return status;
                WriteHead(p.head[1], item, data, resultB);
                if (result == kWriteUnchanged && resultB != kWriteUnchanged) result = resultB;
                return kStatusOk;
            }
            if (sub > 1) return kStatusCommandError;
            return WriteHead(p.head[sub], item, data, result);
        case 1:
            if (sub > 1) return kStatusCommandError;
            return WriteOut(p.out[sub], item, data, result);
        case 2:
            if (sub != 0) return kStatusCommandError;
            return WriteCommon(p.common, item, data, result);
        case 3:
            if (sub != 0) return kStatusCommandError;
            return WriteEnv(item, data, result);
        case 4:
            if (sub == 255 && item == 0) {
                // With program switching by terminal input the panel cannot change the program.
                if (data.size() == 1 && effectivePrgChange_ == 1) {
                    result = kWriteRefused;
                    return kStatusOk;
                }
                int32_t program = selected_;
                const uint8_t status = WriteByte(program, data, 0, 7, result);
                selected_ = program;
                return status;
            }
            if (sub == 0 && item == 1) {
                int32_t unit = unit_;
                const uint8_t status = WriteByte(unit, data, 0, 1, result);
                if (status == kStatusOk && result == kWriteStored) {
                    // A new unit changes the meaning of every length: all programs start afresh.
                    unit_ = unit;
                    ResetPrograms(unit_);
                }
                return status;
            }
            return kStatusCommandError;
        default:
            return kStatusCommandError;
    }
}

uint8_t ControllerSettings::WriteHead(HeadValues& h, uint8_t item, std::span<const uint8_t> data,
                                      uint8_t& result) {
    switch (item) {
        case 0:
            return WriteByte(h.rova, data, 0, 1, result);
        case 1: {
            constexpr int kWidths[] = {2, 2};
            std::string_view f[2];
            int32_t upper = 0, lower = 0;
            if (data.size() != 5) return kStatusLengthError;
            if (!SplitFields(AsText(data), kWidths, f) || !ParseUnsignedDigits(f[0], 2, upper) ||
                !ParseUnsignedDigits(f[1], 2, lower) || lower < 1 || upper > 99 || lower > upper) {
                result = kWriteRefused;
                return kStatusOk;
            }
            int32_t* const fields[] = {&h.rovaUpper, &h.rovaLower};
            const int32_t values[] = {upper, lower};
            StoreAll(fields, values, result);
            return kStatusOk;
        }
        case 4:
            return WriteByte(h.msrMode, data, 0, 4, result);
        case 5: {
            if (data.size() != 3) return kStatusLengthError;
            int32_t v = 0;
            if (!ParseUnsignedDigits(AsText(data), 3, v)) {
                result = kWriteRefused;
                return kStatusOk;
            }
            int32_t* const fields[] = {&h.alarmCnt};
            StoreAll(fields, std::span<const int32_t>(&v, 1), result);
            return kStatusOk;
        }
        case 6:
            return WriteByte(h.alarmLv, data, 0, 9, result);
        case 10:
            return WriteByte(h.installMode, data, 0, 1, result);
        default:
            return kStatusCommandError;
    }
}

uint8_t ControllerSettings::WriteOut(OutValues& o, uint8_t item, std::span<const uint8_t> data,
                                     uint8_t& result) {
    const std::string_view text = AsText(data);
    const auto refuse = [&result] {
        result = kWriteRefused;
        return kStatusOk;
    };
    switch (item) {
        case 0:
            return WriteByte(o.calc, data, 0, 5, result);
        case 1:
            return WriteByte(o.calcWave, data, 0, 9, result);
        case 2:
        case 3: {
            constexpr int kWidths[] = {7, 7, 7, 7};
            std::string_view f[4];
            int32_t v[4] = {};
            if (data.size() != 31) return kStatusLengthError;
            if (!SplitFields(text, kWidths, f)) return refuse();
            for (int i = 0; i < 4; ++i)
                if (!ParseSignedDigits(f[i], 6, v[i])) return refuse();
            if (v[0] == v[2]) return refuse();  // two equal inputs give no scaling line
            auto& s = o.scale[item - 2];
            int32_t* const fields[] = {&s[0], &s[1], &s[2], &s[3]};
            StoreAll(fields, v, result);
            return kStatusOk;
        }
        case 4:
            return WriteByte(o.filterType, data, 0, 2, result);
        case 5:
            return WriteByte(o.filterAverage, data, 0, 9, result);
        case 6:
            return WriteByte(o.filterCutoff, data, 0, 8, result);
        case 7:
            return WriteByte(o.msrMode, data, 0, 5, result);
        case 8:
            return WriteByte(o.trigger, data, 0, 1, result);
        case 9: {
            int32_t v = 0;
            if (data.size() != 7) return kStatusLengthError;
            if (!ParseSignedDigits(text, 6, v)) return refuse();
            int32_t* const fields[] = {&o.offset};
            StoreAll(fields, std::span<const int32_t>(&v, 1), result);
            return kStatusOk;
        }
        case 10:
            return WriteByte(o.digits, data, 0, 5, result);
        case 11: {
            constexpr int kWidths[] = {7, 6, 7, 6};
            std::string_view f[4];
            int32_t v[4] = {};
            if (data.size() != 29) return kStatusLengthError;
            if (!SplitFields(text, kWidths, f) || !ParseSignedDigits(f[0], 6, v[0]) ||
                !ParseSignedDigits(f[1], 5, v[1]) || !ParseSignedDigits(f[2], 6, v[2]) ||
                !ParseSignedDigits(f[3], 5, v[3]))
                return refuse();
            if (v[1] < -kMaxMillivolts || v[1] > kMaxMillivolts || v[3] < -kMaxMillivolts ||
                v[3] > kMaxMillivolts || v[0] == v[2])
                return refuse();
            int32_t* const fields[] = {&o.aScaleIn1, &o.aScaleOut1mV, &o.aScaleIn2, &o.aScaleOut2mV};
            StoreAll(fields, v, result);
            return kStatusOk;
        }
        case 12:
            return WriteByte(o.anaThrough, data, 0, 1, result);
        case 13: {
            constexpr int kWidths[] = {7, 7};
            std::string_view f[2];
            int32_t v[2] = {};
            if (data.size() != 15) return kStatusLengthError;
            if (!SplitFields(text, kWidths, f) || !ParseSignedDigits(f[0], 6, v[0]) ||
                !ParseSignedDigits(f[1], 6, v[1]))
                return refuse();
            // The band must stay wider than the hysteresis in force; the PC clears the
            // hysteresis before it sends new limits for that reason.
            if (v[1] >= v[0] || int64_t{o.toleHys} >= int64_t{v[0]} - v[1]) return refuse();
            int32_t* const fields[] = {&o.toleUpper, &o.toleLower};
            StoreAll(fields, v, result);
            return kStatusOk;
        }
        case 14: {
            int32_t v = 0;
            if (data.size() != 6) return kStatusLengthError;
            if (!ParseUnsignedDigits(text, 6, v)) return refuse();
            if (int64_t{v} >= int64_t{o.toleUpper} - o.toleLower) return refuse();
            int32_t* const fields[] = {&o.toleHys};
            StoreAll(fields, std::span<const int32_t>(&v, 1), result);
            return kStatusOk;
        }
        default:
            return kStatusCommandError;
    }
}

uint8_t ControllerSettings::WriteCommon(CommonValues& c, uint8_t item, std::span<const uint8_t> data,
                                        uint8_t& result) {
    switch (item) {
        case 0:
            return WriteByte(c.sampRate, data, 0, 5, result);
        case 1:
            return WriteByte(c.antiItfrnc, data, 0, 1, result);
        case 2:
            return WriteByte(c.syncTim, data, 0, 1, result);
        case 3:
            return WriteByte(c.outStyle, data, 0, 2, result);
        case 4:
            return WriteByte(c.strobeTime, data, 0, 3, result);
        case 5:
            return WriteByte(c.dsOut, data, 0, 3, result);
        case 6: {
            int32_t v = 0;
            if (data.size() != 5) return kStatusLengthError;
            if (!ParseUnsignedDigits(AsText(data), 5, v) || v < 1 || v > 65536) {
                result = kWriteRefused;
                return kStatusOk;
            }
            int32_t* const fields[] = {&c.dsPoints};
            StoreAll(fields, std::span<const int32_t>(&v, 1), result);
            return kStatusOk;
        }
        case 7:
            return WriteByte(c.dsFreq, data, 0, 9, result);
        default:
            return kStatusCommandError;
    }
}

uint8_t ControllerSettings::WriteEnv(uint8_t item, std::span<const uint8_t> data, uint8_t& result) {
    switch (item) {
        case 0:
            return WriteByte(env_.baudrate, data, 0, 4, result);
        case 1:
            return WriteByte(env_.parity, data, 0, 2, result);
        case 2:
            return WriteByte(env_.autoTrans, data, 0, 3, result);
        case 3:
            return WriteByte(env_.prgChange, data, 0, 1, result);
        case 5:
            return WriteByte(env_.panelLock, data, 0, 1, result);
        case 6:
            return WriteByte(env_.eco, data, 0, 2, result);
        default:
            return kStatusCommandError;
    }
}

}  // namespace qda::sim
