#pragma once
// The settings list text of one program: the labels of the string table with the value texts the
// pages show, lines separated by CR LF and columns by TAB. This part only composes; the values come
// from the pages (BuildSettingsListText).
#include <array>
#include <string>

namespace qda {

// Value texts of one head, in list order.
struct HeadListValues {
    std::string rova, rovaUpper, rovaLower, measuringMode, installMode, alarmCount, alarmLevel;
};

// Value texts of one OUT, in list order.
struct OutListValues {
    std::string toleUpper, toleLower, toleHys, calc, calcWave;
    std::string scaleAIn1, scaleAIn2, scaleAOut1, scaleAOut2;
    std::string scaleBIn1, scaleBIn2, scaleBOut1, scaleBOut2;
    std::string filterType, filterDetail, holdMode, trigger, offset, displayDigits;
    std::string analogIn1, analogIn2, analogOut1, analogOut2, analogThrough;
};

struct CommonListValues {
    std::string sampling, interference, sync, outStyle, strobe, storageTarget, storagePoints, storageFactor,
        storagePeriod;
};

struct EnvironmentListValues {
    std::string baudrate, parity, autoTrans, eco, panelLock, programChange;
};

struct SettingsListValues {
    std::array<HeadListValues, 2> heads;  // head A, head B
    std::array<OutListValues, 2> outs;    // OUT1, OUT2
    CommonListValues common;
    EnvironmentListValues environment;
};

// The list text; it ends after the last value, without a final CR LF.
std::string ComposeSettingsListText(const SettingsListValues& values);

// The clipboard text of the list page: the list text, then the head models when head A's is set.
std::string SettingsListClipboardText(const std::string& listText, const std::string& modelA,
                                      const std::string& modelB);

}  // namespace qda
