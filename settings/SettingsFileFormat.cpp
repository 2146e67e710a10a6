#include "settings/SettingsFileFormat.h"

#include <cstdlib>

#include "settings/Units.h"

namespace qda {

namespace {

// ---------------------------------------------------------------- writing

class TextWriter {
public:
    explicit TextWriter(std::string& out) : m_out(out) {}

    void Line(int tabs, std::string_view text) {
        m_out.append(static_cast<size_t>(tabs), '\t');
        m_out.append(text);
        m_out.append("\r\n");
    }
    void Int(int tabs, std::string_view key, int64_t value) { Key(tabs, key, std::to_string(value)); }
    void Volts(int tabs, std::string_view key, double value) { Key(tabs, key, FormatFixed(value, 6)); }

private:
    void Key(int tabs, std::string_view key, const std::string& value) {
        m_out.append(static_cast<size_t>(tabs), '\t');
        m_out.append(key);
        m_out.append(" = ");
        m_out.append(value);
        m_out.append(";\r\n");
    }
    std::string& m_out;
};

void WriteHead(TextWriter& w, const HeadSetting& h, const char* letter) {
    w.Line(2, std::string("[Head") + letter + "]");
    w.Int(3, "HdMsrMode", h.HdMsrMode);
    w.Int(3, "Rova", h.Rova);
    w.Int(3, "RovaLower", h.RovaLower);
    w.Int(3, "RovaUpper", h.RovaUpper);
    w.Int(3, "InstallMode", h.InstallMode);
    w.Int(3, "AlarmCnt", h.AlarmCnt);
    w.Int(3, "AlarmLv", h.AlarmLv);
    w.Line(2, std::string("[EndHead") + letter + "]");
}

void WriteOut(TextWriter& w, const OutSetting& o, const char* digit, int unit) {
    const bool lengthUnit = unit == kUnitMetric || unit == kUnitImperial;
    w.Line(2, std::string("[Out") + digit + "]");
    w.Int(3, "Calc", o.Calc);
    w.Int(3, "CalcWave", o.CalcWave);
    w.Int(3, "ScaleAIn1", o.ScaleAIn1);
    w.Int(3, "ScaleAIn2", o.ScaleAIn2);
    w.Int(3, "ScaleBIn1", o.ScaleBIn1);
    w.Int(3, "ScaleBIn2", o.ScaleBIn2);
    if (lengthUnit) {
        w.Int(3, "ScaleAOut1", o.ScaleAOut1);
        w.Int(3, "ScaleAOut2", o.ScaleAOut2);
        w.Int(3, "ScaleBOut1", o.ScaleBOut1);
        w.Int(3, "ScaleBOut2", o.ScaleBOut2);
        w.Int(3, "AScaleIn1", o.AScaleIn1);
        w.Int(3, "AScaleIn2", o.AScaleIn2);
    }
    w.Volts(3, "AScaleOut1", o.AScaleOut1);
    w.Volts(3, "AScaleOut2", o.AScaleOut2);
    w.Int(3, "FilterType", o.FilterType);
    if (o.FilterType == kFilterMovingAverage) {
        w.Int(3, "FilterDet", o.FilterAverage);
    } else if (o.FilterType == kFilterLowPass || o.FilterType == kFilterHighPass) {
        w.Int(3, "FilterDet", o.FilterCutoff);
    }
    w.Int(3, "OutMsrMode", o.OutMsrMode);
    w.Int(3, "Trigger", o.Trigger);
    w.Int(3, "Offset", o.Offset);
    w.Int(3, "ToleUpper", o.ToleUpper);
    w.Int(3, "ToleLower", o.ToleLower);
    w.Int(3, "ToleHys", o.ToleHys);
    if (unit == kUnitMetric) w.Int(3, "DispDigit", o.DispDigitMm);
    if (unit == kUnitImperial) w.Int(3, "DispDigit", o.DispDigitInch);
    w.Int(3, "AnaThrough", o.AnaThrough);
    w.Line(2, std::string("[EndOut") + digit + "]");
}

void WriteCommon(TextWriter& w, const CommonSetting& c) {
    w.Line(2, "[Common]");
    w.Int(3, "SampRate", c.SampRate);
    w.Int(3, "AntiItfrnc", c.AntiItfrnc);
    w.Int(3, "SyncTim", c.SyncTim);
    w.Int(3, "StrobeTime", c.StrobeTime);
    w.Int(3, "OutStyle", c.OutStyle);
    w.Int(3, "DSOut", c.DSOut);
    w.Int(3, "DSPoints", c.DSPoints);
    w.Int(3, "DSFreq", c.DSFreq);
    w.Line(2, "[EndCommon]");
}

// ---------------------------------------------------------------- reading

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// One prepared line: the keyword (text before the first "=", trimmed) and the value (text after
// it, trimmed; empty when there is no "=").
struct Line {
    std::string_view keyword;
    std::string_view value;
};

// Hands out the prepared lines of the text, skipping blank and "//" lines.
class LineSource {
public:
    explicit LineSource(std::string_view text) : m_text(text) {}

    bool Next(Line& line) {
        while (m_pos < m_text.size()) {
            size_t end = m_text.find('\n', m_pos);
            if (end == std::string_view::npos) end = m_text.size();
            std::string_view raw = m_text.substr(m_pos, end - m_pos);
            m_pos = end + 1;
            // Everything from the first ";" on is dropped: the ";" is optional and may be
            // followed by a comment.
            const size_t semicolon = raw.find(';');
            if (semicolon != std::string_view::npos) raw = raw.substr(0, semicolon);
            const std::string_view trimmed = Trim(raw);
            if (trimmed.empty() || trimmed.substr(0, 2) == "//") continue;
            const size_t eq = trimmed.find('=');
            if (eq == std::string_view::npos) {
                line = {trimmed, {}};
            } else {
                line = {Trim(trimmed.substr(0, eq)), Trim(trimmed.substr(eq + 1))};
            }
            return true;
        }
        return false;
    }

private:
    std::string_view m_text;
    size_t m_pos = 0;
};

int32_t IntegerValue(std::string_view text) {
    if (!IsIntegerText(text)) return kUnreadableInteger;
    return static_cast<int32_t>(std::atoi(std::string(text).c_str()));  // at most 9 characters
}

double VoltageValue(std::string_view text) {
    double volts = 0;
    return ParseVoltageText(text, volts) ? volts : kUnreadableVoltage;
}

// Reads "Key = value" lines up to and including `endMarker` (or to the end of the text), handing
// each to `apply`, which returns false for a line that is no key of the section. Returns false
// when any line was refused; the reader still goes on to the end line.
template <typename Apply>
bool ReadSection(LineSource& lines, std::string_view endMarker, Apply apply) {
    bool ok = true;
    Line line;
    while (lines.Next(line)) {
        if (line.keyword == endMarker) break;
        if (!apply(line)) ok = false;
    }
    return ok;
}

bool ReadEnvironment(LineSource& lines, EnvironmentSetting& env) {
    return ReadSection(lines, "[EndEnv]", [&env](const Line& l) {
        int32_t* field = nullptr;
        if (l.keyword == "Baudrate")
            field = &env.Baudrate;
        else if (l.keyword == "Parity")
            field = &env.Parity;
        else if (l.keyword == "AutoTrans")
            field = &env.AutoTrans;
        else if (l.keyword == "PrgChange")
            field = &env.PrgChange;
        else if (l.keyword == "PanelLock")
            field = &env.PanelLock;
        else if (l.keyword == "Eco")
            field = &env.Eco;
        else if (l.keyword == "Unit")
            field = &env.Unit;
        if (field == nullptr) return false;
        *field = IntegerValue(l.value);
        return true;
    });
}

bool ReadHead(LineSource& lines, std::string_view endMarker, HeadSetting& head) {
    return ReadSection(lines, endMarker, [&head](const Line& l) {
        int32_t* field = nullptr;
        if (l.keyword == "HdMsrMode")
            field = &head.HdMsrMode;
        else if (l.keyword == "Rova")
            field = &head.Rova;
        else if (l.keyword == "RovaLower")
            field = &head.RovaLower;
        else if (l.keyword == "RovaUpper")
            field = &head.RovaUpper;
        else if (l.keyword == "InstallMode")
            field = &head.InstallMode;
        else if (l.keyword == "AlarmCnt")
            field = &head.AlarmCnt;
        else if (l.keyword == "AlarmLv")
            field = &head.AlarmLv;
        if (field == nullptr) return false;
        *field = IntegerValue(l.value);
        return true;
    });
}

bool ReadOut(LineSource& lines, std::string_view endMarker, OutSetting& out, int unit) {
    return ReadSection(lines, endMarker, [&out, unit](const Line& l) {
        if (l.keyword == "AScaleOut1") {
            out.AScaleOut1 = VoltageValue(l.value);
            return true;
        }
        if (l.keyword == "AScaleOut2") {
            out.AScaleOut2 = VoltageValue(l.value);
            return true;
        }
        int32_t* field = nullptr;
        if (l.keyword == "FilterDet") {
            // Goes to the index the filter type read so far uses.
            if (out.FilterType == kFilterMovingAverage)
                field = &out.FilterAverage;
            else if (out.FilterType == kFilterLowPass || out.FilterType == kFilterHighPass)
                field = &out.FilterCutoff;
            else
                return false;
        } else if (l.keyword == "DispDigit") {
            if (unit == kUnitMetric)
                field = &out.DispDigitMm;
            else if (unit == kUnitImperial)
                field = &out.DispDigitInch;
            else
                return false;
        } else {
            static constexpr struct {
                std::string_view key;
                int32_t OutSetting::*member;
            } kKeys[] = {
                {"Calc", &OutSetting::Calc},
                {"CalcWave", &OutSetting::CalcWave},
                {"ScaleAIn1", &OutSetting::ScaleAIn1},
                {"ScaleAIn2", &OutSetting::ScaleAIn2},
                {"ScaleBIn1", &OutSetting::ScaleBIn1},
                {"ScaleBIn2", &OutSetting::ScaleBIn2},
                {"ScaleAOut1", &OutSetting::ScaleAOut1},
                {"ScaleAOut2", &OutSetting::ScaleAOut2},
                {"ScaleBOut1", &OutSetting::ScaleBOut1},
                {"ScaleBOut2", &OutSetting::ScaleBOut2},
                {"AScaleIn1", &OutSetting::AScaleIn1},
                {"AScaleIn2", &OutSetting::AScaleIn2},
                {"FilterType", &OutSetting::FilterType},
                {"OutMsrMode", &OutSetting::OutMsrMode},
                {"Trigger", &OutSetting::Trigger},
                {"Offset", &OutSetting::Offset},
                {"ToleUpper", &OutSetting::ToleUpper},
                {"ToleLower", &OutSetting::ToleLower},
                {"ToleHys", &OutSetting::ToleHys},
                {"AnaThrough", &OutSetting::AnaThrough},
            };
            for (const auto& k : kKeys) {
                if (l.keyword == k.key) {
                    field = &(out.*k.member);
                    break;
                }
            }
            if (field == nullptr) return false;
        }
        *field = IntegerValue(l.value);
        return true;
    });
}

bool ReadCommon(LineSource& lines, CommonSetting& common) {
    return ReadSection(lines, "[EndCommon]", [&common](const Line& l) {
        int32_t* field = nullptr;
        if (l.keyword == "SampRate")
            field = &common.SampRate;
        else if (l.keyword == "AntiItfrnc")
            field = &common.AntiItfrnc;
        else if (l.keyword == "SyncTim")
            field = &common.SyncTim;
        else if (l.keyword == "StrobeTime")
            field = &common.StrobeTime;
        else if (l.keyword == "OutStyle")
            field = &common.OutStyle;
        else if (l.keyword == "DSOut")
            field = &common.DSOut;
        else if (l.keyword == "DSPoints")
            field = &common.DSPoints;
        else if (l.keyword == "DSFreq")
            field = &common.DSFreq;
        if (field == nullptr) return false;
        *field = IntegerValue(l.value);
        return true;
    });
}

// "[Prog3]" with prefix "[Prog" gives 3; -1 for anything else.
int ProgramMarker(std::string_view keyword, std::string_view prefix) {
    if (keyword.size() != prefix.size() + 2 || keyword.substr(0, prefix.size()) != prefix ||
        keyword.back() != ']') {
        return -1;
    }
    const char d = keyword[prefix.size()];
    return d >= '0' && d <= '7' ? d - '0' : -1;
}

// Sub-sections of one program that have been read.
enum SectionBit { kSeenHeadA = 1, kSeenHeadB = 2, kSeenOut1 = 4, kSeenOut2 = 8, kSeenCommon = 16 };

}  // namespace

std::string WriteSettingsText(const SettingsBlock& block, int activeProgram) {
    std::string out;
    out.reserve(12 * 1024);
    TextWriter w(out);
    const EnvironmentSetting& env = block.Environment;
    w.Line(0, "[Begin]");
    w.Int(1, "FileVer", 1);
    w.Int(1, "Active", activeProgram);
    w.Line(1, "[Env]");
    w.Int(2, "Baudrate", env.Baudrate);
    w.Int(2, "Parity", env.Parity);
    w.Int(2, "AutoTrans", env.AutoTrans);
    w.Int(2, "PrgChange", env.PrgChange);
    w.Int(2, "PanelLock", env.PanelLock);
    w.Int(2, "Eco", env.Eco);
    w.Int(2, "Unit", env.Unit);
    w.Line(1, "[EndEnv]");
    for (int p = 0; p < kProgramCount; ++p) {
        const ProgramSetting& prog = block.Programs[p];
        w.Line(1, "[Prog" + std::to_string(p) + "]");
        WriteHead(w, prog.HeadA, "A");
        WriteHead(w, prog.HeadB, "B");
        WriteOut(w, prog.Out1, "1", env.Unit);
        WriteOut(w, prog.Out2, "2", env.Unit);
        WriteCommon(w, prog.Common);
        w.Line(1, "[EndProg" + std::to_string(p) + "]");
    }
    w.Line(0, "[End]");
    return out;
}

bool ParseSettingsText(std::string_view text, SettingsBlock& block, int& activeProgram) {
    LineSource lines(text);
    bool inMain = false;
    bool leftByEnd = false;
    bool versionSeen = false;
    bool activeSeen = false;
    int current = -1;  // program being read
    bool received[kProgramCount] = {};
    int seen[kProgramCount] = {};

    Line line;
    while (lines.Next(line)) {
        const std::string_view key = line.keyword;
        if (key == "[Begin]") {
            if (inMain) return false;
            inMain = true;
            leftByEnd = false;
            continue;
        }
        if (!inMain) return false;  // text before "[Begin]" or after "[End]"
        if (key == "[End]") {
            inMain = false;
            leftByEnd = true;
            continue;
        }
        if (key == "FileVer") {
            if (IntegerValue(line.value) != 1) return false;
            versionSeen = true;
            continue;
        }
        if (key == "Active") {
            activeProgram = IntegerValue(line.value);  // range checked by the caller's validation
            activeSeen = true;
            continue;
        }
        if (key == "[Env]") {
            if (!ReadEnvironment(lines, block.Environment)) return false;
            continue;
        }
        if (const int p = ProgramMarker(key, "[Prog"); p >= 0) {
            if (received[p]) return false;
            current = p;
            seen[p] = 0;
            continue;
        }
        if (ProgramMarker(key, "[EndProg") >= 0) {
            if (current < 0) return false;
            current = -1;
            continue;
        }
        if (current < 0) return false;
        received[current] = true;
        ProgramSetting& prog = block.Programs[current];
        int& marks = seen[current];
        const auto once = [&marks](int bit) {
            if (marks & bit) return false;
            marks |= bit;
            return true;
        };
        bool ok = false;
        if (key == "[HeadA]") {
            ok = once(kSeenHeadA) && ReadHead(lines, "[EndHeadA]", prog.HeadA);
        } else if (key == "[HeadB]") {
            ok = once(kSeenHeadB) && ReadHead(lines, "[EndHeadB]", prog.HeadB);
        } else if (key == "[Out1]") {
            // The unit as it stands now: an "[Env]" after the programs does not count.
            ok = once(kSeenOut1) && ReadOut(lines, "[EndOut1]", prog.Out1, block.Environment.Unit);
        } else if (key == "[Out2]") {
            ok = once(kSeenOut2) && ReadOut(lines, "[EndOut2]", prog.Out2, block.Environment.Unit);
        } else if (key == "[Common]") {
            ok = once(kSeenCommon) && ReadCommon(lines, prog.Common);
        }
        if (!ok) return false;
    }
    if (inMain || !leftByEnd || !versionSeen) return false;
    if (!activeSeen) activeProgram = 0;
    return true;
}

}  // namespace qda
