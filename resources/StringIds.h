#pragma once
// Identifiers of the strings the program loads by name rather than by message code. They belong to
// the same string table as the messages (see MessageTable), so every language module carries them.

namespace qda {

enum StringId : int {
    kStrAboutMenuItem = 101,          // system menu item that opens the version information
    kStrStatusNoError = 41000,        // controller status 0
    kStrStatusCommandError = 41001,   // controller status 1
    kStrStatusLengthError = 41002,    // controller status 2
    kStrStatusTimeoutError = 41003,   // controller status 3
    kStrStatusChecksumError = 41004,  // controller status 4
    kStrStatusStateError = 41005,     // controller status 5: not in the mode the command needs
    kStrStatusOtherError = 41006,     // controller status 6
    kStrStatusUnknownFormat = 41007,  // any other controller status, with its code
    kStrFileCannotOpen = 41010,       // a settings file cannot be opened for writing
    kStrMeasureStartSendFailed =
        41011,                        // the controller could not be returned to measuring mode after a send
    kStrStateQueryFailed = 41012,     // the controller did not reach setting mode
    kStrClipboardCopyFailed = 41013,  // the clipboard could not be emptied
    kStrDumpFailed = 41014,           // the dump window could not take its lock
    kStrStorageCountFormat = 41020,   // stored count in the storage status line
    kStrStorageCountUnknown = 41021,  // stored count or state while the controller cannot tell
    kStrStorageStateStoring = 41022,  // storage status: storing
    kStrStorageStateStopped = 41023,  // storage status: stopped
    kStrStorageStateSystemError = 41024,    // storage status: the controller reports an unknown mode
    kStrStorageStateNotConnected = 41025,   // storage status: the state query failed
    kStrStorageSlotCheckFormat = 41026,     // check box of a storage slot header, with the slot number from 1
    kStrCalcStart = 41030,                  // measured value window: start button while stopped
    kStrCalcStop = 41031,                   // measured value window: start button while running
    kStrCalcStartFailed = 41032,            // measured value acquisition could not start
    kStrCalcTimingFailed = 41033,           // timing input to one OUT failed
    kStrCalcReadFailed = 41034,             // a measured value reading failed
    kStrCalcAutoZeroFailed = 41035,         // auto-zero failed
    kStrCalcResetFailed = 41036,            // reset failed
    kStrCalcStatisticsReadFailed = 41037,   // statistics could not be fetched
    kStrCalcStatisticsClearFailed = 41038,  // statistics could not be cleared
    kStrCalcStatisticsShow = 41039,         // statistics button while the statistics are hidden
    kStrCalcStatisticsHide = 41040,         // statistics button while the statistics are shown
    kStrCalcCommunicating = 41041,          // timing button while its request is under way
    kStrCalcColumnItem = 41042,             // title of the statistics label column
    kStrStatisticsAverage = 41050,          // statistics row 0
    kStrStatisticsMaximum = 41051,          // statistics row 1
    kStrStatisticsMinimum = 41052,          // statistics row 2
    kStrStatisticsRange = 41053,            // statistics row 3
    kStrStatisticsDeviation = 41054,        // statistics row 4
    kStrStatisticsCount = 41055,            // statistics row 5
    kStrStatisticsHiCount = 41056,          // statistics row 6
    kStrStatisticsGoCount = 41057,          // statistics row 7
    kStrStatisticsLoCount = 41058,          // statistics row 8
    kStrScalingReadFailed = 41060,          // the scaling dialog could not read the live values
    kStrListHeadSection = 41101,            // settings list label, row 1
    kStrListRova = 41102,                   // settings list label, row 2
    kStrListRovaUpper = 41103,              // settings list label, row 3
    kStrListRovaLower = 41104,              // settings list label, row 4
    kStrListMeasuringMode = 41105,          // settings list label, row 5
    kStrListInstallMode = 41106,            // settings list label, row 6
    kStrListAlarmCount = 41107,             // settings list label, row 7
    kStrListAlarmLevel = 41108,             // settings list label, row 8
    kStrListOutSection = 41109,             // settings list label, row 9
    kStrListToleUpper = 41110,              // settings list label, row 10
    kStrListToleLower = 41111,              // settings list label, row 11
    kStrListToleHysteresis = 41112,         // settings list label, row 12
    kStrListCalc = 41113,                   // settings list label, row 13
    kStrListCalcWave = 41114,               // settings list label, row 14
    kStrListScaleAIn1 = 41115,              // settings list label, row 15
    kStrListScaleAIn2 = 41116,              // settings list label, row 16
    kStrListScaleAOut1 = 41117,             // settings list label, row 17
    kStrListScaleAOut2 = 41118,             // settings list label, row 18
    kStrListScaleBIn1 = 41119,              // settings list label, row 19
    kStrListScaleBIn2 = 41120,              // settings list label, row 20
    kStrListScaleBOut1 = 41121,             // settings list label, row 21
    kStrListScaleBOut2 = 41122,             // settings list label, row 22
    kStrListFilterType = 41123,             // settings list label, row 23
    kStrListFilterDetail = 41124,           // settings list label, row 24
    kStrListHoldMode = 41125,               // settings list label, row 25
    kStrListTrigger = 41126,                // settings list label, row 26
    kStrListOffset = 41127,                 // settings list label, row 27
    kStrListDisplayDigits = 41128,          // settings list label, row 28
    kStrListAnalogIn1 = 41129,              // settings list label, row 29
    kStrListAnalogIn2 = 41130,              // settings list label, row 30
    kStrListAnalogOut1 = 41131,             // settings list label, row 31
    kStrListAnalogOut2 = 41132,             // settings list label, row 32
    kStrListAnalogThrough = 41133,          // settings list label, row 33
    kStrListCommonSection = 41134,          // settings list label, row 34
    kStrListSampRate = 41135,               // settings list label, row 35
    kStrListAntiInterference = 41136,       // settings list label, row 36
    kStrListSyncTiming = 41137,             // settings list label, row 37
    kStrListOutStyle = 41138,               // settings list label, row 38
    kStrListStrobeTime = 41139,             // settings list label, row 39
    kStrListStorageOut = 41140,             // settings list label, row 40
    kStrListStoragePoints = 41141,          // settings list label, row 41
    kStrListStorageInterval = 41142,        // settings list label, row 42
    kStrListEnvironmentSection = 41143,     // settings list label, row 43
    kStrListBaudrate = 41144,               // settings list label, row 44
    kStrListParity = 41145,                 // settings list label, row 45
    kStrListAutoTrans = 41146,              // settings list label, row 46
    kStrListEco = 41147,                    // settings list label, row 47
    kStrListPanelLock = 41148,              // settings list label, row 48
    kStrListPrgChange = 41149,              // settings list label, row 49
};

}  // namespace qda
