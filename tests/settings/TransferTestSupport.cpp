#include "settings/TransferTestSupport.h"

#include "settings/SettingsDefaults.h"
#include "settings/Units.h"

namespace qda::test {

SettingsBlock NonDefaultBlock(int unit) {
    SettingsBlock b = DefaultBlock();
    EnvironmentSetting& e = b.Environment;
    e.Unit = unit;
    e.Baudrate = 3;
    e.Parity = 0;
    e.AutoTrans = 2;
    e.Eco = 1;
    e.PanelLock = 1;
    e.PrgChange = 1;
    for (int p = 0; p < kProgramCount; ++p) {
        SetProgramDefaults(b, p, unit);
        ProgramSetting& g = b.Programs[p];
        HeadSetting* heads[2] = {&g.HeadA, &g.HeadB};
        for (int k = 0; k < 2; ++k) {
            HeadSetting& h = *heads[k];
            h.Rova = 1;
            h.RovaUpper = 10 + p + k;
            h.RovaLower = 5;
            h.HdMsrMode = 1 + (p + k) % 4;
            h.InstallMode = 1;
            h.AlarmCnt = 100 + 10 * p + k;
            h.AlarmLv = (5 + p) % 10;
        }
        OutSetting* outs[2] = {&g.Out1, &g.Out2};
        for (int k = 0; k < 2; ++k) {
            OutSetting& o = *outs[k];
            const int row = (p + 3 * k) % 6;
            (unit == kUnitMetric ? o.DispDigitMm : o.DispDigitInch) = row;
            const int32_t step = static_cast<int32_t>(SelectUnitRow(unit, row, row).Step());
            const int32_t sign = k == 0 ? 1 : -1;
            o.Calc = 2 + (p + k) % 4;
            o.CalcWave = 1 + (p + k) % 9;
            o.OutMsrMode = 1 + (p + k) % 5;
            o.Trigger = 1;
            o.FilterType = 1 + (p + k) % 2;
            o.FilterAverage = 7;
            o.FilterCutoff = 5;
            o.AnaThrough = 1;
            o.ToleUpper = (1234 + p) * step;
            o.ToleLower = -(2345 + p) * step;
            o.ToleHys = (12 + p) * step;
            o.ScaleAIn1 = -500 * step;
            o.ScaleAOut1 = -510 * step;
            o.ScaleAIn2 = 700 * step;
            o.ScaleAOut2 = 720 * step;
            o.ScaleBIn1 = -300 * step;
            o.ScaleBOut1 = -290 * step;
            o.ScaleBIn2 = 800 * step;
            o.ScaleBOut2 = 830 * step;
            o.Offset = sign * (33 + p) * step;
            o.AScaleIn1 = -900 * step;
            o.AScaleIn2 = 950 * step;
            o.AScaleOut1 = -8.19;
            o.AScaleOut2 = (2500 + p) / 1000.0;
        }
        CommonSetting& c = g.Common;
        c.SampRate = 1;
        c.AntiItfrnc = 1;
        c.SyncTim = 1;
        c.StrobeTime = 2;
        c.OutStyle = 2;
        c.DSOut = 3;
        c.DSPoints = 12345 + p;
        c.DSFreq = 7;
    }
    return b;
}

void CopyUntransferred(const SettingsBlock& from, SettingsBlock& to, int unit) {
    for (int p = 0; p < kProgramCount; ++p) {
        const ProgramSetting& f = from.Programs[p];
        ProgramSetting& t = to.Programs[p];
        t.HeadA.IsRunBeforeSendSetting = f.HeadA.IsRunBeforeSendSetting;
        t.HeadB.IsRunBeforeSendSetting = f.HeadB.IsRunBeforeSendSetting;
        t.ListWord = f.ListWord;
        for (int k = 0; k < 2; ++k) {
            const OutSetting& fo = k == 0 ? f.Out1 : f.Out2;
            OutSetting& to2 = k == 0 ? t.Out1 : t.Out2;
            if (unit == kUnitMetric)
                to2.DispDigitInch = fo.DispDigitInch;
            else
                to2.DispDigitMm = fo.DispDigitMm;
        }
    }
    to.PcComm = from.PcComm;
    for (int i = 0; i < 2; ++i) to.WaveView[i] = from.WaveView[i];
    to.CalcView = from.CalcView;
    for (int i = 0; i < kStorageGraphCount; ++i) to.StorageGraph[i] = from.StorageGraph[i];
}

}  // namespace qda::test
