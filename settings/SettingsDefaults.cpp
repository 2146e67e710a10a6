#include "settings/SettingsDefaults.h"

#include <cstdio>
#include <cstring>

namespace {

bool IsLengthUnit(int unit) {
    return unit == qda::kUnitMetric || unit == qda::kUnitImperial;
}

void SetScalingDefaults(OutSetting& out) {
    out.ScaleAIn1 = 0;
    out.ScaleAOut1 = 0;
    out.ScaleAIn2 = 100000;
    out.ScaleAOut2 = 100000;
    out.ScaleBIn1 = 0;
    out.ScaleBOut1 = 0;
    out.ScaleBIn2 = 100000;
    out.ScaleBOut2 = 100000;
}

}  // namespace

void SetHeadDefaults(HeadSetting& head) {
    head.HdMsrMode = 0;
    head.Rova = qda::kRovaAuto;
    head.RovaLower = 1;
    head.RovaUpper = 99;
    head.InstallMode = 0;
    head.AlarmCnt = 8;
    head.AlarmLv = 4;
}

void SetOutDefaults(OutSetting& out, int unit) {
    out.Calc = qda::kCalcHeadA;
    out.CalcWave = 0;
    out.OutMsrMode = 0;
    out.Trigger = 0;
    out.FilterType = qda::kFilterMovingAverage;
    out.FilterAverage = 4;  // 256 times
    out.FilterCutoff = 2;   // 100 Hz
    if (IsLengthUnit(unit)) {
        out.ToleUpper = 500000;
        out.ToleLower = -500000;
        out.ToleHys = 0;
        SetScalingDefaults(out);
        out.AScaleIn1 = 100000;
        out.AScaleIn2 = -100000;
    }
    out.Offset = 0;
    out.Reserved = 0;
    out.DispDigitMm = 2;    // 0.0001 mm
    out.DispDigitInch = 2;  // 0.1 mil
    out.AnaThrough = 0;
    out.AScaleOut1 = 10.0;
    out.AlignGap = 0;
    out.AScaleOut2 = -10.0;
}

void SetCommonDefaults(CommonSetting& common) {
    common.SampRate = 3;  // 200us
    common.AntiItfrnc = 0;
    common.SyncTim = 0;
    common.StrobeTime = 0;
    common.OutStyle = 0;
    common.DSOut = 0;
    common.DSPoints = qda::kDSPointsMax;
    common.DSFreq = 4;  // x20
}

void SetProgramDefaults(SettingsBlock& block, int program, int unit) {
    if (program < 0 || program >= qda::kProgramCount) return;
    ProgramSetting& p = block.Programs[program];
    SetHeadDefaults(p.HeadA);
    SetHeadDefaults(p.HeadB);
    SetOutDefaults(p.Out1, unit);
    SetOutDefaults(p.Out2, unit);
    SetCommonDefaults(p.Common);
    p.ListWord = 0;
    p.AlignGap = 0;
}

void SetBlockDefaults(SettingsBlock& block) {
    qda::SetEnvironmentDefaults(block.Environment);
    for (int p = 0; p < qda::kProgramCount; ++p) SetProgramDefaults(block, p, qda::kUnitMetric);
    qda::SetPcCommDefaults(block.PcComm);
    for (WaveViewSetting& wave : block.WaveView) {
        wave.HeadLetter = '\0';
        std::memset(wave.AlignGap, 0, sizeof wave.AlignGap);
    }
    qda::SetCalcViewDefaults(block.CalcView);
    for (int g = 0; g < qda::kStorageGraphCount; ++g) qda::SetStorageGraphDefaults(block.StorageGraph[g], g);
}

void ResetOutForDigits(OutSetting& out, int unit) {
    if (IsLengthUnit(unit)) {
        SetScalingDefaults(out);
        out.Offset = 0;
        out.AScaleIn1 = 100000;
        out.AScaleIn2 = -100000;
        out.ToleUpper = 500000;
        out.ToleLower = -500000;
    }
    out.AScaleOut1 = 10.0;
    out.AScaleOut2 = -10.0;
    out.ToleHys = 0;
}

namespace qda {

void SetEnvironmentDefaults(EnvironmentSetting& env) {
    env.Baudrate = 0;
    env.Parity = 2;
    env.AutoTrans = 0;
    env.Eco = 0;
    env.PanelLock = 0;
    env.PrgChange = 0;
    env.Unit = kUnitMetric;
}

void SetPcCommDefaults(PcCommSetting& pc) {
    pc.CommType = kCommUsb;
    pc.PortNo = 0;
    pc.Baudrate = 0;
    pc.Parity = 2;
}

void SetCalcViewDefaults(CalcViewSetting& calc) {
    calc.IsOut1 = 1;
    calc.IsOut2 = 1;
    calc.IsDisplayResult = 0;
}

void SetStorageGraphDefaults(StorageGraphSetting& graph, int index) {
    static constexpr uint32_t kColors[kStorageGraphCount] = {0x0000FF, 0xFF0000, 0x00FF00, 0x00FFFF};
    if (index < 0 || index >= kStorageGraphCount) return;
    graph.IsEnable = 1;
    graph.Color = kColors[index];
    graph.Offset = 0;
    std::memset(graph.GraphName, 0, sizeof graph.GraphName);
    std::snprintf(graph.GraphName, sizeof graph.GraphName, "Graph%02d", index + 1);
}

SettingsBlock DefaultBlock() {
    SettingsBlock block{};
    SetBlockDefaults(block);
    return block;
}

}  // namespace qda
