#include "pages/SettingsListText.h"

#include "resources/Messages.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace qda {
namespace {

constexpr const char* kCrLf = "\r\n";

std::string Label(int id) {
    return LoadResourceString(id);
}

// Label, then the values of both heads or both OUTs separated by a TAB.
template <typename Record, typename Field>
std::string Pair(int label, const std::array<Record, 2>& records, Field field) {
    return Label(label) + records[0].*field + "\t" + records[1].*field;
}

}  // namespace

std::string ComposeSettingsListText(const SettingsListValues& v) {
    const auto& h = v.heads;
    const auto& o = v.outs;
    const auto& c = v.common;
    const auto& e = v.environment;
    std::string t;
    t += Label(kStrListHeadSection);
    t += Pair(kStrListRova, h, &HeadListValues::rova);
    t += kCrLf + Pair(kStrListRovaUpper, h, &HeadListValues::rovaUpper);
    t += kCrLf + Pair(kStrListRovaLower, h, &HeadListValues::rovaLower);
    t += kCrLf + Pair(kStrListMeasuringMode, h, &HeadListValues::measuringMode);
    t += kCrLf + Pair(kStrListInstallMode, h, &HeadListValues::installMode);
    t += kCrLf + Pair(kStrListAlarmCount, h, &HeadListValues::alarmCount);
    t += kCrLf + Pair(kStrListAlarmLevel, h, &HeadListValues::alarmLevel);

    t += std::string(kCrLf) + kCrLf + Label(kStrListOutSection);
    t += kCrLf + Pair(kStrListToleUpper, o, &OutListValues::toleUpper);
    t += kCrLf + Pair(kStrListToleLower, o, &OutListValues::toleLower) + "\t\t";
    t += kCrLf + Pair(kStrListToleHysteresis, o, &OutListValues::toleHys) + kCrLf;
    t += Pair(kStrListCalc, o, &OutListValues::calc);
    t += kCrLf + Pair(kStrListCalcWave, o, &OutListValues::calcWave);
    t += kCrLf + Pair(kStrListScaleAIn1, o, &OutListValues::scaleAIn1) + kCrLf;
    t += Pair(kStrListScaleAIn2, o, &OutListValues::scaleAIn2) + kCrLf;
    t += Pair(kStrListScaleAOut1, o, &OutListValues::scaleAOut1) + kCrLf;
    t += Pair(kStrListScaleAOut2, o, &OutListValues::scaleAOut2) + kCrLf;
    t += Pair(kStrListScaleBIn1, o, &OutListValues::scaleBIn1) + kCrLf;
    t += Pair(kStrListScaleBIn2, o, &OutListValues::scaleBIn2);
    t += kCrLf + Pair(kStrListScaleBOut1, o, &OutListValues::scaleBOut1);
    t += kCrLf + Pair(kStrListScaleBOut2, o, &OutListValues::scaleBOut2);
    t += kCrLf + Pair(kStrListFilterType, o, &OutListValues::filterType);
    t += kCrLf + Pair(kStrListFilterDetail, o, &OutListValues::filterDetail);
    t += kCrLf + Pair(kStrListHoldMode, o, &OutListValues::holdMode) + kCrLf;
    t += Pair(kStrListTrigger, o, &OutListValues::trigger) + kCrLf;
    t += Pair(kStrListOffset, o, &OutListValues::offset) + kCrLf;
    t += Pair(kStrListDisplayDigits, o, &OutListValues::displayDigits) + kCrLf;
    t += Pair(kStrListAnalogIn1, o, &OutListValues::analogIn1) + kCrLf;
    t += Pair(kStrListAnalogIn2, o, &OutListValues::analogIn2) + kCrLf;
    t += Pair(kStrListAnalogOut1, o, &OutListValues::analogOut1) + kCrLf;
    t += Pair(kStrListAnalogOut2, o, &OutListValues::analogOut2) + kCrLf;
    t += Pair(kStrListAnalogThrough, o, &OutListValues::analogThrough);

    t += std::string(kCrLf) + kCrLf + Label(kStrListCommonSection);
    t += Label(kStrListSampRate) + c.sampling + kCrLf;
    t += Label(kStrListAntiInterference) + c.interference;
    t += kCrLf + Label(kStrListSyncTiming) + c.sync;
    t += kCrLf + Label(kStrListOutStyle) + c.outStyle;
    t += kCrLf + Label(kStrListStrobeTime) + c.strobe;
    t += kCrLf + Label(kStrListStorageOut) + c.storageTarget;
    t += kCrLf + Label(kStrListStoragePoints) + c.storagePoints;
    t += kCrLf + Label(kStrListStorageInterval) + "x" + c.storageFactor + c.storagePeriod;

    t += std::string(kCrLf) + kCrLf + Label(kStrListEnvironmentSection);
    t += kCrLf + Label(kStrListBaudrate) + e.baudrate;
    t += kCrLf + Label(kStrListParity) + e.parity;
    t += kCrLf + Label(kStrListAutoTrans) + e.autoTrans;
    t += kCrLf + Label(kStrListEco) + e.eco;
    t += kCrLf + Label(kStrListPanelLock) + e.panelLock;
    t += kCrLf + Label(kStrListPrgChange) + e.programChange;
    return t;
}

std::string SettingsListClipboardText(const std::string& listText, const std::string& modelA,
                                      const std::string& modelB) {
    std::string t = listText;
    if (modelA.empty()) return t;
    t += std::string(kCrLf) + kCrLf + LoadMessage(370) + kCrLf;
    t += LoadMessage(0) + "\t" + modelA + kCrLf;
    t += LoadMessage(1) + "\t" + modelB + kCrLf;
    return t;
}

}  // namespace qda
